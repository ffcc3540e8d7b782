#include "CImportDrvData.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "AppConstants.h"
#include "AppContext.h"
#include "CMainFrame.h"
#include "transfer/TransferConstants.h"

namespace morlo::gui {
namespace {

const std::vector<TransferColumn> kColumns = {
    {"", 45, 50},        {"index", 90, 110}, {"load value", 100, 120}, {"read value", 100, 120},
    {"result", 90, 100}, {"name", 250, 300}};

}  // namespace

CImportDrvData::CImportDrvData(AppContext& context, QWidget* parent)
    : CPageView(context, parent),
      load_(MakeButton(this, tr("导入数据"), "load")),
      write_(MakeButton(this, tr("写数据"), "write")),
      compare_(MakeButton(this, tr("比较"), "compare")),
      verify_(MakeButton(this, tr("校验"), "verify")),
      store_(MakeButton(this, tr("保存参数"), "store")),
      restart_(MakeButton(this, tr("驱动器重启"), "restart")),
      saveHidden_(MakeButton(this, tr("保存结果"), "save")),
      exitHidden_(MakeButton(this, tr("退出"), "exit")),
      loadStatus_(MakeStatusLabel(this)),
      writeStatus_(MakeStatusLabel(this)),
      storeStatus_(MakeStatusLabel(this)),
      list_(MakeTransferList(this, kColumns, context.dpiX)),
      linkWatch_(MakeLinkWatch(this, context.Link(), [this] { run_.OnLinkLost(); })),
      timer_(this, [this] { run_.OnTimer(); }),
      link_(context.Link(), Id()),
      run_(context.Dictionary(), link_, timer_, *this) {
    for (QPushButton* hidden : {saveHidden_, exitHidden_}) {
        hidden->hide();
        hidden->setEnabled(false);
    }
    compare_->setToolTip(tr("读取驱动器中每一行的当前值（不写入），标出与文件不同的行"));
    verify_->setToolTip(tr("保存并重启后读回每一行，标出没有保持的行"));
    auto* runButtons = new QHBoxLayout;
    runButtons->addWidget(write_);
    runButtons->addWidget(compare_);
    runButtons->addWidget(verify_);
    auto* storeButtons = new QHBoxLayout;
    storeButtons->addWidget(store_);
    storeButtons->addWidget(restart_);
    auto* controls = new QGridLayout;
    controls->addWidget(load_, 0, 0, Qt::AlignLeft);
    controls->addWidget(loadStatus_, 0, 1);
    controls->addLayout(runButtons, 1, 0);
    controls->addWidget(writeStatus_, 1, 1);
    controls->addLayout(storeButtons, 2, 0);
    controls->addWidget(storeStatus_, 2, 1);
    controls->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(list_, 1);

    connect(load_, &QPushButton::clicked, this, &CImportDrvData::LoadFile);
    connect(write_, &QPushButton::clicked, this, &CImportDrvData::WriteAll);
    connect(compare_, &QPushButton::clicked, this, &CImportDrvData::CompareAll);
    connect(verify_, &QPushButton::clicked, this, &CImportDrvData::VerifyAll);
    connect(store_, &QPushButton::clicked, this, &CImportDrvData::StoreParameters);
    connect(restart_, &QPushButton::clicked, this, &CImportDrvData::RestartDrive);
}

void CImportDrvData::PageNotify(int code) {
    engine::ControlLink& link = context_.Link();
    if (code == notify::kShown) {
        link.SetExclusiveWindow(Id());
    } else if (code == notify::kHidden) {
        link.SetCyclicReadSwitch(true);
        link.EndExclusive();
        if (context_.mainWindow) {
            context_.mainWindow->OnTransferClosed();
        }
    }
}

void CImportDrvData::OnResult(const engine::Delivery& delivery) {
    run_.OnResult(delivery);
}

void CImportDrvData::LoadFile() {
    if (run_.Running()) {
        return;  // the rows belong to the run until it ends
    }
    loadStatus_->setText(transfer::kStatusLoadStart);
    load_->setEnabled(false);
    run_.SetDriveData({});
    FillRows();
    if (const auto bytes = ReadChosenTransferFile(context_, transfer::kDriveDataFilter,
                                                  transfer::kDriveDataTitle)) {
        run_.SetDriveData(transfer::ReadDriveDataLines(*bytes));
        FillRows();
    }
    loadStatus_->setText(transfer::kStatusLoadEnd);
    UpdateButtons();
}

void CImportDrvData::StartRows(transfer::RunKind kind) {
    switch (run_.Start(kind)) {
        case transfer::StartResult::LinkClosed:
            ShowMessage(transfer::kMsgLinkNotOpen);
            return;
        case transfer::StartResult::Busy:
            return;
        case transfer::StartResult::Started:
            break;
    }
    UpdateButtons();
}

void CImportDrvData::WriteAll() {
    StartRows(transfer::RunKind::Restore);
}

void CImportDrvData::CompareAll() {
    StartRows(transfer::RunKind::Compare);
}

void CImportDrvData::VerifyAll() {
    if (run_.Busy()) {
        return;
    }
    writeStatus_->setText(tr("等待驱动器..."));
    StartRows(transfer::RunKind::Verify);
}

void CImportDrvData::RowsStarted(transfer::RunKind kind) {
    switch (kind) {
        case transfer::RunKind::Restore:
            writeStatus_->setText(transfer::kStatusWriteStart);
            break;
        case transfer::RunKind::Compare:
            writeStatus_->setText(tr("开始比较数据..."));
            break;
        case transfer::RunKind::Verify:
            writeStatus_->setText(tr("开始校验数据..."));
            break;
        case transfer::RunKind::Backup:
            break;
    }
    UpdateButtons();
}

void CImportDrvData::StoreParameters() {
    switch (run_.StartStore()) {
        case transfer::StartResult::LinkClosed:
            ShowMessage(transfer::kMsgLinkNotOpen);
            return;
        case transfer::StartResult::Busy:
            return;
        case transfer::StartResult::Started:
            break;
    }
    storeStatus_->setText(transfer::kStatusStoreStart);
    UpdateButtons();
}

void CImportDrvData::RestartDrive() {
    if (run_.Restart() == transfer::StartResult::LinkClosed) {
        ShowMessage(transfer::kMsgLinkNotOpen);
    }
}

void CImportDrvData::FillRows() {
    list_->setRowCount(0);
    list_->setRowCount(static_cast<int>(run_.Rows().size()));
    for (int row = 0; row < list_->rowCount(); ++row) {
        RowChanged(row);
    }
}

void CImportDrvData::RowChanged(int row) {
    const transfer::TransferRow& data = run_.Rows().at(static_cast<std::size_t>(row));
    ShowTransferRow(list_, row,
                    {QString::number(row + 1), QString::fromStdString(data.keyText),
                     QString::fromStdString(data.loadValue), ShownValueText(data),
                     QString::fromStdString(std::string(ResultText(data.result))),
                     QString::fromStdString(data.name)},
                    data.result);
}

void CImportDrvData::RunFinished(transfer::RunKind kind, const transfer::RunCounts& counts,
                                 bool noAnswer) {
    writeStatus_->setText(QString::fromStdString(transfer::FinishText(kind, counts)));
    UpdateButtons();
    if (noAnswer) {
        ShowMessage(tr("驱动器无应答，传输已停止。"));
    }
}

void CImportDrvData::StoreFinished(transfer::StoreOutcome outcome) {
    switch (outcome) {
        case transfer::StoreOutcome::Done:
            storeStatus_->setText(transfer::kStatusStoreEnd);
            break;
        case transfer::StoreOutcome::Refused:
            storeStatus_->setText(tr("驱动器拒绝保存参数!"));
            break;
        case transfer::StoreOutcome::NoAnswer:
            storeStatus_->setText(tr("驱动器无应答!"));
            break;
    }
    UpdateButtons();
}

void CImportDrvData::UpdateButtons() {
    const bool idle = !run_.Busy();
    WatchLink(linkWatch_, !idle);
    for (QPushButton* button : {load_, write_, compare_, verify_, store_, restart_}) {
        button->setEnabled(idle);
    }
}

}  // namespace morlo::gui
