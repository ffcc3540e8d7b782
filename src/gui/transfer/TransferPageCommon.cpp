#include "TransferPageCommon.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTimer>

#include "AppConstants.h"
#include "AppContext.h"
#include "CChildFrame.h"
#include "CMainFrame.h"
#include "FsPath.h"
#include "MessageBox.h"
#include "TextFit.h"
#include "link/AbortCode.h"
#include "link/LinkConstants.h"
#include "profile/Profile.h"
#include "transfer/DriveDataFiles.h"
#include "transfer/DriveDataKey.h"
#include "transfer/DriveValueText.h"
#include "transfer/TransferConstants.h"

namespace morlo::gui {
namespace {

constexpr int kStandardDpi = 96;
constexpr int kLinkWatchMs = 200;
const QColor kFailColour(255, 0, 0);
const QColor kAlarmColour(255, 255, 0);

// The extension a filter such as "Files(*.cdi)" stands for.
QString FilterExtension(const QString& filter) {
    const auto match = QRegularExpression(R"(\*\.(\w+))").match(filter);
    return match.hasMatch() ? match.captured(1) : QString();
}

}  // namespace

QtTransferTimer::QtTransferTimer(QWidget* owner, std::function<void()> fire)
    : timer_(new QTimer(owner)) {
    timer_->setSingleShot(true);
    QObject::connect(timer_, &QTimer::timeout, owner, std::move(fire));
}

void QtTransferTimer::Start(std::chrono::milliseconds delay) {
    timer_->start(delay);
}

void QtTransferTimer::Stop() {
    timer_->stop();
}

bool QtTransferTimer::Pending() const {
    return timer_->isActive();
}

QTimer* MakeLinkWatch(QWidget* owner, const engine::ControlLink& link, std::function<void()> lost) {
    auto* watch = new QTimer(owner);
    watch->setInterval(kLinkWatchMs);
    QObject::connect(watch, &QTimer::timeout, owner, [&link, lost = std::move(lost)] {
        if (link.LinkState() != engine::kLinkStateOpen) {
            lost();
        }
    });
    return watch;
}

void WatchLink(QTimer* watch, bool on) {
    if (on && !watch->isActive()) {
        watch->start();
    } else if (!on) {
        watch->stop();
    }
}

QTableWidget* MakeTransferList(QWidget* parent, const std::vector<TransferColumn>& columns,
                               int dpi) {
    auto* list = new QTableWidget(parent);
    list->setObjectName("list");
    list->setColumnCount(static_cast<int>(columns.size()));
    QStringList captions;
    for (const TransferColumn& column : columns) {
        captions << QString::fromLatin1(column.caption);
    }
    list->setHorizontalHeaderLabels(captions);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        const TransferColumn& column = columns[static_cast<std::size_t>(i)];
        list->setColumnWidth(i, dpi == kStandardDpi ? column.width96 : column.widthOther);
    }
    list->verticalHeader()->hide();
    list->setShowGrid(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->horizontalHeader()->setHighlightSections(false);
    // Every column whole, without scrolling sideways.
    WidenColumnsToFit(*list);
    list->setMinimumWidth(FullWidthOf(*list));
    return list;
}

void ShowTransferRow(QTableWidget* list, int row, const QStringList& cells,
                     transfer::RowResult result, const QString& note) {
    if (row >= list->rowCount()) {
        list->setRowCount(row + 1);
    }
    for (int column = 0; column < cells.size(); ++column) {
        QTableWidgetItem* item = list->item(row, column);
        if (!item) {
            item = new QTableWidgetItem;
            list->setItem(row, column, item);
        }
        item->setText(cells[column]);
        item->setToolTip(note);
        if (result == transfer::RowResult::Fail) {
            item->setBackground(kFailColour);
        } else if (result == transfer::RowResult::Alarm) {
            item->setBackground(kAlarmColour);
        } else {
            item->setBackground(QBrush());
        }
    }
    if (WidenColumnsToFit(*list, row, row)) {
        list->setMinimumWidth(FullWidthOf(*list));
        FitFrameAround(list);
    }
}

const TransferColumn kNoteColumn = {"note", 240, 280};

QString NoteTextOf(const transfer::TransferRow& row) {
    const QString arg = QString::fromStdString(row.noteArg);
    const int keyBits = transfer::KeySizeBits(row.key);
    switch (row.note) {
        case transfer::RowNote::BadSize:
            return QCoreApplication::translate("TransferNote", "长度不是8/16/32位");
        case transfer::RowNote::KeySizeDiffers:
            return QCoreApplication::translate("TransferNote", "列表中为%1位，对象为%2")
                .arg(keyBits)
                .arg(arg);
        case transfer::RowNote::EmptyValue:
            return QCoreApplication::translate("TransferNote", "无数值");
        case transfer::RowNote::UnreadableValue:
            return QCoreApplication::translate("TransferNote", "不是数字");
        case transfer::RowNote::DoesNotFit:
            return QCoreApplication::translate("TransferNote", "数值超出%1的范围").arg(arg);
        case transfer::RowNote::AnswerSizeDiffers:
            return QCoreApplication::translate("TransferNote", "驱动器应答%1位，列表中为%2位")
                .arg(arg)
                .arg(keyBits);
        case transfer::RowNote::DriveValueDoesNotFit:
            return QCoreApplication::translate("TransferNote", "驱动器的数值超出%1的范围").arg(arg);
        case transfer::RowNote::Refused:
            return QCoreApplication::translate("TransferNote", "驱动器拒绝：%1 (%2)")
                .arg(QString::fromLatin1(link::AbortCodeText(row.abortCode).data()))
                .arg(QString::fromStdString(transfer::FormatAbortCode(row.abortCode)));
        case transfer::RowNote::NoAnswer:
            return QCoreApplication::translate("TransferNote", "无应答");
        case transfer::RowNote::None:
            break;
    }
    return QString();
}

QString ShownValueText(const transfer::TransferRow& row) {
    return row.value.empty() ? NoteTextOf(row) : QString::fromStdString(row.value);
}

bool RunStarted(transfer::StartResult result) {
    if (result == transfer::StartResult::LinkClosed) {
        ShowMessage(transfer::kMsgLinkNotOpen);
    }
    return result == transfer::StartResult::Started;
}

bool AskQuestion(const QString& text) {
    AppContext* context = AppContext::Instance();
    if (context && context->questionInterceptor) {
        return context->questionInterceptor(text);
    }
    QWidget* parent = context ? context->mainWindow.data() : nullptr;
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kAppTitle), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

LinkDescription DescribeLink(AppContext& context) {
    constexpr const char* kLinkTextPrefix = "Comm Status:";
    constexpr std::size_t kSettingBuffer = 32;
    QString text = context.preparedLinkText;
    if (text.startsWith(kLinkTextPrefix)) {
        text = text.mid(static_cast<int>(qstrlen(kLinkTextPrefix)));
    }
    LinkDescription link;
    link.text = text.simplified().toStdString();
    const std::filesystem::path sysIni = FsPath(context.sysIniPath);
    switch (context.linkType) {
        case link::kLinkTypeSerial:
            link.node = context.lastSerialOpen.valid
                            ? context.lastSerialOpen.nodeId
                            : Profile::ReadInt(sysIni, "com", "driverid", kSettingBuffer);
            break;
        case link::kLinkTypeCan:
            link.node = context.lastCanOpen.valid
                            ? context.lastCanOpen.nodeId
                            : Profile::ReadInt(sysIni, "can", "driverid", kSettingBuffer);
            break;
        default:
            link.node = 1;  // the simulated drive
            break;
    }
    return link;
}

std::string NowText() {
    return QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss").toStdString();
}

QLabel* MakeStatusLabel(QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(transfer::kStatusIdle), parent);
    label->setMinimumWidth(220);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, const char* objectName) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    return button;
}

