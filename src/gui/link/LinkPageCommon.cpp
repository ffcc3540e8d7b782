#include "LinkPageCommon.h"

#include <QIcon>
#include <QPushButton>

#include "AppConstants.h"
#include "AppContext.h"
#include "CMainFrame.h"

namespace morlo::gui {

CLinkSettingsPage::CLinkSettingsPage(AppContext& context, QWidget* parent)
    : CPageView(context, parent), button_(new QPushButton(this)) {
    button_->setIconSize(QSize(32, 32));
}

void CLinkSettingsPage::SetIcon(bool open) {
    showsOpen_ = open;
    button_->setIcon(QIcon(open ? ":/icons/icon204.svg" : ":/icons/icon203.svg"));
    button_->setText(open ? tr("关闭") : tr("打开"));
}

void CLinkSettingsPage::PageNotify(int code) {
    if (code == notify::kLinkStateChanged) {
        SetIcon(context_.Link().LinkState() == engine::kLinkStateOpen);
    }
}

void CLinkSettingsPage::CloseFromPage() {
    engine::ControlLink& link = context_.Link();
    link.SetLinkState(engine::kLinkStateClosed);
    if (CMainFrame* frame = context_.mainWindow) {
        frame->OnLinkStateReport(0);
    }
    SetIcon(false);
    link.CloseLink();
}

void CLinkSettingsPage::FailOpen(const char* message) {
    ShowMessage(message);
    CloseFromPage();
}

void CLinkSettingsPage::ConfirmOpen(const QString& paneText) {
    if (CMainFrame* frame = context_.mainWindow) {
        frame->OnLinkOpened();
    }
    SetIcon(true);
    context_.linkOpenPending = true;
    context_.preparedLinkText = paneText;
    context_.Link().SetLinkState(engine::kLinkStateOpen);
}

}  // namespace morlo::gui
