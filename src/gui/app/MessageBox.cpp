#include "MessageBox.h"

#include <QApplication>
#include <QThread>

#include "AppConstants.h"
#include "AppContext.h"
#include "CMainFrame.h"

namespace morlo::gui {

void ShowMessage(const QString& text, QMessageBox::Icon icon, QWidget* parent) {
    AppContext* context = AppContext::Instance();
    if (context && context->messageInterceptor) {
        context->messageInterceptor(text, icon);
        return;
    }
    // Over the program, not in the middle of the screen: the main window is the parent of
    // every box that names no other.
    if (!parent && context && context->mainWindow) {
        parent = context->mainWindow;
    }
    QMessageBox box(icon, QString::fromLatin1(kAppTitle), text, QMessageBox::Ok, parent);
    box.exec();
}

void GuiMessageSink::ShowMessage(std::string_view text) {
    QString message = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        gui::ShowMessage(message);
        return;
    }
    QMetaObject::invokeMethod(
        app, [message] { gui::ShowMessage(message); }, Qt::QueuedConnection);
}

}  // namespace morlo::gui
