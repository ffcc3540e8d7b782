#include "CliSession.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>

#include "QtLinkFactories.h"
#include "QtWorkerThread.h"
#include "SimulatedLinkObject.h"
#include "dictionary/DictionarySource.h"
#include "engine/BlockUploadObjects.h"
#include "link/AbortCode.h"
#include "link/CanBitTiming.h"
#include "link/SdoFrame.h"
#include "link/UploadReader.h"
#include "profile/Profile.h"
#include "text/Encoding.h"
#include "text/NumberIo.h"
#include "values/ValueRows.h"

namespace morlo::cli {
namespace {

using namespace std::chrono_literals;

constexpr engine::ReceiverId kMainWindow = 1;
constexpr engine::ReceiverId kCommandWindow = kCommandReceiver;
constexpr std::size_t kLanguageBuffer = 4;
constexpr ObjectKey kStatusword = 0x604100;
constexpr ObjectKey kDeviceName = 0x100800;
constexpr ObjectKey kHardwareVersion = 0x100900;
constexpr ObjectKey kSoftwareVersion = 0x100A00;
constexpr const char* kVisibleString = "VISIBLE STRING";
// Longest wait for one answer: three tries of the link time-out, and some room.
constexpr std::chrono::milliseconds kAnswerLimit{5000};

// One list row, as a page would hold it.
class SingleRow : public ValueRows {
  public:
    SingleRow(ObjectKey key, const DictionaryEntry& entry, std::string value, std::string unit)
        : cells_{"1",
                 WriteInteger(key),
                 entry.name,
                 entry.dataType,
                 std::move(value),
                 entry.attribute,
                 std::move(unit)} {}
    int RowCount() const override { return 1; }
    std::string CellText(int, int column) const override {
        return cells_[static_cast<std::size_t>(column)];
    }

  private:
    std::string cells_[kColumnCount];
};

class StderrMessages : public MessageSink {
  public:
    explicit StderrMessages(std::ostream& err) : err_(err) {}
    void ShowMessage(std::string_view text) override {
        std::lock_guard lock(mutex_);
        std::string line(text);
        while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) {
            line.pop_back();
        }
        err_ << line << '\n';
    }

  private:
    std::mutex mutex_;
    std::ostream& err_;
};

std::filesystem::path DictionarySourceFolder(const std::filesystem::path& workFolder) {
    std::error_code ec;
    std::filesystem::path local = workFolder / "data" / "dictionary";
    if (std::filesystem::is_directory(local, ec)) {
        return local;
    }
    return MORLO_DICTIONARY_SOURCE_DIR;
}

}  // namespace

CliSession::CliSession(const CliArguments& arguments, std::filesystem::path workFolder,
                       std::ostream& out, std::ostream& err, const std::atomic<bool>& interrupted)
    : arguments_(arguments),
      workFolder_(std::move(workFolder)),
      out_(out),
      err_(err),
      interrupted_(interrupted),
      messages_(std::make_unique<StderrMessages>(err)),
      library_(messages_.get()),
      units_(messages_.get()) {}

CliSession::~CliSession() {
    if (control_) {
        control_->SetLinkState(engine::kLinkStateClosed);
        control_->CloseLink();
        control_->Stop();
    }
}

int CliSession::Run() {
    if (const int prepared = Prepare(); prepared != kExitDone) {
        return prepared;
    }
    if (arguments_.command == "diff") {
        return Diff();  // two files, no drive
    }
    const bool needsCan = arguments_.command == "scan" || arguments_.command == "nmt" ||
                          (arguments_.command == "watch" && arguments_.emcy);
    if (needsCan) {
        if (const int can = RequireCan(arguments_.command.c_str()); can != kExitDone) {
            return can;
        }
    }
    if (const int files = PrepareTransferFiles(); files != kExitDone) {
        return files;
    }
    if (!OpenLink()) {
        return kExitLinkFailure;
    }
    linkOpen_ = true;
    if (arguments_.command == "read") {
        return Read();
    }
    if (arguments_.command == "write") {
        return Write();
    }
    if (arguments_.command == "info") {
        return Info();
    }
    if (arguments_.command == "backup") {
        return Backup();
    }
    if (arguments_.command == "restore") {
        return Restore();
    }
    if (arguments_.command == "compare") {
        return Compare();
    }
    if (arguments_.command == "scope") {
        return Scope();
    }
    if (arguments_.command == "store" || arguments_.command == "init" ||
        arguments_.command == "restart") {
        return RunDriveCommand();
    }
    if (arguments_.command == "scan") {
        return Scan();
    }
    if (arguments_.command == "nmt") {
        return Nmt();
    }
    return Watch();
}

