// The drive-data commands: backup, restore and compare, on the core's drive-data run.

#include <algorithm>
#include <filesystem>

#include "CliSession.h"
#include "text/Encoding.h"
#include "text/NumberIo.h"
#include "transfer/DriveDataRun.h"
#include "transfer/TransferConstants.h"

namespace morlo::cli {
namespace {

using namespace std::chrono_literals;
using transfer::RunKind;

constexpr std::chrono::milliseconds kLongestWait{20};

}  // namespace

// The command-line face of a run: its link, its timer (a deadline this thread checks) and the
// receiver of its events.
struct CliSession::TransferFace final : transfer::TransferLink,
                                        transfer::TransferTimer,
                                        transfer::TransferEvents {
    explicit TransferFace(CliSession& owner)
        : session(owner),
          control(*owner.control_, kCommandReceiver),
          run(owner.dictionary_, *this, *this, *this) {}

    bool IsOpen() const override { return control.IsOpen(); }
    void Submit(std::uint8_t command, ObjectKey key, std::int32_t value) override {
        control.Submit(command, key, value);
    }
    void SetCyclicReads(bool on) override { control.SetCyclicReads(on); }
    void SetSendRetry(bool on) override { control.SetSendRetry(on); }
    bool SendRetry() const override { return control.SendRetry(); }
    void SegmentData(std::array<std::uint8_t, link::kSegmentDataBytes>& data, int& count,
                     bool& last) override {
        control.SegmentData(data, count, last);
    }
    // The tool sees every frame, so it knows when a write was refused.
    std::optional<std::uint32_t> TakeWriteRefusal() override {
        const std::uint32_t code = session.refusedWrite_.exchange(0);
        return code != 0 ? std::optional<std::uint32_t>(code) : std::nullopt;
    }

    void Start(std::chrono::milliseconds delay) override {
        deadline = std::chrono::steady_clock::now() + delay;
    }
    void Stop() override { deadline.reset(); }

    void RowChanged(int) override {}
    void RunFinished(RunKind, const transfer::RunCounts& runCounts, bool noAnswer) override {
        finished = true;
        counts = runCounts;
        unanswered = noAnswer;
    }
    void StoreFinished(transfer::StoreOutcome outcome) override { store = outcome; }

    CliSession& session;
    transfer::ControlLinkTransfer control;
    std::optional<std::chrono::steady_clock::time_point> deadline;
    bool finished = false;
    transfer::RunCounts counts;
    bool unanswered = false;
    std::optional<transfer::StoreOutcome> store;
    transfer::DriveDataRun run;  // last: it uses the members above
};

bool CliSession::Drive(TransferFace& face, const std::function<bool()>& done) {
    commandHandler_ = [&face](const engine::Delivery& d) { face.run.OnResult(d); };
    bool completed = true;
    while (!done()) {
        if (interrupted_) {
            completed = false;
            break;
        }
        if (linkFailed_) {
            face.run.OnLinkLost();
            if (!done()) {
                completed = false;
                break;
            }
            continue;
        }
        std::chrono::milliseconds wait = kLongestWait;
        if (face.deadline) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                *face.deadline - std::chrono::steady_clock::now());
            wait = std::clamp(left, 0ms, kLongestWait);
        }
        control_->RunPendingDeliveries(wait);
        if (face.deadline && std::chrono::steady_clock::now() >= *face.deadline) {
            face.deadline.reset();
            face.run.OnTimer();
        }
    }
    commandHandler_ = nullptr;
    return completed;
}

