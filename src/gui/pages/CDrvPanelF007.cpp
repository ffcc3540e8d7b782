#include "CDrvPanelF007.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <array>
#include <limits>

#include "AppConstants.h"
#include "AppContext.h"
#include "ErrorBitLabels.h"
#include "PageConstants.h"
#include "TextFit.h"
#include "link/LinkConstants.h"
#include "text/NumberIo.h"
#include "values/ValueConversion.h"

namespace morlo::gui {
namespace {

constexpr int kRecordColumnWidth = 50;
constexpr int kCodeColumnWidth = 120;
constexpr int kTextColumnWidth = 190;
constexpr int kCodeSubIndexMask = 0x0F;
constexpr std::uint32_t kCodeMask = 0xFFFF;

ObjectKey TimeKey(int record) {
    return MakeObjectKey(page::kErrorLogFirstIndex + record, page::kErrorLogTime);
}

ObjectKey CodeKey(int record) {
    return MakeObjectKey(page::kErrorLogFirstIndex + record, page::kErrorLogCode);
}

}  // namespace

std::vector<int> ErrorLogOrder(const std::vector<QString>& times) {
    std::vector<std::int64_t> value;
    for (const QString& text : times) {
        value.push_back(
            ReadInteger(text.toStdString()).value_or(std::numeric_limits<std::int64_t>::min()));
    }
    std::vector<int> order(times.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = static_cast<int>(i);
    }
    // A selection sort: for each position the later row with the greatest time is swapped
    // in; only a strictly greater time replaces the candidate.
    for (std::size_t i = 0; i < order.size(); ++i) {
        std::size_t best = i;
        for (std::size_t j = i + 1; j < order.size(); ++j) {
            if (value[static_cast<std::size_t>(order[j])] >
                value[static_cast<std::size_t>(order[best])]) {
                best = j;
            }
        }
        std::swap(order[i], order[best]);
    }
    return order;
}

CDrvPanelF007::CDrvPanelF007(AppContext& context, QWidget* parent)
    : CPageView(context, parent), list_(new QTableWidget(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(list_);
    list_->setColumnCount(4);
    list_->setHorizontalHeaderLabels({"time", "id", "error", tr("说明")});
    list_->verticalHeader()->hide();
    list_->setShowGrid(true);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setColumnWidth(kColumnTime, 0);
    list_->setColumnHidden(kColumnTime, true);
    list_->setColumnWidth(kColumnRecord, kRecordColumnWidth);
    list_->setColumnWidth(kColumnCode, kCodeColumnWidth);
    list_->setColumnWidth(kColumnText, kTextColumnWidth);
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->setMouseTracking(true);
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
}

QString CDrvPanelF007::Text(int row, int column) const {
    const QTableWidgetItem* item = list_->item(row, column);
    return item ? item->text() : QString();
}

// ---- the read sequence ----

void CDrvPanelF007::StartSequence() {
    record_ = 0;
    lastTime_.reset();
    Read(TimeKey(0));
}

void CDrvPanelF007::Read(ObjectKey key) {
    nextKey_ = key;
    context_.Link().SubmitRequest(Id(), link::kCmdRead, key, 0);
}

void CDrvPanelF007::OnResult(const engine::Delivery& d) {
    if (d.lParam != nextKey_ || nextKey_ == 0) {
        return;  // not the answer the sequence waits for (a late one of an earlier run)
    }
    if (d.message == engine::kMsgValue) {
        Advance(d.lParam, static_cast<std::uint32_t>(d.wParam));
    } else if (d.message == engine::kMsgAbort) {
        // A refused record is left out; the records after it are still read.
        Advance(d.lParam, std::nullopt);
    }
}

void CDrvPanelF007::Advance(ObjectKey answered, std::optional<std::uint32_t> value) {
    if ((SubIndexOf(answered) & kCodeSubIndexMask) != page::kErrorLogCode) {
        lastTime_.reset();
        if (value) {
            DictionaryEntry entry;
            const bool isUnsigned = !context_.Dictionary().FindByKey(answered, entry) ||
                                    ValueConversion::IsUnsigned(entry.dataType);
            lastTime_ = isUnsigned ? static_cast<std::int64_t>(*value)
                                   : static_cast<std::int64_t>(static_cast<std::int32_t>(*value));
        }
        Read(CodeKey(record_));
        return;
    }
    if (value) {
        InsertRecord(static_cast<std::uint16_t>(*value & kCodeMask));
    }
    ++record_;
    if (record_ < page::kErrorLogRecords) {
        Read(TimeKey(record_));
        return;
    }
    nextKey_ = 0;
    SortByTimeDescending();
}

void CDrvPanelF007::InsertRecord(std::uint16_t code) {
    const int row = std::min(record_, list_->rowCount());
    list_->insertRow(row);
    const QString time = lastTime_ ? QString::fromStdString(WriteInteger(*lastTime_)) : QString();
    list_->setItem(row, kColumnTime, new QTableWidgetItem(time));
    list_->setItem(row, kColumnRecord,
                   new QTableWidgetItem(QString::fromStdString(WriteHex(record_))));
    list_->setItem(row, kColumnCode, new QTableWidgetItem(QString::fromStdString(WriteHex(code))));
    list_->setItem(row, kColumnText, new QTableWidgetItem(ErrorCodeText(code)));
    list_->setCurrentCell(row, kColumnRecord);
    list_->selectRow(row);
}

void CDrvPanelF007::SortByTimeDescending() {
    const int rows = list_->rowCount();
    std::vector<QString> times;
    std::vector<std::array<QString, 4>> texts;
    for (int row = 0; row < rows; ++row) {
        times.push_back(Text(row, kColumnTime));
        texts.push_back({Text(row, 0), Text(row, 1), Text(row, 2), Text(row, 3)});
    }
    const std::vector<int> order = ErrorLogOrder(times);
    list_->scrollToTop();
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < list_->columnCount(); ++column) {
            list_->item(row, column)
                ->setText(texts[static_cast<std::size_t>(order[static_cast<std::size_t>(row)])]
                               [static_cast<std::size_t>(column)]);
        }
    }
    if (WidenColumnsToFit(*list_)) {
        list_->setMinimumWidth(FullWidthOf(*list_));
        FitFrame();
    }
    // The newest error is the one highlighted.
    if (rows > 0) {
        list_->setCurrentCell(0, kColumnRecord);
        list_->selectRow(0);
    }
}

// ---- page state ----

void CDrvPanelF007::PageNotify(int code) {
    const bool open = context_.Link().LinkState() == engine::kLinkStateOpen;
    switch (code) {
        case notify::kShown:
            list_->setRowCount(0);
            StartSequence();
            active_ = true;
            break;
        case notify::kHidden:
            active_ = false;
            break;
        case notify::kRefresh:
            if (active_) {
                list_->setRowCount(0);
                if (open) {
                    StartSequence();
                }
            }
            break;
        default:
            break;  // the page keeps no placement record
    }
}

}  // namespace morlo::gui
