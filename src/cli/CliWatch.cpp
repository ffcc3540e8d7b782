// morloservo-cli watch --csv: the objects read at a fixed period into a CSV log.

#include "CliSession.h"
#include "link/LinkConstants.h"
#include "logging/PeriodSchedule.h"
#include "logging/ValueLog.h"
#include "text/NumberIo.h"

namespace morlo::cli {
namespace {

using namespace std::chrono_literals;
using Clock = logging::ValueLog::Clock;

constexpr const char* kVisibleString = "VISIBLE STRING";
// Longest wait for the answers of one round: three tries of the link time-out, and some room.
constexpr std::chrono::milliseconds kRoundLimit{5000};
constexpr std::chrono::milliseconds kLongestWait{20};

}  // namespace

int CliSession::WatchToCsv() {
    const WatchRequest& request = arguments_.watch;
    struct Column {
        ObjectKey key;
        DictionaryEntry entry;
        std::string unit;
    };
    std::vector<Column> columns;
    std::vector<logging::LogColumn> header;
    for (ObjectKey key : arguments_.keys) {
        Column column{key, {}, {}};
        if (!EntryAndUnit(key, column.entry, column.unit)) {
            return kExitUsage;
        }
        if (column.entry.dataType == kVisibleString) {
            err_ << "watch --csv logs numbers; " << WriteObjectAddress(key) << " is a text\n";
            return kExitUsage;
        }
        header.push_back({column.entry.name, column.unit});
        columns.push_back(std::move(column));
    }
    if (!CanWriteFile(request.csv)) {
        return kExitUsage;
    }
    logging::ValueLog log;
    const Clock::time_point start = Clock::now();
    if (!log.Open(request.csv, header, start)) {
        err_ << "cannot write " << request.csv << '\n';
        return kExitUsage;
    }
    const std::chrono::milliseconds period(request.periodMs);
    const Clock::time_point end = request.durationSeconds > 0
                                      ? start + std::chrono::seconds(request.durationSeconds)
                                      : Clock::time_point::max();

    std::vector<std::optional<std::string>> cells(columns.size());
    std::vector<bool> answered(columns.size());
    std::size_t answers = 0;
    // One read after the other, each sent when the one before has its answer: a request
    // left waiting alone in the link's queue would be held back a moment.
    std::size_t sentReads = 0;
    auto readNext = [&] {
        if (sentReads < columns.size()) {
            control_->SubmitRequest(kCommandReceiver, link::kCmdRead, columns[sentReads++].key, 0);
        }
    };
    auto answer = [&](std::size_t i, std::optional<std::string> text) {
        if (!answered[i]) {
            answered[i] = true;
            cells[i] = std::move(text);
            ++answers;
            readNext();
        }
    };
    commandHandler_ = [&](const engine::Delivery& d) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (columns[i].key != d.lParam || answered[i]) {
                continue;
            }
            if (d.message == engine::kMsgValue) {
                Show(columns[i].key, columns[i].entry, columns[i].unit,
                     static_cast<std::uint32_t>(d.wParam),
                     [&answer, i](std::optional<std::string> text) { answer(i, std::move(text)); });
            } else {
                answer(i, std::nullopt);  // refused, or no valid answer: an empty cell
            }
            return;  // one answer per request, for the first column that waits for it
        }
    };

    logging::PeriodSchedule schedule(start, period);
    std::int64_t rows = 0;
    std::int64_t missed = 0;
    int result = kExitDone;
    while (!interrupted_ && !linkFailed_) {
        const Clock::time_point deadline = schedule.CurrentDeadline();
        if (deadline >= end) {
            break;
        }
        for (Clock::time_point now = Clock::now(); now < deadline && !interrupted_;
             now = Clock::now()) {
            control_->RunPendingDeliveries(
                std::min(kLongestWait,
                         std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now)));
        }
        if (interrupted_) {
            break;
        }
        const Clock::time_point sent = Clock::now();
        answers = 0;
        std::fill(answered.begin(), answered.end(), false);
        std::fill(cells.begin(), cells.end(), std::nullopt);
        sentReads = 0;
        readNext();
        if (!WaitFor([&] { return answers >= columns.size(); }, kRoundLimit)) {
            if (!interrupted_) {
                err_ << "no answer from the drive\n";
                result = kExitLinkFailure;
            }
            break;
        }
        if (!log.WriteRow(sent, cells)) {
            err_ << "cannot write " << request.csv << '\n';
            result = kExitUsage;
            break;
        }
        ++rows;
        const auto next = schedule.Advance(Clock::now());
        if (next.missed > 0) {
            missed += next.missed;
            err_ << "missed " << next.missed << (next.missed == 1 ? " period" : " periods")
                 << " after " << log.ElapsedMilliseconds(sent) << " ms\n";
        }
    }
    commandHandler_ = nullptr;
    evaluator_->DropPending();
    err_ << rows << " rows written to " << request.csv << ", " << missed << " missed periods\n";
    return linkFailed_ ? kExitLinkFailure : result;
}

}  // namespace morlo::cli
