#include "CExportDrvData.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "AppConstants.h"
#include "AppContext.h"
#include "FsPath.h"
#include "text/Encoding.h"
#include "transfer/DriveDataSidecar.h"
#include "transfer/TransferConstants.h"

namespace morlo::gui {
namespace {

const std::vector<TransferColumn> kColumns = {{"", 45, 50},       {"index", 85, 105},
                                              {"value", 95, 110}, {"result", 60, 75},
                                              {"name", 250, 300}, kNoteColumn};

}  // namespace

CExportDrvData::CExportDrvData(AppContext& context, QWidget* parent)
    : CPageView(context, parent),
      load_(MakeButton(this, tr("导入数据"), "load")),
      read_(MakeButton(this, tr("读数据"), "read")),
      save_(MakeButton(this, tr("保存结果"), "save")),
      exit_(MakeButton(this, tr("退出"), "exit")),
      loadStatus_(MakeStatusLabel(this)),
      readStatus_(MakeStatusLabel(this)),
      saveStatus_(MakeStatusLabel(this)),
      list_(MakeTransferList(this, kColumns, context.dpiX)),
      linkWatch_(MakeLinkWatch(this, context.Link(), [this] { run_.OnLinkLost(); })),
      timer_(this, [this] { run_.OnTimer(); }),
      link_(context.Link(), Id()),
      run_(context.Dictionary(), link_, timer_, *this) {
    exit_->hide();
    exit_->setEnabled(false);
    auto* controls = new QGridLayout;
    controls->addWidget(load_, 0, 0);
    controls->addWidget(loadStatus_, 0, 1);
    controls->addWidget(read_, 1, 0);
    controls->addWidget(readStatus_, 1, 1);
    controls->addWidget(save_, 2, 0);
    controls->addWidget(saveStatus_, 2, 1);
    controls->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(list_, 1);

    connect(load_, &QPushButton::clicked, this, &CExportDrvData::LoadList);
    connect(read_, &QPushButton::clicked, this, &CExportDrvData::ReadAll);
    connect(save_, &QPushButton::clicked, this, &CExportDrvData::SaveResults);
}

void CExportDrvData::PageNotify(int code) {
    engine::ControlLink& link = context_.Link();
    if (code == notify::kShown) {
        link.SetExclusiveWindow(Id());
    } else if (code == notify::kHidden) {
        link.EndExclusive();
        link.SetCyclicReadSwitch(true);
    }
}

void CExportDrvData::OnResult(const engine::Delivery& delivery) {
    run_.OnResult(delivery);
}

void CExportDrvData::LoadList() {
    if (run_.Busy()) {
        return;  // the rows belong to the run until it ends
    }
    loadStatus_->setText(transfer::kStatusLoadStart);
    load_->setEnabled(false);
    run_.SetObjectList({});
    FillRows();
    QString chosen;
    const auto bytes = ReadChosenTransferFile(context_, transfer::kObjectListFilter,
                                              transfer::kObjectListTitle, &chosen);
    std::vector<std::uint32_t> list;
    if (bytes) {
        list = transfer::ReadObjectList(*bytes);
        if (list.empty()) {
            // An empty list would give an empty backup that looks like a good one.
            ShowMessage(QString::fromStdString(PathUtf8(FsPath(chosen))) +
                        transfer::kMsgNoUsableRow + "!!");
        }
    }
    run_.SetObjectList(list);
    FillRows();
    // "finish" only when a list was loaded; otherwise the status goes back to idle.
    loadStatus_->setText(list.empty() ? transfer::kStatusIdle : transfer::kStatusLoadEnd);
    UpdateButtons();
}

void CExportDrvData::ReadAll() {
    if (run_.Busy()) {
        return;
    }
    // The drive's identity first, for the file's description; the rows follow.
    if (!RunStarted(run_.ReadIdentity())) {
        return;
    }
    readStatus_->setText(transfer::kStatusReadStart);
    UpdateButtons();
}

void CExportDrvData::IdentityRead(const transfer::DriveIdentity&, bool noAnswer) {
    if (noAnswer) {
        context_.Link().SetCyclicReadSwitch(true);  // no run follows
        readStatus_->setText(transfer::kStatusIdle);
        UpdateButtons();
        ShowMessage(tr("驱动器无应答，传输已停止。"));
        return;
    }
    readDate_ = NowText();
    if (run_.Start(transfer::RunKind::Backup) == transfer::StartResult::LinkClosed) {
        readStatus_->setText(transfer::kStatusIdle);
        ShowMessage(transfer::kMsgLinkNotOpen);
    }
    UpdateButtons();
}

void CExportDrvData::SaveResults() {
    if (run_.Busy()) {
        return;  // the rows are not complete yet
    }
    const auto& rows = run_.Rows();
    const auto unread = std::count_if(rows.begin(), rows.end(), [](const auto& row) {
        return row.result == transfer::RowResult::None || row.note == transfer::RowNote::NoAnswer;
    });
    if (unread > 0 &&
        !AskQuestion(
            tr("%2行中有%1行没有从驱动器读出。仍然保存吗？").arg(unread).arg(rows.size()))) {
        return;
    }
    QString extension;
    const QString chosen =
        ChooseTransferFile(context_, true, {transfer::kDriveDataFilter, transfer::kTextFilter},
                           transfer::kSaveTitle, &extension);
    if (chosen.isEmpty()) {
        return;
    }
    const std::filesystem::path target = transfer::SavePathFor(
        FsPath(chosen), transfer::ChosenExtension(FsPath(chosen), extension.toStdString()));
    save_->setEnabled(false);
    saveStatus_->setText(transfer::kStatusSaveStart);
    transfer::DriveDataSidecar sidecar;
    const LinkDescription link = DescribeLink(context_);
    sidecar.date = readDate_;
    sidecar.link = link.text;
    sidecar.node = link.node;
    sidecar.identity = run_.Identity();
    sidecar.rows = transfer::DescribeRows(rows, context_.Dictionary(), context_.Units());
    const bool written = transfer::WriteFileReplacing(target, transfer::WriteDriveDataText(rows)) &&
                         transfer::WriteFileReplacing(transfer::SidecarPathOf(target),
                                                      transfer::WriteSidecarText(sidecar));
    save_->setEnabled(true);  // a failed save may be tried again
    if (!written) {
        saveStatus_->setText(transfer::kStatusIdle);
        ShowMessage(transfer::kMsgOpenFileFailed);
        return;
    }
    saveStatus_->setText(transfer::kStatusSaveEnd);
}

void CExportDrvData::FillRows() {
    list_->setRowCount(0);
    list_->setRowCount(static_cast<int>(run_.Rows().size()));
    for (int row = 0; row < list_->rowCount(); ++row) {
        RowChanged(row);
    }
}

void CExportDrvData::RowChanged(int row) {
    const transfer::TransferRow& data = run_.Rows().at(static_cast<std::size_t>(row));
    ShowTransferRow(
        list_, row,
        {QString::number(row + 1), QString::fromStdString(data.keyText), ShownValueText(data),
         QString::fromStdString(std::string(ResultText(data.result))),
         QString::fromStdString(data.name), data.value.empty() ? QString() : NoteTextOf(data)},
        data.result, NoteTextOf(data));
}

void CExportDrvData::RunFinished(transfer::RunKind kind, const transfer::RunCounts& counts,
                                 bool noAnswer) {
    readStatus_->setText(QString::fromStdString(transfer::FinishText(kind, counts)));
    UpdateButtons();
    if (noAnswer) {
        ShowMessage(tr("驱动器无应答，传输已停止。"));
    }
}

void CExportDrvData::UpdateButtons() {
    const bool idle = !run_.Busy();
    WatchLink(linkWatch_, !idle);
    load_->setEnabled(idle);
    read_->setEnabled(idle);
    save_->setEnabled(idle);
}

}  // namespace morlo::gui
