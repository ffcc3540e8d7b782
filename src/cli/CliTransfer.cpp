// The drive-data commands: backup, restore and compare on the core's drive-data run, with the
// files' descriptions and reports by name and unit.

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>

#include "CliSession.h"
#include "link/AbortCode.h"
#include "text/Encoding.h"
#include "text/NumberIo.h"
#include "transfer/DriveDataKey.h"
#include "transfer/DriveDataRun.h"
#include "transfer/TransferConstants.h"

namespace morlo::cli {
namespace {

using namespace std::chrono_literals;
using transfer::RunKind;

constexpr std::chrono::milliseconds kLongestWait{20};
constexpr std::size_t kDateLength = 32;

std::string LocalTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[kDateLength];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

transfer::ReportKind ReportKindOf(RunKind kind) {
    return kind == RunKind::Backup ? transfer::ReportKind::Backup
                                   : transfer::ReportKind::DriveAgainstFile;
}

}  // namespace

// The command-line face of a run: its link, its timer (a deadline this thread checks) and the
// receiver of its events.
struct CliSession::TransferFace final : transfer::TransferLink,
                                        transfer::TransferTimer,
                                        transfer::TransferEvents {
    explicit TransferFace(CliSession& owner)
        : control(*owner.control_, kCommandReceiver), run(owner.dictionary_, *this, *this, *this) {}

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
    void CommandFinished(transfer::DriveCommand, const transfer::CommandResult& result) override {
        command = result;
    }
    void IdentityRead(const transfer::DriveIdentity&, bool noAnswer) override {
        identity = !noAnswer;
    }
    void DriveBack(bool back) override { driveBack = back; }

    transfer::ControlLinkTransfer control;
    std::optional<std::chrono::steady_clock::time_point> deadline;
    bool finished = false;
    transfer::RunCounts counts;
    bool unanswered = false;
    std::optional<transfer::CommandResult> command;
    std::optional<bool> identity;   // read (true) or not answered (false)
    std::optional<bool> driveBack;  // after a restart
    transfer::DriveDataRun run;     // last: it uses the members above
};

// ---- files ----

bool CliSession::CanWriteFile(const std::string& file) {
    const std::filesystem::path path = file;
    std::error_code ec;
    const std::filesystem::path folder =
        path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
    if (!std::filesystem::is_directory(folder, ec) || std::filesystem::is_directory(path, ec)) {
        err_ << "cannot write " << PathUtf8(path) << '\n';
        return false;
    }
    return true;
}

int CliSession::ReadDriveDataFile(const std::string& file,
                                  std::vector<transfer::DriveDataLine>& lines) {
    std::string bytes;
    if (!transfer::ReadFileBytes(file, bytes)) {
        err_ << "cannot read " << PathUtf8(file) << '\n';
        return kExitUsage;
    }
    lines = transfer::ReadDriveDataLines(bytes);
    if (!transfer::HasUsableLine(lines)) {
        err_ << PathUtf8(file) << transfer::kMsgNoUsableRow << '\n';
        return kExitUsage;
    }
    return kExitDone;
}

int CliSession::PrepareTransferFiles() {
    const std::string& command = arguments_.command;
    if (!arguments_.report.empty() && !CanWriteFile(arguments_.report)) {
        return kExitUsage;
    }
    if (command == "backup") {
        std::string bytes;
        if (!transfer::ReadFileBytes(arguments_.files.at(0), bytes)) {
            err_ << "cannot read " << PathUtf8(arguments_.files.at(0)) << '\n';
            return kExitUsage;
        }
        transferInput_.list = transfer::ReadObjectList(bytes);
        if (transferInput_.list.empty()) {
            // An empty list would give an empty backup that looks like a good one.
            err_ << PathUtf8(arguments_.files.at(0)) << transfer::kMsgNoUsableRow << '\n';
            return kExitUsage;
        }
        // Refuse an output that cannot be written before asking the drive for anything.
        return CanWriteFile(arguments_.files.at(1)) ? kExitDone : kExitUsage;
    }
    if (command != "restore" && command != "compare") {
        return kExitDone;
    }
    const std::string& file = arguments_.files.at(0);
    if (const int read = ReadDriveDataFile(file, transferInput_.lines); read != kExitDone) {
        return read;
    }
    const std::filesystem::path sidecar = transfer::SidecarPathOf(file);
    std::string bytes;
    std::error_code ec;
    if (std::filesystem::exists(sidecar, ec)) {
        if (transfer::ReadFileBytes(sidecar, bytes)) {
            transferInput_.sidecar = transfer::ReadSidecarText(bytes);
        }
        if (!transferInput_.sidecar) {
            err_ << "warning: " << PathUtf8(sidecar) << " describes no backup; it is ignored\n";
        }
    }
    if (arguments_.expectSameDrive && !transferInput_.sidecar) {
        err_ << PathUtf8(sidecar) << " is missing: the drive the file came from is unknown\n";
        return kExitUsage;
    }
    return kExitDone;
}

int CliSession::WriteReport(const std::vector<transfer::ReportRow>& rows,
                            transfer::ReportKind kind) {
    if (arguments_.report.empty()) {
        return kExitDone;
    }
    if (!transfer::WriteFileReplacing(arguments_.report, transfer::WriteReportCsv(rows, kind))) {
        err_ << "cannot write " << PathUtf8(arguments_.report) << '\n';
        return kExitUsage;
    }
    return kExitDone;
}

std::optional<transfer::UnitValue> CliSession::ShowInUnit(std::uint32_t driveDataKey,
                                                          std::uint32_t raw) {
    const ObjectKey key = transfer::ObjectKeyOf(driveDataKey);
    DictionaryEntry entry;
    if (!dictionary_.FindByKey(key, entry)) {
        return std::nullopt;
    }
    std::string unit = kUnitDec;
    units_.AddUnits(key, entry.unitSpec, unit);
    if (!linkOpen_) {
        // Offline a formula's constants cannot be read: such values stay raw.
        const ValueConversion::Shown shown =
            conversion_->ShowRaw(kCommandReceiver, key, unit, entry.dataType, raw);
        if (shown.status != ValueConversion::Shown::Status::Shown) {
            evaluator_->DropPending();
            return std::nullopt;
        }
        return transfer::UnitValue{shown.text, unit};
    }
    std::optional<std::string> text;
    bool done = false;
    Show(key, entry, unit, raw, [&](std::optional<std::string> shown) {
        text = std::move(shown);
        done = true;
    });
    WaitFor([&] { return done; }, transfer::kAnswerLimit);
    evaluator_->DropPending();
    if (!text) {
        return std::nullopt;
    }
    return transfer::UnitValue{*text, unit};
}

// ---- running ----

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

int CliSession::ReadIdentity(TransferFace& face) {
    face.identity.reset();
    if (face.run.ReadIdentity() != transfer::StartResult::Started) {
        err_ << transfer::kMsgLinkNotOpen << '\n';
        return kExitLinkFailure;
    }
    if (!Drive(face, [&face] { return face.identity.has_value(); }) || !*face.identity) {
        err_ << (interrupted_ ? "interrupted" : "no answer from the drive") << '\n';
        return kExitLinkFailure;
    }
    return kExitDone;
}

int CliSession::CheckSameDrive(TransferFace& face) {
    if (!transferInput_.sidecar) {
        return kExitDone;
    }
    if (const int read = ReadIdentity(face); read != kExitDone) {
        return read;
    }
    const auto differences =
        transfer::IdentityDifferences(transferInput_.sidecar->identity, face.run.Identity());
    if (differences.empty()) {
        return kExitDone;
    }
    const std::string file = arguments_.files.at(0);
    err_ << (arguments_.expectSameDrive ? "" : "warning: ") << PathUtf8(file)
         << " was saved from another drive:\n"
         << transfer::DescribeDifferences(differences);
    return arguments_.expectSameDrive ? kExitUsage : kExitDone;
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
    auto show = [this](std::uint32_t key, std::uint32_t raw) { return ShowInUnit(key, raw); };
    const char* command = kind == RunKind::Verify ? "verify" : arguments_.command.c_str();
    if (arguments_.json) {
        // Every row, not only those that differ: a script wants the values too.
        PrintReportJson(command, transfer::ReportOfRun(face.run.Rows(), show, false));
        ResultLine finish;
        finish.command = command;
        finish.result = "finish";
        finish.numbers = {{"total", face.counts.total},
                          {"alarms", face.counts.alarms},
                          {"errors", face.counts.errors}};
        WriteJsonLine(out_, finish);
    } else {
        out_ << transfer::FormatReportTable(transfer::ReportOfRun(face.run.Rows(), show, true),
                                            ReportKindOf(kind));
        out_ << transfer::FinishText(kind, face.counts) << '\n';
    }
    if (face.unanswered) {
        err_ << "no answer from the drive\n";
        return kExitLinkFailure;
    }
    return face.counts.alarms == 0 && face.counts.errors == 0 ? kExitDone : kExitRefused;
}

// After a restore or compare of a described file: the objects the drive lacks or refused,
// described as the file knows them.
void CliSession::PrintRefusedRows(const std::vector<transfer::TransferRow>& rows,
                                  const transfer::DriveDataSidecar& sidecar) {
    const auto refused = transfer::RefusedRows(rows, &sidecar);
    if (refused.empty()) {
        return;
    }
    if (arguments_.json) {
        for (const transfer::RefusedRow& row : refused) {
            ResultLine line;
            line.command = arguments_.command;
            line.key = row.keyText;
            line.name = row.name;
            line.unit = row.unit;
            line.result = "lacks or refuses";
            line.texts = {{"type", row.dataType}, {"reason", row.reason}};
            WriteJsonLine(out_, line);
        }
        return;
    }
    std::vector<std::vector<std::string>> cells{{"key", "name", "type", "unit", "reason"}};
    for (const transfer::RefusedRow& row : refused) {
        cells.push_back({row.keyText, row.name, row.dataType, row.unit, row.reason});
    }
    out_ << "rows the drive lacks or refuses:\n" << transfer::FormatTable(cells);
}

void CliSession::PrintReportJson(const std::string& command,
                                 const std::vector<transfer::ReportRow>& rows) {
    for (const transfer::ReportRow& row : rows) {
        ResultLine line;
        line.command = command;
        line.key = row.keyText;
        line.name = row.name;
        line.unit = row.unit;
        line.result = row.result;
        line.numbers = {{"row", row.number}};
        if (command == "diff") {
            line.texts = {{"first", row.fileValue}, {"second", row.driveValue}};
        } else {
            line.value = row.driveValue;
            if (command != "backup") {
                line.texts = {{"file", row.fileValue}};
            }
        }
        if (!row.note.empty()) {
            line.texts.emplace_back("note", row.note);
        }
        WriteJsonLine(out_, line);
    }
}

void CliSession::PrintOutcome(const std::string& text, const std::string& result) {
    ResultLine line;
    line.command = arguments_.command;
    line.result = result;
    PrintResult(text, line);
}

int CliSession::Backup() {
    TransferFace face(*this);
    face.run.SetObjectList(transferInput_.list);
    if (const int read = ReadIdentity(face); read != kExitDone) {
        return read;
    }
    const std::string date = LocalTimeText();
    const int result = RunRows(face, RunKind::Backup);
    if (result == kExitLinkFailure) {
        return result;  // no half backup
    }
    const std::filesystem::path output = arguments_.files.at(1);
    transfer::DriveDataSidecar sidecar;
    sidecar.date = date;
    sidecar.link = LinkText();
    sidecar.node = arguments_.node;
    sidecar.identity = face.run.Identity();
    sidecar.rows = transfer::DescribeRows(face.run.Rows(), dictionary_, units_);
    if (!transfer::WriteFileReplacing(output, transfer::WriteDriveDataText(face.run.Rows())) ||
        !transfer::WriteFileReplacing(transfer::SidecarPathOf(output),
                                      transfer::WriteSidecarText(sidecar))) {
        err_ << "cannot write " << PathUtf8(output) << '\n';
        return kExitUsage;
    }
    auto show = [this](std::uint32_t key, std::uint32_t raw) { return ShowInUnit(key, raw); };
    if (const int report = WriteReport(transfer::ReportOfRun(face.run.Rows(), show, false),
                                       transfer::ReportKind::Backup);
        report != kExitDone) {
        return report;
    }
    return result;
}

int CliSession::ReportCommandRefusal(ObjectKey key, std::uint32_t code) {
    err_ << "refused by the drive: " << WriteObjectAddress(key) << ' '
         << transfer::FormatAbortCode(code) << ' ' << link::AbortCodeText(code) << '\n';
    return kExitRefused;
}

int CliSession::RunCommandAndWait(TransferFace& face, transfer::DriveCommand command) {
    face.command.reset();
    if (face.run.StartCommand(command) != transfer::StartResult::Started) {
        err_ << transfer::kMsgLinkNotOpen << '\n';
        return kExitLinkFailure;
    }
    if (!Drive(face, [&face] { return face.command.has_value(); })) {
        err_ << (interrupted_ ? "interrupted" : "no answer from the drive") << '\n';
        return kExitLinkFailure;
    }
    switch (face.command->outcome) {
        case transfer::StoreOutcome::Done:
            PrintOutcome(transfer::kStatusStoreEnd, "done");
            return kExitDone;
        case transfer::StoreOutcome::Refused:
            return ReportCommandRefusal(face.command->key, face.command->abortCode);
        case transfer::StoreOutcome::NoAnswer:
            break;
    }
    err_ << "no answer from the drive\n";
    return kExitLinkFailure;
}

CliSession::FileRun CliSession::RunAgainstFile(TransferFace& face, RunKind kind) {
    face.run.SetDriveData(transferInput_.lines);
    if (const int same = CheckSameDrive(face); same != kExitDone) {
        return {same, true};
    }
    const int result = RunRows(face, kind);
    if (result == kExitLinkFailure) {
        return {result, true};
    }
    if (transferInput_.sidecar) {
        PrintRefusedRows(face.run.Rows(), *transferInput_.sidecar);
    }
    auto show = [this](std::uint32_t key, std::uint32_t raw) { return ShowInUnit(key, raw); };
    if (const int report = WriteReport(transfer::ReportOfRun(face.run.Rows(), show, false),
                                       transfer::ReportKind::DriveAgainstFile);
        report != kExitDone) {
        return {report, true};
    }
    return {result, false};
}

int CliSession::Restore() {
    TransferFace face(*this);
    const auto [result, stopped] = RunAgainstFile(face, RunKind::Restore);
    if (stopped) {
        return result;
    }
    if (arguments_.store) {
        const transfer::RunCounts counts = face.run.Counts();
        if (result != kExitDone && !arguments_.storeAnyway) {
            // A partial set never becomes permanent unless asked for.
            err_ << "not stored: " << counts.alarms + counts.errors << " of " << counts.total
                 << " rows are not True (--store-anyway stores all the same)\n";
            return kExitRefused;
        }
        const int stored = RunCommandAndWait(face, transfer::DriveCommand::Store);
        if (stored != kExitDone) {
            return stored;  // and no restart: what was written would be lost
        }
    }
    if (arguments_.restart) {
        if (face.run.Restart() != transfer::StartResult::Started) {
            err_ << transfer::kMsgLinkNotOpen << '\n';
            return kExitLinkFailure;
        }
        if (!arguments_.json) {
            out_ << "verify after restart:\n";
        }
        const int verified = RunRows(face, RunKind::Verify);
        if (face.run.RestartRefusal() != 0) {
            return ReportCommandRefusal(transfer::kRestartKey, face.run.RestartRefusal());
        }
        if (verified != kExitDone) {
            return verified;
        }
    }
    return result;
}

int CliSession::Compare() {
    TransferFace face(*this);
    return RunAgainstFile(face, RunKind::Compare).exitCode;
}

int CliSession::Diff() {
    if (!arguments_.report.empty() && !CanWriteFile(arguments_.report)) {
        return kExitUsage;
    }
    std::vector<transfer::DriveDataLine> first;
    std::vector<transfer::DriveDataLine> second;
    for (auto [file, lines] : {std::pair{0, &first}, std::pair{1, &second}}) {
        if (const int read = ReadDriveDataFile(arguments_.files.at(file), *lines);
            read != kExitDone) {
            return read;
        }
    }
    // Which drives the files came from, when they say.
    for (const std::string& file : arguments_.files) {
        std::string bytes;
        if (!transfer::ReadFileBytes(transfer::SidecarPathOf(file), bytes)) {
            continue;
        }
        if (const auto sidecar = transfer::ReadSidecarText(bytes)) {
            ResultLine line;
            line.command = "diff";
            line.texts = {{"file", PathUtf8(file)},
                          {"device", sidecar->identity.deviceName},
                          {"software", sidecar->identity.softwareVersion},
                          {"date", sidecar->date}};
            PrintResult(PathUtf8(file) + ": " + sidecar->identity.deviceName + ", software " +
                            sidecar->identity.softwareVersion + ", " + sidecar->date,
                        line);
        }
    }
    const auto rows = transfer::DiffDriveData(first, second, dictionary_);
    auto show = [this](std::uint32_t key, std::uint32_t raw) { return ShowInUnit(key, raw); };
    if (arguments_.json) {
        PrintReportJson("diff", transfer::ReportOfDiff(rows, show, false));
    } else {
        out_ << transfer::FormatReportTable(transfer::ReportOfDiff(rows, show, true),
                                            transfer::ReportKind::FileAgainstFile);
    }
    const bool differ = std::any_of(rows.begin(), rows.end(), [](const transfer::DiffRow& row) {
        return row.result != transfer::RowResult::True;
    });
    const auto differing = std::count_if(rows.begin(), rows.end(), [](const auto& row) {
        return row.result != transfer::RowResult::True;
    });
    ResultLine summary;
    summary.command = "diff";
    summary.result = differ ? "differ" : "same";
    summary.numbers = {{"differing", static_cast<std::int64_t>(differing)},
                       {"total", static_cast<std::int64_t>(rows.size())}};
    PrintResult((differ ? "differ: " : "same: ") + std::to_string(differing) + " of " +
                    std::to_string(rows.size()) + " rows",
                summary);
    if (const int report = WriteReport(transfer::ReportOfDiff(rows, show, false),
                                       transfer::ReportKind::FileAgainstFile);
        report != kExitDone) {
        return report;
    }
    return differ ? kExitRefused : kExitDone;
}

int CliSession::RunDriveCommand() {
    TransferFace face(*this);
    if (arguments_.command == "store") {
        return RunCommandAndWait(face, transfer::DriveCommand::Store);
    }
    if (arguments_.command == "init") {
        return RunCommandAndWait(face, transfer::DriveCommand::Initialise);
    }
    if (face.run.Restart() != transfer::StartResult::Started ||
        face.run.AwaitDrive() != transfer::StartResult::Started) {
        err_ << transfer::kMsgLinkNotOpen << '\n';
        return kExitLinkFailure;
    }
    if (!Drive(face, [&face] { return face.driveBack.has_value(); })) {
        err_ << (interrupted_ ? "interrupted" : "no answer from the drive") << '\n';
        return kExitLinkFailure;
    }
    if (const std::uint32_t refusal = face.run.RestartRefusal(); refusal != 0) {
        return ReportCommandRefusal(transfer::kRestartKey, refusal);
    }
    if (!*face.driveBack) {
        err_ << "the drive does not answer after the restart\n";
        return kExitLinkFailure;
    }
    PrintOutcome("the drive answers again", "done");
    return kExitDone;
}

}  // namespace morlo::cli
