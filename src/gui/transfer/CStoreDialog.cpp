#include "CStoreDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "AppContext.h"
#include "CMainFrame.h"
#include "MessageBox.h"
#include "link/AbortCode.h"
#include "text/NumberIo.h"
#include "transfer/TransferConstants.h"

namespace morlo::gui {
namespace {

constexpr int kButtonHeight = 32;

}  // namespace

CStoreDialog::CStoreDialog(AppContext& context, QWidget* parent)
    : QDialog(parent),
      context_(context),
      id_(context.Dispatcher().Register(this)),
      storeControl_(new QPushButton(tr("存储控制参数"), this)),
      storeMotor_(new QPushButton(tr("存储电机参数"), this)),
      initialise_(new QPushButton(tr("初始化控制参数"), this)),
      restart_(new QPushButton(tr("驱动器重启"), this)),
      status_(MakeStatusLabel(this)),
      timer_(this, [this] { run_.OnTimer(); }),
      link_(context.Link(), id_),
      run_(context.Dictionary(), link_, timer_, *this) {
    setWindowTitle(tr("参数初始化 / 保存"));
    for (QPushButton* button : {storeControl_, storeMotor_, initialise_, restart_}) {
        button->setAutoDefault(false);
        button->setMinimumHeight(kButtonHeight);
    }
    status_->setWordWrap(true);
    auto* layout = new QGridLayout(this);
    layout->addWidget(storeControl_, 0, 0);
    layout->addWidget(storeMotor_, 0, 1);
    layout->addWidget(initialise_, 1, 0);
    layout->addWidget(restart_, 1, 1);
    layout->addWidget(status_, 2, 0, 1, 2);

    using transfer::DriveCommand;
    connect(storeControl_, &QPushButton::clicked, this,
            [this] { Send(DriveCommand::StoreControl); });
    connect(storeMotor_, &QPushButton::clicked, this, [this] { Send(DriveCommand::StoreMotor); });
    connect(initialise_, &QPushButton::clicked, this, [this] { Send(DriveCommand::Initialise); });
    connect(restart_, &QPushButton::clicked, this, [this] { Send(DriveCommand::Restart); });

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

void CStoreDialog::Send(transfer::DriveCommand command) {
    if (!RunStarted(run_.StartCommand(command))) {
        return;
    }
    status_->setText(command == transfer::DriveCommand::Restart ? tr("驱动器重启...")
                                                                : transfer::kStatusStoreStart);
    UpdateButtons();
}

void CStoreDialog::CommandFinished(transfer::DriveCommand, const transfer::CommandResult& result) {
    switch (result.outcome) {
        case transfer::StoreOutcome::Done:
            status_->setText(transfer::kStatusStoreEnd);
            break;
        case transfer::StoreOutcome::Refused: {
            const QString text =
                tr("驱动器拒绝: %1 %2 %3")
                    .arg(QString::fromStdString(WriteObjectAddress(result.key)))
                    .arg(QString::fromStdString(transfer::FormatAbortCode(result.abortCode)))
                    .arg(QString::fromLatin1(link::AbortCodeText(result.abortCode).data()));
            status_->setText(text);
            ShowMessage(text, QMessageBox::Warning, this);
            break;
        }
        case transfer::StoreOutcome::NoAnswer:
            status_->setText(tr("驱动器无应答!"));
            break;
    }
    UpdateButtons();
}

void CStoreDialog::UpdateButtons() {
    for (QPushButton* button : {storeControl_, storeMotor_, initialise_, restart_}) {
        button->setEnabled(!run_.Storing());
    }
}

}  // namespace morlo::gui
