#include "CChildFrame.h"

#include <QCloseEvent>
#include <QMdiArea>

#include "AppConstants.h"
#include "CMainFrame.h"
#include "CPageView.h"

namespace morlo::gui {

CChildFrame::CChildFrame(CMainFrame& frame, CPageView* view, const QString& title,
                         const QRect& geometry)
    : QMdiSubWindow(nullptr, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                 Qt::WindowCloseButtonHint),
      frame_(frame),
      view_(view) {
    // The icon first: set afterwards it would be announced to every widget of the page.
    setWindowIcon(frame.windowIcon());
    setWidget(view);
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setGeometry(geometry);
    setFixedSize(geometry.size());  // no sizing border
    FitToContent();
}

void CChildFrame::FitToContent() {
    const QSize needed = size().expandedTo(minimumSizeHint());
    if (needed != size()) {
        setFixedSize(needed);
    }
}

void FitFrameAround(QWidget* widget) {
    for (QWidget* w = widget ? widget->parentWidget() : nullptr; w; w = w->parentWidget()) {
        if (auto* frame = qobject_cast<CChildFrame*>(w)) {
            frame->FitToContent();
            return;
        }
    }
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (frame_.HandleChildClose(this)) {
        QMdiSubWindow::closeEvent(event);
    } else {
        event->ignore();
    }
}

void CChildFrame::RestoreMove(int x, int y) {
    if (!frame_.HoldsPage(this)) {
        return;
    }
    move(x, y);
    show();
    view_->PageNotify(notify::kShown);
    showNormal();
    if (mdiArea()) {
        mdiArea()->setActiveSubWindow(this);
    }
}

}  // namespace morlo::gui