QString ChooseTransferFile(AppContext& context, bool save, const QStringList& filters,
                           const QString& title, QString* filterExtension) {
    QString proposal = context.workDir;
    if (QDir(context.userDir).exists()) {
        proposal = context.userDir + transfer::kProposalName;
    }
    if (context.fileChooser) {
        if (filterExtension) {
            *filterExtension = FilterExtension(filters.value(0));
        }
        return context.fileChooser(save, proposal, filters.join(";;"), title);
    }
    QFileDialog dialog(context.mainWindow.data(), title, proposal);
    dialog.setNameFilters(filters);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    if (filterExtension) {
        *filterExtension = FilterExtension(dialog.selectedNameFilter());
    }
    return dialog.selectedFiles().first();
}

std::optional<std::string> ReadChosenTransferFile(AppContext& context, const QString& filter,
                                                  const QString& title, QString* chosenPath) {
    const QString chosen = ChooseTransferFile(context, false, {filter}, title);
    if (chosenPath) {
        *chosenPath = chosen;
    }
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    std::string bytes;
    if (!transfer::ReadFileBytes(FsPath(chosen), bytes)) {
        ShowMessage(transfer::kMsgOpenFileFailed);
        return std::nullopt;
    }
    return bytes;
}

}  // namespace morlo::gui
