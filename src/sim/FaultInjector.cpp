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
    random_.Seed(settings.seed ? *settings.seed : FreshSeed());
}

std::optional<Reply> FaultInjector::Apply(const std::optional<link::SdoPayload>& answer) {
    if (!answer || settings_.silent) {
        return std::nullopt;
    }
    if (settings_.dropNext > 0) {
        --settings_.dropNext;
        return std::nullopt;
    }
    if (settings_.dropProbability > 0 && random_.Unit() < settings_.dropProbability) {
        return std::nullopt;
    }
    Reply reply{*answer, false, settings_.latency};
    if (settings_.corruptNext > 0) {
        --settings_.corruptNext;
        reply.corrupt = true;
    } else if (settings_.corruptProbability > 0 && random_.Unit() < settings_.corruptProbability) {
        reply.corrupt = true;
    }
    return reply;
}

void CorruptSerialFrame(link::SerialFrame& frame) {
    frame[link::kSerialFrameSize - 1] ^= kCorruptMask;
}

void CorruptCanMessage(link::CanMessage& message) {
    message.data[kCanCorruptByte] ^= kCorruptMask;
}

}  // namespace morlo::sim
