#include "CImportDrvData.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "AppConstants.h"
#include "AppContext.h"
#include "CMainFrame.h"
#include "FsPath.h"
#include "link/AbortCode.h"
#include "text/Encoding.h"
#include "transfer/TransferConstants.h"

namespace morlo::gui {
namespace {

const std::vector<TransferColumn> kColumns = {{"", 45, 50},
                                              {"index", 90, 110},
                                              {"load value", 100, 120},
                                              {"read value", 100, 120},
                                              {"result", 90, 100},
                                              {"name", 250, 300},
                                              kNoteColumn};

QString AbortText(std::uint32_t code) {
    return QString("%1 %2")
        .arg(QString::fromStdString(transfer::FormatAbortCode(code)))
        .arg(QString::fromLatin1(link::AbortCodeText(code).data()));
}

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
      differencesOnly_(new QCheckBox(tr("只显示不同的行"), this)),
      loadStatus_(MakeStatusLabel(this)),
      writeStatus_(MakeStatusLabel(this)),
      storeStatus_(MakeStatusLabel(this)),
      list_(MakeTransferList(this, kColumns, context.dpiX)),
      linkWatch_(MakeLinkWatch(this, context.Link(), [this] { LinkLost(); })),
      timer_(this, [this] { run_.OnTimer(); }),
      link_(context.Link(), Id()),
      run_(context.Dictionary(), link_, timer_, *this) {
    for (QPushButton* hidden : {saveHidden_, exitHidden_}) {
        hidden->hide();
        hidden->setEnabled(false);
    }
    compare_->setToolTip(tr("读取驱动器中每一行的当前值（不写入），标出与文件不同的行"));
    verify_->setToolTip(tr("保存并重启后读回每一行，标出没有保持的行"));
    differencesOnly_->setObjectName("differencesOnly");
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
    controls->addWidget(differencesOnly_, 3, 0, 1, 2);
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
    connect(differencesOnly_, &QCheckBox::toggled, this, &CImportDrvData::ShowDifferencesOnly);
}

void CImportDrvData::PageNotify(int code) {
    engine::ControlLink& link = context_.Link();
    if (code == notify::kShown) {
        link.SetExclusiveWindow(Id());
    } else if (code == notify::kHidden) {
        link.SetCyclicReadSwitch(true);
        if (!run_.Running()) {
            link.SetSendRetrySwitch(true);  // a restart without its verify leaves them off
        }
        link.EndExclusive();
        UpdateButtons();
        if (context_.mainWindow) {
            context_.mainWindow->OnTransferClosed();
        }
    }
}

void CImportDrvData::OnResult(const engine::Delivery& delivery) {
    run_.OnResult(delivery);
}

void CImportDrvData::LinkLost() {
    run_.OnLinkLost();
    context_.Link().SetSendRetrySwitch(true);  // a new link starts with its retries
    UpdateButtons();
}

QString CImportDrvData::FileName() const {
    return QString::fromStdString(PathUtf8(file_));
}

void CImportDrvData::LoadFile() {
    if (run_.Busy()) {
        return;  // the rows belong to the run until it ends
    }
    loadStatus_->setText(transfer::kStatusLoadStart);
    load_->setEnabled(false);
    run_.SetDriveData({});
    file_.clear();
    sidecar_.reset();
    FillRows();
    const QString chosen = ChooseTransferFile(context_, false, {transfer::kDriveDataFilter},
                                              transfer::kDriveDataTitle);
    std::string bytes;
    if (!chosen.isEmpty() && !transfer::ReadFileBytes(FsPath(chosen), bytes)) {
        ShowMessage(transfer::kMsgOpenFileFailed);
    } else if (!chosen.isEmpty()) {
        const auto lines = transfer::ReadDriveDataLines(bytes);
        if (!transfer::HasUsableLine(lines)) {
            // An empty file, an object list or anything else: nothing to write or compare.
            ShowMessage(QString::fromStdString(PathUtf8(FsPath(chosen))) +
                        transfer::kMsgNoUsableRow + "!!");
        } else {
            file_ = FsPath(chosen);
            run_.SetDriveData(lines);
            std::string described;
            if (transfer::ReadFileBytes(transfer::SidecarPathOf(file_), described)) {
                sidecar_ = transfer::ReadSidecarText(described);
            }
            FillRows();
        }
    }
    // "finish" only when a file was loaded; otherwise the status goes back to idle.
    loadStatus_->setText(file_.empty() ? transfer::kStatusIdle : transfer::kStatusLoadEnd);
    UpdateButtons();
}

bool CImportDrvData::HasUsableRows() {
    if (file_.empty()) {
        ShowMessage(tr("没有装入数据文件!"));
        return false;
    }
    return true;  // a file is loaded only when it holds a usable row
}

void CImportDrvData::StartRows(transfer::RunKind kind) {
    if (run_.Busy() || !HasUsableRows()) {
        return;
    }
    if (!sidecar_) {
        StartChecked(kind);
        return;
    }
    if (!RunStarted(run_.ReadIdentity())) {
        return;
    }
    checking_ = kind;
    writeStatus_->setText(tr("读取驱动器标识..."));
    UpdateButtons();
}

void CImportDrvData::IdentityRead(const transfer::DriveIdentity&, bool noAnswer) {
    const std::optional<transfer::RunKind> kind = checking_;
    checking_.reset();
    if (!kind) {
        return;
    }
    if (noAnswer) {
        context_.Link().SetCyclicReadSwitch(true);  // no run follows
        writeStatus_->setText(transfer::kStatusIdle);
        UpdateButtons();
        ShowMessage(tr("驱动器无应答，传输已停止。"));
        return;
    }
    // A question may be asked: not while the link waits for this handler.
    QTimer::singleShot(0, this, [this, kind] { SameDriveOrAsk(*kind); });
}

void CImportDrvData::SameDriveOrAsk(transfer::RunKind kind) {
    const auto differences = transfer::IdentityDifferences(sidecar_->identity, run_.Identity());
    if (!differences.empty()) {
        const QString text =
            tr("%1 保存自另一个驱动器：\n%2")
                .arg(FileName())
                .arg(QString::fromStdString(transfer::DescribeDifferences(differences)));
        if (kind == transfer::RunKind::Restore) {
            if (!AskQuestion(text + tr("\n仍然写入这个驱动器吗？"))) {
                context_.Link().SetCyclicReadSwitch(true);  // no run follows
                writeStatus_->setText(transfer::kStatusIdle);
                UpdateButtons();
                return;
            }
        } else {
            ShowMessage(text, QMessageBox::Information);
        }
    }
    StartChecked(kind);
}

void CImportDrvData::StartChecked(transfer::RunKind kind) {
    RunStarted(run_.Start(kind));
    UpdateButtons();
}

void CImportDrvData::WriteAll() {
    StartRows(transfer::RunKind::Restore);
}

void CImportDrvData::CompareAll() {
    StartRows(transfer::RunKind::Compare);
}

void CImportDrvData::VerifyAll() {
    if (run_.Busy() || !HasUsableRows()) {
        return;
    }
    writeStatus_->setText(tr("等待驱动器..."));
    StartChecked(transfer::RunKind::Verify);
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
    if (run_.Busy()) {
        return;
    }
    // A partial set becomes permanent only when the user says so.
    if (writeIncomplete_ && context_.Link().LinkState() == engine::kLinkStateOpen) {
        const transfer::RunCounts counts = run_.Counts();
        if (!AskQuestion(tr("上次写入后%2行中有%1行不是True。仍然保存参数吗？")
                             .arg(counts.alarms + counts.errors)
                             .arg(counts.total))) {
            return;
        }
    }
    if (!RunStarted(run_.StartStore())) {
        return;
    }
    storeStatus_->setText(transfer::kStatusStoreStart);
    UpdateButtons();
}

void CImportDrvData::RestartDrive() {
    if (run_.Restart() == transfer::StartResult::LinkClosed) {
        ShowMessage(transfer::kMsgLinkNotOpen);
    }
    UpdateButtons();  // watches the link while the retries are off
}

void CImportDrvData::ShowDifferencesOnly(bool on) {
    for (int row = 0; row < list_->rowCount(); ++row) {
        const auto& data = run_.Rows().at(static_cast<std::size_t>(row));
        list_->setRowHidden(row, on && data.result == transfer::RowResult::True);
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
    ShowTransferRow(
        list_, row,
        {QString::number(row + 1), QString::fromStdString(data.keyText),
         QString::fromStdString(data.loadValue), ShownValueText(data),
         QString::fromStdString(std::string(ResultText(data.result))),
         QString::fromStdString(data.name), data.value.empty() ? QString() : NoteTextOf(data)},
        data.result, NoteTextOf(data));
    list_->setRowHidden(row,
                        differencesOnly_->isChecked() && data.result == transfer::RowResult::True);
}

void CImportDrvData::RunFinished(transfer::RunKind kind, const transfer::RunCounts& counts,
                                 bool noAnswer) {
    writeStatus_->setText(QString::fromStdString(transfer::FinishText(kind, counts)));
    if (kind == transfer::RunKind::Restore) {
        writeIncomplete_ = noAnswer || counts.alarms + counts.errors > 0;
    }
    UpdateButtons();
    if (noAnswer) {
        ShowMessage(tr("驱动器无应答，传输已停止。"));
    } else if (sidecar_ && kind != transfer::RunKind::Verify) {
        ShowRefusedRows();
    }
}

void CImportDrvData::ShowRefusedRows() {
    const auto refused = transfer::RefusedRows(run_.Rows(), &*sidecar_);
    if (refused.empty()) {
        return;
    }
    QString table = tr("驱动器没有或拒绝的行：");
    for (const transfer::RefusedRow& row : refused) {
        table += QString("\n%1  %2  %3  %4  %5")
                     .arg(QString::fromStdString(row.keyText), QString::fromStdString(row.name),
                          QString::fromStdString(row.dataType), QString::fromStdString(row.unit),
                          QString::fromStdString(row.reason));
    }
    ShowMessage(table, QMessageBox::Information);
}

void CImportDrvData::CommandFinished(transfer::DriveCommand command,
                                     const transfer::CommandResult& result) {
    if (command == transfer::DriveCommand::Restart) {
        UpdateButtons();
        ShowMessage(tr("驱动器拒绝重启: %1").arg(AbortText(result.abortCode)));
        return;
    }
    switch (result.outcome) {
        case transfer::StoreOutcome::Done:
            storeStatus_->setText(transfer::kStatusStoreEnd);
            break;
        case transfer::StoreOutcome::Refused: {
            const QString text = tr("驱动器拒绝保存参数: %1").arg(AbortText(result.abortCode));
            storeStatus_->setText(text);
            ShowMessage(text);
            break;
        }
        case transfer::StoreOutcome::NoAnswer:
            storeStatus_->setText(tr("驱动器无应答!"));
            break;
    }
    UpdateButtons();
}

void CImportDrvData::UpdateButtons() {
    const bool idle = !run_.Busy();
    WatchLink(linkWatch_, !idle || !context_.Link().SendRetrySwitch());
    for (QPushButton* button : {load_, write_, compare_, verify_, store_, restart_}) {
        button->setEnabled(idle);
    }
}

}  // namespace morlo::gui
