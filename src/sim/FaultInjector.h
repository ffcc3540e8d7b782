#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "Prng.h"
#include "link/LinkTypes.h"

namespace morlo::sim {

// Link faults the simulated drive can show.
struct FaultSettings {
    std::chrono::milliseconds latency{0};  // delay of every answer
    double dropProbability = 0;            // 0..1
    int dropNext = 0;                      // the next N answers are lost
    double corruptProbability = 0;         // 0..1
    int corruptNext = 0;                   // the next N answers arrive damaged
    bool silent = false;                   // no answers at all
    std::optional<std::uint64_t> seed;     // fixed seed: the same faults every run
};

// An answer on its way to the link, with what the front end has to do to it.
struct Reply {
    link::SdoPayload payload{};
    bool corrupt = false;  // serial: damage the checksum; CAN: flip a data byte
    std::chrono::milliseconds latency{0};
};

// Decides the fate of each answer according to the fault settings.
class FaultInjector {
  public:
    FaultInjector();

    void Configure(const FaultSettings& settings);
    const FaultSettings& Settings() const { return settings_; }
    void DropNext(int count) { settings_.dropNext = count; }
    void CorruptNext(int count) { settings_.corruptNext = count; }

    std::optional<Reply> Apply(const std::optional<link::SdoPayload>& answer);

  private:
    FaultSettings settings_;
    Prng random_;
};

// Damage a corrupt answer the way its link would notice (or not).
void CorruptSerialFrame(link::SerialFrame& frame);
void CorruptCanMessage(link::CanMessage& message);

}  // namespace morlo::sim
