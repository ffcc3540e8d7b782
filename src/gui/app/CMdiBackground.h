#pragma once

#include <QMdiArea>
#include <QPixmap>

namespace morlo::gui {

// The client area behind the page windows: the background picture stretched over it at
// every size.
class CMdiBackground final : public QMdiArea {
    Q_OBJECT
  public:
    explicit CMdiBackground(QWidget* parent = nullptr);

    // Tile and cascade the shown page windows. Page windows keep their fixed sizes and every
    // one stays inside the visible area; the main window's size never changes.
    void TileInside();
    void CascadeInside();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Restretch();
    QList<QMdiSubWindow*> ShownWindows() const;
    // Moves the window to the place, or as near to it as keeps it inside the visible area.
    void PlaceInside(QMdiSubWindow* window, QPoint place) const;
    QString picture_;
};

}  // namespace morlo::gui