int CliSession::ReadLanguage(const std::filesystem::path& sysIni) {
    const FileProblem problem = Profile::Problem(sysIni);
    if (problem != FileProblem::None && problem != FileProblem::Missing) {
        err_ << DescribeFileProblem(sysIni, problem) << "; the default settings are used\n";
        return 0;
    }
    return Profile::ReadInt(sysIni, "sys", "lang", kLanguageBuffer);
}

int CliSession::Prepare() {
    const auto& work = workFolder_;
    const auto database = work / "data" / "TARNEX.dat";
    if (Profile::Problem(database) == FileProblem::Missing) {
        err_ << "no object database " << PathUtf8(database)
             << " (run morloservo-cli in a working folder)\n";
        return kExitNoDatabase;
    }
    const int language = ReadLanguage(work / "sys" / "sys.ini");
    // The database's own message is for a window; here the reason is printed instead.
    const DatabaseLoad load = dictionary_.LoadFile(database, language);
    if (!load) {
        err_ << "cannot use the object database: " << DescribeDatabaseLoad(database, load) << '\n';
        return kExitNoDatabase;
    }
    MessageSink* messages = messages_.get();
    engine::ControlLink::Options options;
    options.messages = messages;
    options.launcher = link::QtThreadLauncher();
    control_ = std::make_unique<engine::ControlLink>(library_, dispatcher_, options);
    auto submit = [this](engine::ReceiverId w, std::uint8_t c, ObjectKey k, std::int32_t v) {
        return control_->SubmitRequest(w, c, k, v);
    };
    evaluator_ = std::make_unique<FormulaEvaluator>(
        submit, [] { return kMainWindow; }, messages);
    conversion_ = std::make_unique<ValueConversion>(dictionary_, units_, *evaluator_, submit);
    dispatcher_.Register(kMainWindow, [this](const engine::Delivery& d) { OnMainWindow(d); });
    dispatcher_.Register(kCommandWindow, [this](const engine::Delivery& d) { OnCommand(d); });
    control_->SetMainWindow(kMainWindow);
    control_->SetFrameObserver([this](bool sent, std::optional<std::uint32_t> canId,
                                      std::span<const std::uint8_t> b) { Trace(sent, canId, b); });
    control_->SetBlockUploadObjects(engine::BlockUploadObjects(dictionary_));
    control_->SetBusListener(
        [this](const link::CanMessage& message, std::chrono::steady_clock::time_point received) {
            network_.Feed(message, received);
        });
    for (ObjectKey key : arguments_.keys) {
        DictionaryEntry entry;
        if (!dictionary_.FindByKey(key, entry)) {
            err_ << "unknown object " << WriteObjectAddress(key) << '\n';
            return kExitUsage;
        }
    }
    return kExitDone;
}

