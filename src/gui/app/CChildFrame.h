#pragma once

#include <QMdiSubWindow>

namespace morlo::gui {

class CMainFrame;
class CPageView;

// The window of one page inside the main frame. Closing a page only hides it (the page is
// told so); the main frame decides by the slot that holds the window.
class CChildFrame final : public QMdiSubWindow {
    Q_OBJECT
  public:
    CChildFrame(CMainFrame& frame, CPageView* view, const QString& title, const QRect& geometry);

    CPageView* View() const { return view_; }
    // Moves an open page back to a stored place (project restore) and shows it.
    void RestoreMove(int x, int y);
    // Grows the window to what its page needs to show every text whole (never shrinks it).
    void FitToContent();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    CMainFrame& frame_;
    CPageView* view_;
};

// Grows the page window that holds the widget to what its page now needs (after a list's
// columns widened to show their texts whole); nothing when it is in no page window.
void FitFrameAround(QWidget* widget);

}  // namespace morlo::gui
