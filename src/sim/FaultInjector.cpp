#include "FaultInjector.h"

#include <random>

#include "SimConstants.h"

namespace morlo::sim {
namespace {

std::uint64_t FreshSeed() {
    std::random_device device;
    return (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

}  // namespace

FaultInjector::FaultInjector() : random_(FreshSeed()) {}

void FaultInjector::Configure(const FaultSettings& settings) {
    settings_ = settings;
    answered_ = 0;
    random_.Seed(settings.seed ? *settings.seed : FreshSeed());
}

std::chrono::milliseconds FaultInjector::Delay() {
    if (settings_.jitter.count() <= 0) {
        return settings_.latency;
    }
    const auto spread = static_cast<std::uint64_t>(settings_.jitter.count()) + 1;
    return settings_.latency + std::chrono::milliseconds(random_.Next() % spread);
}

std::vector<std::uint8_t> FaultInjector::Noise() {
    std::vector<std::uint8_t> bytes(1 + random_.Next() % kMaxStrayBytes);
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(random_.Next());
    }
    return bytes;
}

std::optional<Reply> FaultInjector::Apply(const std::optional<link::SdoPayload>& answer) {
    if (!answer || settings_.silent) {
        return std::nullopt;
    }
    if (settings_.silentAfter && answered_ >= *settings_.silentAfter) {
        return std::nullopt;
    }
    ++answered_;
    if (settings_.dropNext > 0) {
        --settings_.dropNext;
        return std::nullopt;
    }
    // Every decision draws from the generator whether or not the fault is on, so that one
    // seed gives one pattern of faults however they are combined.
    const bool drop = random_.Unit() < settings_.dropProbability;
    const bool corrupt = random_.Unit() < settings_.corruptProbability;
    const bool stray = random_.Unit() < settings_.strayProbability;
    if (drop) {
        return std::nullopt;
    }
    Reply reply{*answer, false, Delay(), {}};
    if (settings_.corruptNext > 0) {
        --settings_.corruptNext;
        reply.corrupt = true;
    } else {
        reply.corrupt = corrupt;
    }
    if (stray) {
        reply.stray = Noise();
    }
    return reply;
}

void CorruptSerialFrame(link::SerialFrame& frame) {
    frame[link::kSerialFrameSize - 1] ^= kCorruptMask;
}

}  // namespace morlo::sim