bool CliSession::OpenLink() {
    const LinkChoice& choice = arguments_.link;
    link::LinkSettings settings;
    settings.nodeId = arguments_.node;
    int linkType = link::kLinkTypeSimulated;
    std::string what = "the simulated drive";
    switch (choice.kind) {
        case LinkKind::Simulated: {
            DictionarySource source = LoadDictionarySource(DictionarySourceFolder(workFolder_));
            if (source.objects.empty()) {
                err_ << "cannot read the dictionary source for the simulated drive\n";
                return false;
            }
            std::error_code ec;
            auto drive = std::make_shared<sim::SimulatedDrive>(
                source, sim::BuiltInDriveOptions(std::filesystem::current_path(ec) / "user"));
            library_.RegisterFactory(link::kLinkTypeSimulated, [drive] {
                return std::make_unique<sim::SimulatedLinkObject>(drive);
            });
            break;
        }
        case LinkKind::Serial:
            linkType = link::kLinkTypeSerial;
            link::RegisterQtLinkFactories(library_, choice.canInterface);
            settings.portName = choice.port;
            settings.rate = choice.baud;
            what = choice.port;
            break;
        case LinkKind::Can:
            linkType = link::kLinkTypeCan;
            link::RegisterQtLinkFactories(library_, choice.canInterface);
            for (const auto& timing : link::kCanBitTimings) {
                if (timing.bitRate == choice.canBitRate) {
                    settings.rate = timing.code;
                }
            }
            what = choice.canInterface;
            break;
    }
    control_->Start();
    if (control_->SelectLinkType(linkType) != 1) {
        return false;
    }
    control_->SetNodeId(arguments_.node);
    if (control_->OpenLink(settings) != 0) {
        err_ << "cannot open " << what << '\n';
        return false;
    }
    control_->SetLinkState(engine::kLinkStateOpen);
    return true;
}

void CliSession::Trace(bool sent, std::optional<std::uint32_t> canId,
                       std::span<const std::uint8_t> bytes) {
    // The payload starts after the node byte on a serial link.
    std::size_t payloadStart = canId ? 0 : 1;
    if (bytes.size() > payloadStart) {
        const std::uint8_t command = bytes[payloadStart];
        if (sent) {
            lastSentWasWrite_ = (command & link::kWriteMask) == link::kWriteClass;
        } else if (command == link::kCmdAbort && lastSentWasWrite_ &&
                   bytes.size() >= payloadStart + 8) {
            std::uint32_t code = 0;
            for (int i = 3; i >= 0; --i) {
                code = (code << 8) | bytes[payloadStart + 4 + static_cast<std::size_t>(i)];
            }
            refusedWrite_ = code;
        }
    }
    if (!arguments_.trace) {
        return;
    }
    std::string line = sent ? "TX" : "RX";
    char hex[8];
    if (canId) {
        std::snprintf(hex, sizeof hex, " %03X", *canId);
        line += hex;
    }
    for (std::uint8_t b : bytes) {
        std::snprintf(hex, sizeof hex, " %02X", b);
        line += hex;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
}

void CliSession::OnMainWindow(const engine::Delivery& d) {
    if (d.message == engine::kMsgLinkState && d.wParam == 0) {
        linkFailed_ = true;
        control_->SetLinkState(engine::kLinkStateClosed);
        return;
    }
    // Everything else the main window gets is a formula constant it asked for.
    if (d.message == engine::kMsgValue && d.lParam != kStatusword) {
        evaluator_->ConstantArrived(d.lParam, d.wParam);
    } else if (d.message == engine::kMsgAbort || d.message == engine::kMsgLinkFault) {
        evaluator_->ConstantRefused(d.lParam);  // no value will come
    }
}

void CliSession::OnCommand(const engine::Delivery& d) {
    lastCommandResult_ = std::chrono::steady_clock::now();
    if (commandHandler_) {
        commandHandler_(d);
    }
}

bool CliSession::WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit,
                         Limit kind) {
    const auto start = std::chrono::steady_clock::now();
    while (!done()) {
        const auto from = kind == Limit::Quiet ? std::max(start, lastCommandResult_) : start;
        if (linkFailed_ || interrupted_ || std::chrono::steady_clock::now() > from + limit) {
            return false;
        }
        control_->RunPendingDeliveries(20ms);
    }
    return true;
}

bool CliSession::EntryAndUnit(ObjectKey key, DictionaryEntry& entry, std::string& unit) {
    dictionary_.FindByKey(key, entry);  // every key was checked against the dictionary
    return UnitFor(key, entry, unit);
}

