#include "CStoreDialog.h"

#include <QGridLayout>
#include <QPushButton>

#include "AppContext.h"
#include "CMainFrame.h"
#include "MessageBox.h"
#include "link/LinkConstants.h"
#include "transfer/TransferConstants.h"

namespace morlo::gui {

CStoreDialog::CStoreDialog(AppContext& context, QWidget* parent)
    : QDialog(parent), context_(context), id_(context.Dispatcher().Register(this)) {
    setWindowTitle(tr("参数初始化 / 保存"));
    storeControl_ = new QPushButton(tr("存储控制参数"), this);
    storeMotor_ = new QPushButton(tr("存储电机参数"), this);
    initialise_ = new QPushButton(tr("初始化控制参数"), this);
    restart_ = new QPushButton(tr("驱动器重启"), this);
    for (QPushButton* button : {storeControl_, storeMotor_, initialise_, restart_}) {
        button->setAutoDefault(false);
        button->setMinimumHeight(32);
    }
    auto* layout = new QGridLayout(this);
    layout->addWidget(storeControl_, 0, 0);
    layout->addWidget(storeMotor_, 0, 1);
    layout->addWidget(initialise_, 1, 0);
    layout->addWidget(restart_, 1, 1);

    connect(storeControl_, &QPushButton::clicked, this,
            [this] { Send(link::kCmdWrite8, transfer::kStoreControlKey, transfer::kStoreValue); });
    connect(storeMotor_, &QPushButton::clicked, this,
            [this] { Send(link::kCmdWrite8, transfer::kStoreMotorKey, transfer::kStoreValue); });
    connect(initialise_, &QPushButton::clicked, this, [this] {
        Send(link::kCmdWrite8, transfer::kStoreControlKey, transfer::kInitialiseValue);
    });
    connect(restart_, &QPushButton::clicked, this,
            [this] { Send(link::kCmdWrite16, transfer::kRestartKey, transfer::kRestartValue); });

    context_.Link().SetCyclicReadSwitch(false);
    context_.Link().SetSendRetrySwitch(false);
}

CStoreDialog::~CStoreDialog() {
    engine::ControlLink& link = context_.Link();
    link.SetCyclicReadSwitch(true);
    link.SetSendRetrySwitch(true);
    link.EndExclusive();
    context_.Dispatcher().Unregister(id_);
    if (context_.mainWindow) {
        context_.mainWindow->OnTransferClosed();
    }
}

void CStoreDialog::showEvent(QShowEvent* event) {
    context_.Link().SetExclusiveWindow(id_);
    QDialog::showEvent(event);
}

void CStoreDialog::Send(std::uint8_t command, ObjectKey key, std::int32_t value) {
    engine::ControlLink& link = context_.Link();
    if (link.LinkState() != engine::kLinkStateOpen) {
        ShowMessage(transfer::kMsgLinkNotOpen);
        return;
    }
    link.SubmitRequest(id_, command, key, value);
}

}  // namespace morlo::gui
