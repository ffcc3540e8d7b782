// The scope command: configures the drive's recorder, captures once, uploads and decodes the
// record with the core's capture cycle (the oscilloscope page's engine), and writes the files.

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "CliSession.h"
#include "link/LinkConstants.h"
#include "scope/MappingValue.h"
#include "scope/ScopeCapture.h"
#include "scope/ScopeFiles.h"
#include "scope/ScopeItems.h"
#include "scope/ScopePlot.h"
#include "scope/ScopeTable.h"
#include "scope/ScopeValues.h"
#include "text/NumberIo.h"
#include "transfer/DriveDataFiles.h"

namespace morlo::cli {
namespace {

using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kLongestWait{20};
constexpr std::chrono::milliseconds kAnswerWait{5000};
// An upload ends as a link failure only when the drive has not answered for this long.
constexpr std::chrono::milliseconds kUploadSilence{5000};
constexpr int kProgressStep = 5;  // percent between two progress lines
constexpr int kPercent = 100;
// Auto-scaling does not depend on the plot's width: the window spans every sample.
constexpr scope::PlotRect kScalingArea{0, 18, 902, 368};
constexpr const char* kUnitDecText = "DEC";

std::string LocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

bool CanWrite(const std::string& file) {
    if (file.empty()) {
        return true;
    }
    const std::filesystem::path path(file);
    std::error_code ec;
    const std::filesystem::path folder =
        path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
    return std::filesystem::is_directory(folder, ec) && !std::filesystem::is_directory(path, ec);
}

}  // namespace

// The command-line face of the capture cycle: its link, its two timers (deadlines this thread
// checks) and the receiver of its events.
struct CliSession::ScopeFace final : scope::ScopeTimers, scope::ScopeCaptureHost {
    ScopeFace(CliSession& owner, std::uint32_t expectedBytesPerSample)
        : session(owner),
          link(*owner.control_, kCommandReceiver),
          capture(link, *this, *this),
          bytesPerSample(expectedBytesPerSample) {}

    void StartTimer(int id, std::chrono::milliseconds period) override {
        Deadline(id) = std::chrono::steady_clock::now() + period;
    }
    void KillTimer(int id) override { Deadline(id).reset(); }

    void SettingRefused(ObjectKey key, std::uint32_t code) override {
        refusals.emplace_back(key, code);
    }
    void ReadBackClosed() override { readBackClosed = true; }
    void StatusChanged(scope::ScopeStatus status) override {
        if (status.kind == scope::ScopeStatusKind::Waiting && !waitingShown) {
            waitingShown = true;
            session.err_ << "waiting for trigger" << std::endl;
        }
    }
    void SegmentKept(std::size_t bytes) override {
        const std::size_t expected =
            static_cast<std::size_t>(std::max(capture.Mirror().samples, 1)) * bytesPerSample;
        const int percent =
            static_cast<int>(std::min<std::size_t>(kPercent, bytes * kPercent / expected));
        if (percent / kProgressStep > shownPercent / kProgressStep) {
            shownPercent = percent;
            session.err_ << "reading " << percent << " %" << std::endl;
        }
    }
    void RecordDecoded(const scope::Curves& decoded) override {
        curves = decoded;
        decodedRecord = true;
    }
    std::optional<bool> ObjectSigned(ObjectKey key) override {
        DictionaryEntry entry;
        if (!session.dictionary_.FindByKey(key, entry)) {
            return std::nullopt;
        }
        const auto sizeCode = scope::SizeCodeOf(entry.dataType);
        return sizeCode ? std::optional<bool>((*sizeCode & 1) != 0) : std::nullopt;
    }