bool CliSession::UnitFor(ObjectKey key, const DictionaryEntry& entry, std::string& unit) {
    std::string defaultUnit = kUnitDec;
    units_.AddUnits(key, entry.unitSpec, defaultUnit);
    if (!arguments_.unit) {
        unit = defaultUnit;
        return true;
    }
    unit = *arguments_.unit;
    auto choices = units_.ChoiceList(key);
    choices.push_back(kUnitDec);
    choices.push_back(kUnitHex);
    choices.push_back(kUnitAscii);
    for (const auto& choice : choices) {
        if (choice == unit) {
            return true;
        }
    }
    err_ << "object " << WriteObjectAddress(key) << " has no unit '" << unit << "'; its units:";
    for (const auto& choice : units_.ChoiceList(key)) {
        err_ << " " << choice;
    }
    err_ << " (and HEX, ASCII)\n";
    return false;
}

void CliSession::Show(ObjectKey key, const DictionaryEntry& entry, const std::string& unit,
                      std::uint32_t raw,
                      const std::function<void(std::optional<std::string>)>& done) {
    const ValueConversion::Shown shown =
        conversion_->ShowRaw(kCommandWindow, key, unit, entry.dataType, raw);
    switch (shown.status) {
        case ValueConversion::Shown::Status::Shown:
            done(shown.text);
            return;
        case ValueConversion::Shown::Status::Failed:
            done(std::nullopt);
            return;
        case ValueConversion::Shown::Status::WaitingForConstant:
            evaluator_->StorePending(
                shown.missingConstant, [=, this] { Show(key, entry, unit, raw, done); },
                [done] { done(std::nullopt); });
            return;
    }
}

int CliSession::ReadObject(ObjectKey key, const std::string& unit, std::string& text,
                           std::optional<std::uint32_t>* raw) {
    DictionaryEntry entry;
    dictionary_.FindByKey(key, entry);
    const bool isText = entry.dataType == kVisibleString;
    std::optional<std::string> result;
    std::optional<std::uint32_t> refused;
    bool failed = false;
    bool linkFault = false;
    link::UploadReader upload;
    auto show = [&](std::uint32_t value) {
        if (raw) {
            *raw = value;
        }
        Show(key, entry, unit, value, [&](std::optional<std::string> shown) {
            result = shown;
            failed = !shown;
        });
    };
    commandHandler_ = [&](const engine::Delivery& d) {
        if (d.lParam != key) {
            return;
        }
        switch (d.message) {
            case engine::kMsgAbort:
                refused = static_cast<std::uint32_t>(d.wParam);
                return;
            case engine::kMsgLinkFault:
                linkFault = true;
                return;
            case engine::kMsgUploadStart:
                // Also the restart of an upload that lost a segment: the data begins anew.
                control_->SubmitRequest(kCommandWindow, upload.Start(key), key, 0);
                return;
            case engine::kMsgSegment: {
                if (!upload.Running()) {
                    return;
                }
                std::array<std::uint8_t, link::kSegmentDataBytes> data{};
                int count = 0;
                bool last = false;
                control_->GetSegmentData(data, count, last);
                const auto n = static_cast<std::size_t>(std::clamp(count, 0, int(data.size())));
                switch (upload.Add({data.data(), n}, last)) {
                    case link::UploadReader::Step::Next:
                        control_->SubmitRequest(kCommandWindow, upload.NextCommand(), key, 0);
                        return;
                    case link::UploadReader::Step::TooLong:
                        control_->SubmitRequest(
                            kCommandWindow, link::kCmdAbort, key,
                            static_cast<std::int32_t>(link::AbortCode::OutOfMemory));
                        failed = true;
                        return;
                    case link::UploadReader::Step::Done:
                        if (isText) {
                            result = upload.Data();
                        } else if (auto number = upload.AsNumber()) {
                            show(*number);
                        } else {
                            failed = true;
                        }
                        return;
                }
                return;
            }
            case engine::kMsgValue:
                if (isText) {
                    result = link::ExpeditedText(static_cast<std::uint32_t>(d.wParam));
                } else {
                    show(static_cast<std::uint32_t>(d.wParam));
                }
                return;
            default:
                return;
        }
    };
    control_->SubmitRequest(kCommandWindow, link::kCmdRead, key, 0);
    bool finished = WaitFor([&] { return result || refused || failed || linkFault; }, kAnswerLimit,
                            Limit::Quiet);
    commandHandler_ = nullptr;
    evaluator_->DropPending();  // nothing may run later with this call's state
    if (refused) {
        return ReportRefusal(*refused);
    }
    if (linkFault) {
        err_ << "no answer from the drive for " << WriteObjectAddress(key) << " (link fault)\n";
        return kExitLinkFailure;
    }
    if (failed) {
        err_ << "object " << WriteObjectAddress(key) << " (" << entry.dataType
             << ") cannot be shown in " << unit << '\n';
        return kExitUsage;
    }
    if (!finished) {
        err_ << (interrupted_ ? "interrupted" : "no answer from the drive") << '\n';
        return kExitLinkFailure;
    }
    text = *result;
    return kExitDone;
}

