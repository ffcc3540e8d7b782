#include "CCommMode.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>

#include "AppConstants.h"
#include "AppContext.h"
#include "CMainFrame.h"
#include "FileProblems.h"
#include "FsPath.h"
#include "profile/Profile.h"

namespace morlo::gui {
namespace {
constexpr std::size_t kSettingBuffer = 4;
}

CCommMode::CCommMode(AppContext& context, QWidget* parent) : CPageView(context, parent) {
    auto* group = new QGroupBox(tr("通讯方式"), this);
    can_ = new QRadioButton("CAN", group);
    serial_ = new QRadioButton("RS232C", group);
    offline_ = new QRadioButton(tr("离线"), group);
    rs485_ = new QRadioButton("RS485", group);
    usb_ = new QRadioButton("USB", group);
    simulated_ = new QRadioButton(tr("仿真驱动器"), group);
    next_ = new QPushButton(tr("下一步"), this);
    auto* cancel = new QPushButton(tr("取消"), this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(can_, 0, 0);
    grid->addWidget(serial_, 0, 1);
    grid->addWidget(rs485_, 1, 0);
    grid->addWidget(usb_, 1, 1);
    grid->addWidget(offline_, 2, 0);
    grid->addWidget(simulated_, 2, 1);
    auto* layout = new QGridLayout(this);
    layout->addWidget(group, 0, 0, 1, 2);
    layout->addWidget(next_, 1, 0);
    layout->addWidget(cancel, 1, 1);

    rs485_->setEnabled(false);
    usb_->setEnabled(false);
    next_->setEnabled(false);
    // Another instance of the program holds the CAN adapter.
    const int canTaken =
        Profile::ReadInt(FsPath(context_.sysIniPath), "sys", "can", kSettingBuffer);
    if (canTaken != 0 && !context_.Link().CanClaimed()) {
        context_.linkType = link::kLinkTypeOffline;
        can_->setEnabled(false);
    }
    switch (context_.linkType) {
        case link::kLinkTypeSerial:
            serial_->setChecked(true);
            break;
        case link::kLinkTypeCan:
            can_->setChecked(true);
            break;
        case link::kLinkTypeSimulated:
            simulated_->setChecked(true);
            break;
        default:
            offline_->setChecked(true);
    }
    connect(can_, &QRadioButton::clicked, this, &CCommMode::ChooseCan);
    connect(serial_, &QRadioButton::clicked, this, &CCommMode::ChooseSerial);
    connect(offline_, &QRadioButton::clicked, this, &CCommMode::ChooseOffline);
    connect(simulated_, &QRadioButton::clicked, this, &CCommMode::ChooseSimulated);
    connect(next_, &QPushButton::clicked, this, &CCommMode::Next);
    connect(cancel, &QPushButton::clicked, this, &CCommMode::CloseFrame);
}

void CCommMode::ChooseCan() {
    can_->setChecked(true);
    context_.linkType = link::kLinkTypeCan;
    if (context_.Link().SelectLinkType(link::kLinkTypeCan) != 1) {
        ShowMessage(msg::kPcanLoadFailed);
        ChooseOffline();
        return;
    }
    next_->setEnabled(true);
}

void CCommMode::ChooseSerial() {
    serial_->setChecked(true);
    context_.linkType = link::kLinkTypeSerial;
    context_.Link().SelectLinkType(link::kLinkTypeSerial);
    next_->setEnabled(true);
}

void CCommMode::ChooseOffline() {
    offline_->setChecked(true);
    context_.linkType = link::kLinkTypeOffline;
    context_.Link().SelectLinkType(link::kLinkTypeOffline);
    next_->setEnabled(true);
}

void CCommMode::ChooseSimulated() {
    simulated_->setChecked(true);
    context_.linkType = link::kLinkTypeSimulated;
    context_.Link().SelectLinkType(link::kLinkTypeSimulated);
    next_->setEnabled(true);
}

void CCommMode::Next() {
    engine::ControlLink& link = context_.Link();
    link.SetLinkState(engine::kLinkStateClosed);
    CMainFrame* frame = context_.mainWindow;
    if (frame) {
        frame->OnLinkStateReport(0);
    }
    link.CloseLink();
    const std::filesystem::path sysIni = FsPath(context_.sysIniPath);
    if (!Profile::WriteString(sysIni, "sys", "comm", std::to_string(context_.linkType))) {
        ShowMessage(NotWrittenMessage(sysIni, kSettingNotSaved));
    }
    if (frame && context_.linkType == link::kLinkTypeSerial) {
        frame->OnOpenToolPage(0);
    } else if (frame && context_.linkType == link::kLinkTypeCan) {
        frame->OnOpenToolPage(1);
    }
    CloseFrame();
}

void CCommMode::CloseFrame() {
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w)) {
            sub->close();
            return;
        }
    }
}

}  // namespace morlo::gui