    void Deliver(const engine::Delivery& d) {
        switch (d.message) {
            case engine::kMsgValue:
                answered.push_back(d.lParam);
                capture.OnValue(d.wParam, d.lParam);
                break;
            case engine::kMsgSegment:
                capture.OnSegment();
                break;
            case engine::kMsgAbort:
                answered.push_back(d.lParam);
                capture.OnAbort(static_cast<std::uint32_t>(d.wParam), d.lParam);
                break;
            case engine::kMsgUploadStart:
                capture.OnUploadStart(d.lParam);
                break;
            case engine::kMsgLinkFault:
                capture.OnLinkFault(d.lParam);
                break;
            default:
                break;
        }
    }

    std::optional<std::chrono::steady_clock::time_point>& Deadline(int id) {
        return deadlines[static_cast<std::size_t>(id - scope::kPollTimer)];
    }

    CliSession& session;
    scope::ControlLinkScopeLink link;
    scope::ScopeCapture capture;
    std::uint32_t bytesPerSample;
    // Of the poll, restart and link watch timers.
    std::array<std::optional<std::chrono::steady_clock::time_point>, 3> deadlines;
    std::vector<ObjectKey> answered;
    std::vector<std::pair<ObjectKey, std::uint32_t>> refusals;
    bool readBackClosed = false;
    bool waitingShown = false;
    int shownPercent = -kProgressStep;
    bool decodedRecord = false;
    scope::Curves curves;
};

bool CliSession::RunScope(ScopeFace& face, const std::function<bool()>& done,
                          std::chrono::milliseconds limit, Limit kind) {
    commandHandler_ = [&face](const engine::Delivery& d) { face.Deliver(d); };
    const auto start = std::chrono::steady_clock::now();
    bool completed = true;
    while (!done()) {
        const auto from = kind == Limit::Quiet ? std::max(start, lastCommandResult_) : start;
        if (interrupted_ || linkFailed_ || std::chrono::steady_clock::now() > from + limit) {
            completed = false;
            break;
        }
        control_->RunPendingDeliveries(kLongestWait);
        for (int id : {scope::kPollTimer, scope::kRestartTimer, scope::kLinkWatchTimer}) {
            auto& timer = face.Deadline(id);
            if (timer && std::chrono::steady_clock::now() >= *timer) {
                timer.reset();
                face.capture.OnTimer(id);
            }
        }
    }
    commandHandler_ = nullptr;
    return completed;
}

int CliSession::ScopeFailure(ScopeFace& face, const char* stage) {
    if (!face.refusals.empty()) {
        const auto [key, code] = face.refusals.front();
        err_ << stage << " (" << WriteObjectAddress(key) << "): ";
        ReportRefusal(code);
        return kExitUsage;
    }
    err_ << (interrupted_ ? "interrupted" : "no answer from the drive") << '\n';
    return kExitLinkFailure;
}

int CliSession::Scope() {
    const ScopeRequest& request = arguments_.scope;
    // Everything is checked before the drive is asked for anything.
    std::vector<scope::ScopeItem> items;
    std::array<std::uint32_t, scope::kSlotCount> slots{};
    std::array<bool, 2> wideOwnedByFirst{};
    for (std::size_t n = 0; n < request.channels.size(); ++n) {
        const ObjectKey key = request.channels[n];
        auto item = scope::MakeChannelItem(dictionary_, units_, key);
        if (!item) {
            err_ << "object " << WriteObjectAddress(key)
                 << " cannot be recorded (16- or 32-bit numbers only)\n";
            return kExitUsage;
        }
        const int channel = static_cast<int>(n);
        if (scope::NeedsWideSlot(item->mapping)) {
            auto& wide = slots[static_cast<std::size_t>(scope::WideSlotIndex(channel))];
            if (wide != 0) {
                err_ << "channels " << (channel & ~1) + 1 << " and " << (channel | 1) + 1
                     << " share one slot for 32-bit objects: record at most one of them\n";
                return kExitUsage;
            }
            wide = scope::ForDrive(item->mapping);
            wideOwnedByFirst[static_cast<std::size_t>(scope::PairOf(channel))] =
                scope::FirstOfPair(channel);
        } else {
            slots[static_cast<std::size_t>(scope::OwnSlotIndex(channel))] =
                scope::ForDrive(item->mapping);
        }
        items.push_back(*item);
    }
    std::uint32_t triggerMapping = 0;
    if (request.trigger) {
        auto trigger = scope::MakeTriggerItem(dictionary_, units_, *request.trigger);
        if (!trigger) {
            err_ << "object " << WriteObjectAddress(*request.trigger)
                 << " cannot trigger (8-, 16- or 32-bit numbers only)\n";
            return kExitUsage;
        }
        triggerMapping = trigger->mapping;
    }
    for (const std::string& file : {request.csv, request.txt, request.table}) {
        if (!CanWrite(file)) {
            err_ << "cannot write " << file << '\n';
            return kExitUsage;
        }
    }

    scope::CaptureDescription description;
    description.link = LinkText();
    for (const auto& [key, into] :
         {std::pair{scope::kDeviceNameKey, &description.deviceName},
          std::pair{scope::kSoftwareVersionKey, &description.softwareVersion}}) {
        DictionaryEntry entry;
        if (dictionary_.FindByKey(key, entry)) {
            const int result = ReadObject(key, kUnitDecText, *into);
            if (result == kExitLinkFailure) {
                return result;
            }
        }
    }

    scope::RecordLayout layout;
    layout.slotValues = slots;
    ScopeFace face(*this, static_cast<std::uint32_t>(scope::RecordBytesPerSample(layout)));
    control_->SetPriorityWindow(kCommandReceiver);
    for (int pair = 0; pair < 2; ++pair) {
        face.capture.SetWideOwner(pair, wideOwnedByFirst[static_cast<std::size_t>(pair)]);
    }
    // Waits for the drive's answer about the key (a value or a refusal).
    auto answer = [&](ObjectKey key) {
        return RunScope(
            face,
            [&] {
                return std::find(face.answered.begin(), face.answered.end(), key) !=
                       face.answered.end();
            },
            kAnswerWait, Limit::Total);
    };

    // The level must fit the trigger object: the one given, else the one the drive holds.
    if (request.level && !request.manualTrigger) {
        ObjectKey triggerKey = scope::MappingKey(triggerMapping);
        if (!request.trigger) {
            face.answered.clear();
            face.capture.Submit(link::kCmdRead, scope::kRecorderTriggerObject, 0);
            if (!answer(scope::kRecorderTriggerObject) || !face.refusals.empty()) {
                return ScopeFailure(face, "a read of the trigger object");
            }
            triggerKey = scope::MappingKey(face.capture.Mirror().triggerObject);
        }
        if (triggerKey != 0) {
            const scope::ScopeUnits units{dictionary_, units_, *evaluator_, kCommandReceiver};
            const scope::LevelConversion level = scope::TriggerLevelToRaw(
                units, triggerKey, WriteInteger(*request.level), kUnitDecText);
            if (level.outcome != scope::LevelOutcome::Raw) {
                err_ << "--level " << *request.level << " does not fit the trigger object "
                     << WriteObjectAddress(triggerKey) << " (" << level.minimum << " to "
                     << level.maximum << "); nothing was written\n";
                return kExitUsage;
            }
        }
    }

    // The settings, one write after the answer to the one before: slots that go off first.
    struct Write {
        std::uint8_t command;
        ObjectKey key;
        std::int32_t value;
    };
    std::vector<Write> writes;
    for (bool on : {false, true}) {
        for (std::size_t slot = 0; slot < slots.size(); ++slot) {
            if ((slots[slot] != 0) == on) {
                writes.push_back({link::kCmdWrite32, scope::kRecorderSlots[slot],
                                  static_cast<std::int32_t>(slots[slot])});
            }
        }
    }
    if (request.period) {
        writes.push_back({link::kCmdWrite16, scope::kRecorderPeriod, *request.period});
    }
    if (request.samples) {
        writes.push_back({link::kCmdWrite16, scope::kRecorderSamples, *request.samples});
    }
    if (request.risingEdge) {
        writes.push_back({link::kCmdWrite8, scope::kRecorderEdge, *request.risingEdge ? 1 : 0});
    }
    if (request.trigger || request.manualTrigger) {
        writes.push_back({link::kCmdWrite32, scope::kRecorderTriggerObject,
                          static_cast<std::int32_t>(scope::ForDrive(triggerMapping))});
    }
    if (request.level) {
        writes.push_back({link::kCmdWrite32, scope::kRecorderTriggerLevel, *request.level});
    }
    for (const Write& write : writes) {
        face.answered.clear();
        refusedWrite_ = 0;
        face.capture.Submit(write.command, write.key, write.value);
        if (!answer(write.key) || !face.refusals.empty()) {
            return ScopeFailure(face, "a recorder setting");
        }
        if (refusedWrite_ != 0) {
            // The drive's reason, not only that it holds another value.
            err_ << "a recorder setting (" << WriteObjectAddress(write.key) << "): ";
            ReportRefusal(refusedWrite_);
            return kExitUsage;
        }
    }

    // Read every setting back: the files carry what the drive holds, and nothing is
    // captured unless it holds what was asked for.
    face.readBackClosed = false;
    face.capture.StartReadBack();
    if (!RunScope(
            face,
            [&] {
                return face.readBackClosed && face.capture.ReadBackStep() >= scope::kReadBackClosed;
            },
            kAnswerWait * static_cast<int>(scope::kReadBackOrder.size()), Limit::Total)) {
        return ScopeFailure(face, "a read of the recorder settings");
    }
    const scope::RecorderMirror& mirror = face.capture.Mirror();
    std::vector<std::string> differences;
    for (std::size_t slot = 0; slot < slots.size(); ++slot) {
        if (mirror.slotValues[slot] != slots[slot]) {
            differences.push_back(WriteObjectAddress(scope::kRecorderSlots[slot]));
        }
    }
    auto differs = [&](bool given, std::int64_t held, std::int64_t asked, ObjectKey key) {
        if (given && held != asked) {
            differences.push_back(WriteObjectAddress(key));
        }
    };
    differs(request.period.has_value(), mirror.period, request.period.value_or(0),
            scope::kRecorderPeriod);
    differs(request.samples.has_value(), mirror.samples, request.samples.value_or(0),
            scope::kRecorderSamples);
    differs(request.risingEdge.has_value(), mirror.edge != 0, request.risingEdge.value_or(false),
            scope::kRecorderEdge);
    differs(request.trigger || request.manualTrigger, mirror.triggerObject,
            scope::ForDrive(triggerMapping), scope::kRecorderTriggerObject);
    differs(request.level.has_value(), mirror.triggerLevel, request.level.value_or(0),
            scope::kRecorderTriggerLevel);
    if (!differences.empty()) {
        err_ << "the drive does not hold the settings written to";
        for (const std::string& address : differences) {
            err_ << ' ' << address;
        }
        err_ << "; nothing was captured\n";
        return kExitUsage;
    }

    // The time given bounds the start and the wait for the trigger; the upload goes on for as
    // long as the drive keeps answering.
    refusedWrite_ = 0;
    face.capture.Start();
    const bool recording = RunScope(
        face,
        [&] {
            return face.capture.Uploading() || !face.capture.CaptureRunning() || refusedWrite_ != 0;
        },
        std::chrono::seconds(request.timeoutSeconds), Limit::Total);
    if (refusedWrite_ != 0) {
        face.capture.Stop();
        err_ << "the capture (" << WriteObjectAddress(scope::kRecorderState) << "): ";
        ReportRefusal(refusedWrite_);
        return kExitUsage;
    }
    if (!recording) {
        const bool waiting = !linkFailed_ && !interrupted_;
        face.capture.Stop();
        if (waiting) {
            err_ << "no record within " << request.timeoutSeconds
                 << " s (no trigger?); nothing was written\n";
            return kExitUsage;
        }
        return ScopeFailure(face, "the capture");
    }
    if (face.capture.Uploading() &&
        !RunScope(
            face, [&] { return !face.capture.Uploading(); }, kUploadSilence, Limit::Quiet)) {
        face.capture.Stop();
        return ScopeFailure(face, "the upload of the record");
    }
    if (!face.decodedRecord) {
        return ScopeFailure(face, "the capture");
    }
    bool anySample = false;
    for (std::size_t n = 0; n < items.size(); ++n) {
        const std::size_t count = face.curves[n].size();
        anySample = anySample || count > 0;
        const std::string key = WriteObjectAddress(scope::MappingKey(items[n].mapping));
        ResultLine line;
        line.command = "scope";
        line.key = key;
        line.numbers = {{"channel", static_cast<std::int64_t>(n + 1)},
                        {"samples", static_cast<std::int64_t>(count)}};
        PrintResult(
            "ch" + std::to_string(n + 1) + ' ' + key + ' ' + std::to_string(count) + " samples",
            line);
    }
    description.captured = LocalTime();  // the record is complete now
    if (face.capture.RecordTruncated()) {
        err_ << "the record was longer than " << scope::kRecordBufferLimit
             << " bytes; the rest was not read\n";
    }
    if (const std::size_t dropped = face.capture.DroppedBytes(); dropped != 0) {
        err_ << "the last " << dropped << " bytes of the record are no whole sample of "
             << scope::RecordBytesPerSample(face.capture.RecordedLayout())
             << " bytes and were dropped\n";
    }
    if (!anySample) {
        err_ << "the drive recorded no sample; nothing was written\n";
        return kExitUsage;
    }
    return WriteScopeFiles(face, items, description);
}

int CliSession::WriteScopeFiles(ScopeFace& face, const std::vector<scope::ScopeItem>& items,
                                const scope::CaptureDescription& description) {
    const ScopeRequest& request = arguments_.scope;
    const scope::RecorderMirror& mirror = face.capture.Mirror();
    if (!request.csv.empty() &&
        !transfer::WriteFileReplacing(request.csv, scope::WriteScopeCsv(face.curves))) {
        err_ << "cannot write " << request.csv << '\n';
        return kExitUsage;
    }
    if (!request.table.empty()) {
        if (const int written = WriteScopeTable(face, items); written != kExitDone) {
            return written;
        }
    }
    if (request.txt.empty()) {
        return kExitDone;
    }
    // The settings as the oscilloscope page would show them after this capture: the last entry
    // of each unit list (raw values: "DEC", or the object's one unit of raw values), and the
    // page's automatic scales.
    const scope::ScopeUnits units{dictionary_, units_, *evaluator_, kCommandReceiver};
    auto shownUnit = [this](ObjectKey key) {
        const std::vector<std::string> choices = units_.ChoiceList(key);
        return std::pair{static_cast<int>(choices.size()) - 1, choices.back()};
    };
    scope::ScopeFileData data;
    data.period = mirror.period;
    data.pointerOffset = mirror.pointerOffset;
    data.samples = mirror.samples;
    const ObjectKey triggerKey = scope::MappingKey(mirror.triggerObject);
    data.triggerItem = mirror.triggerObject != 0 ? 1 : 0;
    data.triggerKey = triggerKey;
    DictionaryEntry triggerEntry;
    const int levelSize =
        mirror.triggerObject != 0 && dictionary_.FindByKey(triggerKey, triggerEntry)
            ? scope::SizeCodeOf(triggerEntry.dataType).value_or(0)
            : 0;
    data.levelText = levelSize != 0 ? scope::IntegerForm(levelSize, mirror.triggerLevel)
                                    : WriteInteger(mirror.triggerLevel);
    data.triggerUnit = mirror.triggerObject != 0 ? shownUnit(triggerKey).first : -1;
    scope::ScopePlot plot(kScalingArea);
    for (std::size_t n = 0; n < items.size(); ++n) {
        const int channel = static_cast<int>(n);
        const ObjectKey key = scope::MappingKey(items[n].mapping);
        const auto [unit, unitText] = shownUnit(key);
        scope::ChannelFileBlock& block = data.channels[n];
        block.checked = true;
        block.item = face.capture.ChannelMapping(channel);
        block.coefficient = scope::UnitCoefficient(units, key, unitText);
        block.unit = unit;
        block.autoScale = true;
        block.name = items[n].name;
        block.unitText = unitText;
        data.curves[n] = face.curves[n];
        plot.SetCoefficient(channel, block.coefficient);
        for (double value : face.curves[n]) {
            plot.AddPoint(channel, value);
        }
    }
    plot.ResetZoom();
    plot.Recompute();
    for (std::size_t n = 0; n < items.size(); ++n) {
        data.channels[n].scale = plot.Scale(static_cast<int>(n));
        data.channels[n].offset = plot.Offset(static_cast<int>(n));
    }
    data.description = description;
    if (!transfer::WriteFileReplacing(request.txt, scope::WriteScopeText(data))) {
        err_ << "cannot write " << request.txt << '\n';
        return kExitUsage;
    }
    return kExitDone;
}

int CliSession::WriteScopeTable(ScopeFace& face, const std::vector<scope::ScopeItem>& items) {
    const scope::ScopeUnits units{dictionary_, units_, *evaluator_, kCommandReceiver};
    std::array<scope::TableChannel, scope::kChannelCount> channels{};
    for (std::size_t n = 0; n < items.size(); ++n) {
        const ObjectKey key = scope::MappingKey(items[n].mapping);
        DictionaryEntry entry;
        std::string unit;
        EntryAndUnit(key, entry, unit);  // the unit `read` shows it in
        scope::TableChannel& channel = channels[n];
        channel.shown = true;
        channel.name = items[n].name;
        channel.unit = unit;
        if (unit == kUnitHex) {
            channel.hexDigits =
                (scope::SizeCodeOf(entry.dataType).value_or(scope::kWideBits) & ~1) / 4;
            continue;
        }
        channel.coefficient = scope::UnitCoefficient(units, key, unit);
        if (channel.coefficient == 0) {
            // The unit's formula needs a value of the drive: read it as `read` would.
            bool shown = false;
            Show(key, entry, unit, 1, [&shown](std::optional<std::string>) { shown = true; });
            WaitFor([&] { return shown; }, kAnswerWait);
            channel.coefficient = scope::UnitCoefficient(units, key, unit);
        }
        if (channel.coefficient == 0) {
            // The unit needs a value of the drive first: the raw values, said so.
            err_ << WriteObjectAddress(key) << " cannot be converted to " << unit
                 << " here; its column holds raw values (DEC)\n";
            channel.unit = kUnitDecText;
            channel.coefficient = 1;
        }
    }
    const std::string& file = arguments_.scope.table;
    if (!transfer::WriteFileReplacing(
            file, scope::WriteScopeTable(face.curves, channels,
                                         face.capture.RecordedSettings().period))) {
        err_ << "cannot write " << file << '\n';
        return kExitUsage;
    }
    return kExitDone;
}

std::string CliSession::LinkText() const {
    const LinkChoice& link = arguments_.link;
    switch (link.kind) {
        case LinkKind::Serial:
            return "serial:" + link.port + "@" + WriteInteger(link.baud);
        case LinkKind::Can:
            return "can:" + link.canInterface + "@" + WriteInteger(link.canBitRate);
        case LinkKind::Simulated:
            break;
    }
    return "sim";
}

}  // namespace morlo::cli