int CliSession::RunRows(TransferFace& face, RunKind kind) {
    face.finished = false;
    if (face.run.Start(kind) != transfer::StartResult::Started) {
        err_ << transfer::kMsgLinkNotOpen << '\n';
        return kExitLinkFailure;
    }
    if (!Drive(face, [&face] { return face.finished; })) {
        err_ << (interrupted_ ? "interrupted" : "no answer from the drive") << '\n';
        return kExitLinkFailure;
    }
    const auto& rows = face.run.Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const transfer::TransferRow& row = rows[i];
        if (row.result == transfer::RowResult::True) {
            continue;
        }
        out_ << WriteInteger(static_cast<std::int64_t>(i + 1)) << "  " << row.keyText << "  ";
        if (kind != RunKind::Backup) {
            out_ << row.loadValue << "  ";
        }
        out_ << transfer::ShownValue(row) << "  " << transfer::ResultText(row.result) << "  "
             << row.name << '\n';
    }
    out_ << transfer::FinishText(kind, face.counts) << '\n';
    if (face.unanswered) {
        err_ << "no answer from the drive\n";
        return kExitLinkFailure;
    }
    return face.counts.alarms == 0 && face.counts.errors == 0 ? kExitDone : kExitRefused;
}

int CliSession::Backup() {
    const std::filesystem::path list = arguments_.files.at(0);
    const std::filesystem::path output = arguments_.files.at(1);
    std::string bytes;
    if (!transfer::ReadFileBytes(list, bytes)) {
        err_ << "cannot read " << PathUtf8(list) << '\n';
        return kExitUsage;
    }
    // Refuse an output that cannot be written before asking the drive for anything.
    std::error_code ec;
    const std::filesystem::path folder =
        output.parent_path().empty() ? std::filesystem::path(".") : output.parent_path();
    if (!std::filesystem::is_directory(folder, ec) || std::filesystem::is_directory(output, ec)) {
        err_ << "cannot write " << PathUtf8(output) << '\n';
        return kExitUsage;
    }
    TransferFace face(*this);
    face.run.SetObjectList(transfer::ReadObjectList(bytes));
    const int result = RunRows(face, RunKind::Backup);
    if (result == kExitLinkFailure) {
        return result;  // no half backup
    }
    if (!transfer::WriteFileReplacing(output, transfer::WriteDriveDataText(face.run.Rows()))) {
        err_ << "cannot write " << PathUtf8(output) << '\n';
        return kExitUsage;
    }
    return result;
}

int CliSession::Restore() {
    const std::filesystem::path input = arguments_.files.at(0);
    std::string bytes;
    if (!transfer::ReadFileBytes(input, bytes)) {
        err_ << "cannot read " << PathUtf8(input) << '\n';
        return kExitUsage;
    }
    TransferFace face(*this);
    face.run.SetDriveData(transfer::ReadDriveDataLines(bytes));
    int result = RunRows(face, RunKind::Restore);
    if (result == kExitLinkFailure) {
        return result;
    }
    if (arguments_.store) {
        face.store.reset();
        if (face.run.StartStore() != transfer::StartResult::Started) {
            err_ << transfer::kMsgLinkNotOpen << '\n';
            return kExitLinkFailure;
        }
        if (!Drive(face, [&face] { return face.store.has_value(); })) {
            err_ << (interrupted_ ? "interrupted" : "no answer from the drive") << '\n';
            return kExitLinkFailure;
        }
        switch (*face.store) {
            case transfer::StoreOutcome::Done:
                out_ << transfer::kStatusStoreEnd << '\n';
                break;
            case transfer::StoreOutcome::Refused:
                err_ << "the drive refused to store the parameters\n";
                result = kExitRefused;
                break;
            case transfer::StoreOutcome::NoAnswer:
                err_ << "no answer from the drive\n";
                return kExitLinkFailure;
        }
    }
    if (arguments_.restart) {
        if (face.run.Restart() != transfer::StartResult::Started) {
            err_ << transfer::kMsgLinkNotOpen << '\n';
            return kExitLinkFailure;
        }
        out_ << "verify after restart:\n";
        const int verified = RunRows(face, RunKind::Verify);
        if (verified != kExitDone) {
            return verified;
        }
    }
    return result;
}

int CliSession::Compare() {
    const std::filesystem::path input = arguments_.files.at(0);
    std::string bytes;
    if (!transfer::ReadFileBytes(input, bytes)) {
        err_ << "cannot read " << PathUtf8(input) << '\n';
        return kExitUsage;
    }
    TransferFace face(*this);
    face.run.SetDriveData(transfer::ReadDriveDataLines(bytes));
    return RunRows(face, RunKind::Compare);
}

}  // namespace morlo::cli
