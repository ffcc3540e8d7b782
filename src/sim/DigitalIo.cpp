#include "DigitalIo.h"

#include "SimConstants.h"

namespace morlo::sim {
namespace {

std::uint16_t Word(const ObjectStore& objects, ObjectKey key) {
    return static_cast<std::uint16_t>(objects.Number(key));
}

bool Blink(std::int64_t tick, std::int64_t halfPeriod) {
    return (tick / halfPeriod) % 2 == 1;
}

}  // namespace

IoStates ComputeIo(const ObjectStore& objects, std::int64_t tick, double position,
                   OutputFunctions active) {
    IoStates io;
    io.terminals = kTerminalsAlwaysClosed;
    if (Blink(tick, kTerminalBlinkTicks)) {
        io.terminals |= kTerminalBlink;
    }
    if (position >= kHomeCamFrom && position <= kHomeCamTo) {
        io.terminals |= kTerminalHomeCam;
    }
    if (position >= kPositiveLimitAt) {
        io.terminals |= kTerminalPositiveLimit;
    }

    // A simulated input takes its level from the simulation values (or closed when the drive
    // has none); polarity then turns levels into active states.
    const std::uint16_t simulated = Word(objects, kInputSimulationFlags);
    const std::uint16_t simulatedLevels =
        objects.Find(kInputSimulationValues) ? Word(objects, kInputSimulationValues) : simulated;
    const std::uint16_t levels =
        static_cast<std::uint16_t>((io.terminals & ~simulated) | (simulatedLevels & simulated));
    io.effective = static_cast<std::uint16_t>(levels ^ Word(objects, kInputPolarity));

    for (std::size_t i = 0; i < kInputFunctionWords.size(); ++i) {
        if ((io.effective & (1u << i)) != 0) {
            io.inputFunctions |= Word(objects, kInputFunctionWords[i]);
        }
    }
    if ((io.inputFunctions & kInNegativeLimit) != 0) {
        io.profileInputs |= kDiNegativeLimit;
    }
    if ((io.inputFunctions & kInPositiveLimit) != 0) {
        io.profileInputs |= kDiPositiveLimit;
    }
    if ((io.inputFunctions & kInHomeSwitch) != 0) {
        io.profileInputs |= kDiHomeSwitch;
    }

    std::uint16_t outputs = 0;
    for (std::size_t i = 0; i < kOutputFunctionWords.size(); ++i) {
        if ((Word(objects, kOutputFunctionWords[i]) & kOutFunctionBits & active) != 0) {
            outputs = static_cast<std::uint16_t>(outputs | (1u << i));
        }
    }
    outputs = static_cast<std::uint16_t>(outputs ^ Word(objects, kOutputPolarity));
    const std::uint16_t forced = Word(objects, kOutputSimulationFlags);
    io.outputs = static_cast<std::uint16_t>((outputs & ~forced) |
                                            (Word(objects, kOutputForcedValues) & forced));
    return io;
}

}  // namespace morlo::sim
