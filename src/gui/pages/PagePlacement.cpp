#include "PagePlacement.h"

#include <QMdiSubWindow>

#include "AppConstants.h"
#include "AppContext.h"
#include "CMainFrame.h"
#include "profile/Profile.h"

namespace morlo::gui {
namespace {}  // namespace

void WritePagePlacement(AppContext& context, const QWidget* view, int pageId, bool active) {
    CMainFrame* frame = context.mainWindow;
    const QWidget* window = nullptr;
    for (const QWidget* w = view->parentWidget(); w; w = w->parentWidget()) {
        if (qobject_cast<const QMdiSubWindow*>(w)) {
            window = w;
            break;
        }
    }
    if (!frame || !window) {
        return;
    }
    const QPoint page = window->mapToGlobal(QPoint(0, 0));
    const QPoint main = frame->frameGeometry().topLeft();
    const QString value = QString("%1,%2,%3")
                              .arg(active ? 1 : 0)
                              .arg(page.x() - main.x())
                              .arg(page.y() - context.captionHeight - main.y());
    const QString section =
        QString("%1%2").arg(ObjectDictionary::kProjectSectionPrefix).arg(kPlacementSection);
    if (!Profile::WriteString(context.Dictionary().ProjectWritePath(), section.toStdString(),
                              std::to_string(pageId), value.toStdString())) {
        context.projectWriteFailed = true;
    }
}

}  // namespace morlo::gui
