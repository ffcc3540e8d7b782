#include "Recorder.h"

#include <algorithm>

#include "SimConstants.h"

namespace morlo::sim {
namespace {

constexpr int kNarrowBits = 16;
constexpr int kWideBits = 32;
constexpr int kBitsPerByte = 8;

bool IsWideSlot(ObjectKey slot) {
    return slot == kRecorderWideA || slot == kRecorderWideB;
}

ObjectKey MappedKey(std::uint32_t mapping) {
    return static_cast<ObjectKey>(mapping >> kMappingKeyShift);
}

int MappedBits(std::uint32_t mapping) {
    return static_cast<int>(mapping & kMappingSizeMask & ~kMappingSignedBit);
}

}  // namespace

std::optional<link::AbortCode> Recorder::CheckMapping(ObjectKey slot, std::uint32_t mapping) const {
    if (mapping == 0) {
        return std::nullopt;
    }
    const SimObject* object = objects_.Find(MappedKey(mapping));
    if (!object || object->kind != ValueKind::Integer || MappedBits(mapping) != object->bits) {
        return link::AbortCode::InvalidValue;
    }
    if (slot != kRecorderTriggerObject &&
        object->bits != (IsWideSlot(slot) ? kWideBits : kNarrowBits)) {
        return link::AbortCode::InvalidValue;
    }
    return std::nullopt;
}

std::vector<Recorder::Field> Recorder::Layout() const {
    std::vector<Field> fields;
    for (ObjectKey slot : kRecorderFieldOrder) {
        const auto mapping = static_cast<std::uint32_t>(objects_.Number(slot));
        if (mapping == 0 || CheckMapping(slot, mapping)) {
            continue;
        }
        const SimObject* object = objects_.Find(MappedKey(mapping));
        fields.push_back({object, static_cast<std::size_t>(object->bits / kBitsPerByte)});
    }
    return fields;
}

void Recorder::PublishLayout() {
    std::size_t bytes = 0;
    for (const Field& field : Layout()) {
        bytes += field.bytes;
    }
    objects_.Put(kRecorderBytesPerSample, static_cast<std::int64_t>(bytes));
}

void Recorder::SetState(std::uint32_t state) {
    objects_.Put(kRecorderState, state);
}

void Recorder::Reset() {
    running_ = false;
    record_.clear();
    building_.clear();
    before_.clear();
    SetState(kRecorderIdle);
    PublishLayout();
}

void Recorder::Start() {
    fields_ = Layout();
    period_ = std::max<std::int64_t>(1, objects_.Number(kRecorderPeriod, 1));
    total_ =
        static_cast<std::size_t>(std::max<std::int64_t>(1, objects_.Number(kRecorderSamples, 1)));
    preTrigger_ = std::min(
        static_cast<std::size_t>(std::max<std::int64_t>(0, objects_.Number(kRecorderPreTrigger))),
        total_ - 1);
    const auto triggerMapping = static_cast<std::uint32_t>(objects_.Number(kRecorderTriggerObject));
    trigger_ = triggerMapping != 0 && !CheckMapping(kRecorderTriggerObject, triggerMapping)
                   ? objects_.Find(MappedKey(triggerMapping))
                   : nullptr;
    risingEdge_ = objects_.Number(kRecorderEdge, 1) != 0;
    level_ = objects_.Number(kRecorderTriggerLevel);
    previous_.reset();
    countdown_ = 1;
    waited_ = 0;
    rows_ = 0;
    triggerIndex_ = 0;
    before_.clear();
    building_.clear();
    record_.clear();
    running_ = true;
    triggered_ = trigger_ == nullptr;  // manual trigger: at once
    SetState(triggered_ ? kRecorderTriggered
                        : (preTrigger_ > 0 ? kRecorderPreTriggerFill : kRecorderArmed));
    PublishLayout();
}

void Recorder::Stop() {
    running_ = false;
    before_.clear();
    building_.clear();
    SetState(kRecorderIdle);
}

bool Recorder::TickDue() {
    if (!running_ || --countdown_ > 0) {
        return false;
    }
    countdown_ = period_;
    return true;
}

std::string Recorder::TakeRow() const {
    std::string row;
    for (const Field& field : fields_) {
        for (std::size_t i = 0; i < field.bytes; ++i) {
            row.push_back(static_cast<char>(field.object->value >> (kBitsPerByte * i)));
        }
    }
    return row;
}

bool Recorder::Crossed(std::int64_t value) {
    const bool crossed = previous_ && (risingEdge_ ? (*previous_ < level_ && value >= level_)
                                                   : (*previous_ > level_ && value <= level_));
    previous_ = value;
    return crossed;
}

void Recorder::Sample() {
    std::string row = TakeRow();
    if (!triggered_) {
        waited_ += period_;
        if (Crossed(trigger_->Number()) || waited_ >= kTriggerGiveUpTicks) {
            triggered_ = true;
            triggerIndex_ = before_.size();
            for (const std::string& earlier : before_) {
                building_ += earlier;
            }
            rows_ = before_.size();
            before_.clear();
            SetState(kRecorderTriggered);
        } else {
            before_.push_back(std::move(row));
            if (before_.size() > preTrigger_) {
                before_.pop_front();
            }
            SetState(before_.size() < preTrigger_ ? kRecorderPreTriggerFill : kRecorderArmed);
            return;
        }
    }
    building_ += row;
    if (++rows_ >= total_) {
        Finish();
    }
}

void Recorder::Finish() {
    running_ = false;
    record_ = std::move(building_);
    building_.clear();
    ++finished_;
    objects_.Put(kRecorderTriggerPosition, static_cast<std::int64_t>(triggerIndex_));
    SetState(kRecorderIdle);
}

}  // namespace morlo::sim