std::string CliSession::AbortText(std::uint32_t code) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", code);
    return std::string(hex) + " " + std::string(link::AbortCodeText(code));
}

int CliSession::ReportRefusal(std::uint32_t code) {
    err_ << "refused by the drive: " << AbortText(code) << '\n';
    return kExitRefused;
}

int CliSession::Read() {
    const ObjectKey key = arguments_.keys.front();
    DictionaryEntry entry;
    std::string unit;
    if (!EntryAndUnit(key, entry, unit)) {
        return kExitUsage;
    }
    std::string text;
    std::optional<std::uint32_t> raw;
    int result = ReadObject(key, unit, text, &raw);
    if (result == kExitDone) {
        PrintResult(text, ObjectLine("read", key, entry, text, unit, raw));
    }
    return result;
}

ResultLine CliSession::ObjectLine(const char* command, ObjectKey key, const DictionaryEntry& entry,
                                  const std::string& value, const std::string& unit,
                                  std::optional<std::uint32_t> raw) const {
    ResultLine line;
    line.command = command;
    line.key = WriteObjectAddress(key);
    line.name = entry.name;
    line.value = value;
    if (entry.dataType != kVisibleString) {
        line.unit = unit;
        if (raw) {
            line.raw = RawNumber(entry.dataType, *raw);
        }
    }
    return line;
}

void CliSession::PrintResult(const std::string& textLine, const ResultLine& json) {
    if (arguments_.json) {
        WriteJsonLine(out_, json);
    } else {
        out_ << textLine << std::endl;
    }
}

int CliSession::Write() {
    const ObjectKey key = arguments_.keys.front();
    DictionaryEntry entry;
    std::string unit;
    if (!EntryAndUnit(key, entry, unit)) {
        return kExitUsage;
    }
    std::optional<std::string> result;
    std::optional<std::uint32_t> raw;
    std::optional<std::string> refusal;
    bool failed = false;
    bool linkFault = false;
    commandHandler_ = [&](const engine::Delivery& d) {
        if (d.lParam == key && d.message == engine::kMsgLinkFault) {
            linkFault = true;
        }
        if (d.lParam == key && d.message == engine::kMsgValue) {
            raw = static_cast<std::uint32_t>(d.wParam);
            Show(key, entry, unit, static_cast<std::uint32_t>(d.wParam),
                 [&](std::optional<std::string> text) {
                     result = text;
                     failed = !text;
                 });
        }
    };
    refusedWrite_ = 0;
    SingleRow row(key, entry, arguments_.value, unit);
    // The same conversion and refusal as a page's value cell: nothing is sent unless the text
    // is a value of the unit that fits the object.
    conversion_->WriteRow(kCommandWindow, row, 0, [&](const std::string& text) { refusal = text; });
    bool finished =
        refusal || WaitFor([&] { return result || failed || refusal || linkFault; }, kAnswerLimit);
    commandHandler_ = nullptr;
    evaluator_->DropPending();
    if (refusal) {
        err_ << *refusal << '\n';
        return kExitUsage;
    }
    if (linkFault) {
        err_ << "no answer from the drive for " << WriteObjectAddress(key) << " (link fault)\n";
        return kExitLinkFailure;
    }
    if (!finished) {
        err_ << (interrupted_ ? "interrupted" : "no answer from the drive") << '\n';
        return kExitLinkFailure;
    }
    if (result) {
        ResultLine line = ObjectLine("write", key, entry, *result, unit, raw);
        line.result = refusedWrite_ != 0 ? "refused" : "written";
        if (refusedWrite_ != 0) {
            line.texts.emplace_back("abort", AbortText(refusedWrite_));
        }
        PrintResult(*result, line);
    }
    if (refusedWrite_ != 0) {
        return ReportRefusal(refusedWrite_);
    }
    return failed ? kExitUsage : kExitDone;
}

int CliSession::Info() {
    const std::pair<const char*, ObjectKey> lines[] = {
        {"device name", kDeviceName},
        {"hardware version", kHardwareVersion},
        {"software version", kSoftwareVersion},
    };
    for (const auto& [label, key] : lines) {
        DictionaryEntry entry;
        if (!dictionary_.FindByKey(key, entry)) {
            continue;
        }
        std::string text;
        int result = ReadObject(key, kUnitDec, text);
        if (result != kExitDone) {
            return result;
        }
        ResultLine line = ObjectLine("info", key, entry, text, kUnitDec, std::nullopt);
        line.texts.emplace_back("label", label);
        PrintResult(std::string(label) + ": " + text, line);
    }
    DictionaryEntry entry;
    if (dictionary_.FindByKey(kStatusword, entry)) {
        std::string text;
        std::optional<std::uint32_t> raw;
        int result = ReadObject(kStatusword, kUnitHex, text, &raw);
        if (result != kExitDone) {
            return result;
        }
        ResultLine line = ObjectLine("info", kStatusword, entry, text, kUnitHex, raw);
        line.texts.emplace_back("label", "statusword");
        PrintResult("statusword: 0x" + text, line);
    }
    return kExitDone;
}

int CliSession::Watch() {
    if (!arguments_.watch.csv.empty()) {
        return WatchToCsv();
    }
    std::map<ObjectKey, std::pair<DictionaryEntry, std::string>> watched;
    for (ObjectKey key : arguments_.keys) {
        DictionaryEntry entry;
        std::string unit;
        if (!EntryAndUnit(key, entry, unit)) {
            return kExitUsage;
        }
        watched[key] = {entry, unit};
    }
    std::map<ObjectKey, std::string> last;
    int printed = 0;
    commandHandler_ = [&](const engine::Delivery& d) {
        auto it = watched.find(d.lParam);
        if (it == watched.end() || d.message != engine::kMsgValue) {
            return;
        }
        const ObjectKey key = d.lParam;
        const auto raw = static_cast<std::uint32_t>(d.wParam);
        Show(key, it->second.first, it->second.second, raw,
             [&, key, raw](std::optional<std::string> text) {
                 if (!text || last[key] == *text) {
                     return;
                 }
                 last[key] = *text;
                 if (arguments_.count < 0 || printed < arguments_.count) {
                     const auto& [entry, unit] = watched[key];
                     PrintResult(WriteObjectAddress(key) + ' ' + *text + ' ' + unit,
                                 ObjectLine("watch", key, entry, *text, unit, raw));
                     ++printed;
                 }
             });
    };
    // Every watched object is read in turn, writable or not.
    for (ObjectKey key : arguments_.keys) {
        control_->AddCyclic(kCommandWindow, key, engine::kCyclicReadOnly);
    }
    // Emergencies come when they come: no time limit for them.
    std::uint64_t seenEvents = network_.LastSequence();
    const auto limit = arguments_.count > 0 && !arguments_.emcy
                           ? std::chrono::milliseconds(kAnswerLimit * arguments_.count)
                           : std::chrono::milliseconds(std::chrono::hours(24 * 365));
    const bool done = WaitFor(
        [&] {
            if (arguments_.emcy && (arguments_.count < 0 || printed < arguments_.count)) {
                printed += PrintEmergencies(seenEvents,
                                            arguments_.count < 0 ? -1 : arguments_.count - printed);
            }
            return arguments_.count > 0 && printed >= arguments_.count;
        },
        limit);
    commandHandler_ = nullptr;
    evaluator_->DropPending();
    control_->DeactivateWindow(kCommandWindow);
    if (linkFailed_) {
        err_ << "no answer from the drive\n";
        return kExitLinkFailure;
    }
    return done || interrupted_ ? kExitDone : kExitLinkFailure;
}

}  // namespace morlo::cli
