#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "Prng.h"
#include "link/LinkTypes.h"

namespace morlo::sim {

// Link faults the simulated drive can show.
struct FaultSettings {
    std::chrono::milliseconds latency{0};  // delay of every answer
    std::chrono::milliseconds jitter{0};   // plus a delay drawn from 0 .. jitter
    double dropProbability = 0;            // 0..1
    int dropNext = 0;                      // the next N answers are lost
    double corruptProbability = 0;         // 0..1
    int corruptNext = 0;                   // the next N answers arrive damaged
    double strayProbability = 0;           // 0..1: noise on the line before an answer
    std::optional<int> silentAfter;        // answers this many requests, then none
    bool silent = false;                   // no answers at all
    std::optional<std::uint64_t> seed;     // fixed seed: the same faults every run
};

// An answer on its way to the link, with what the front end has to do to it.
struct Reply {
    link::SdoPayload payload{};
    bool corrupt = false;  // serial: damage the checksum; CAN: the frame does not arrive
    std::chrono::milliseconds latency{0};
    // Noise sent ahead of the answer: serial: these bytes; CAN: a frame of another
    // identifier carrying them.
    std::vector<std::uint8_t> stray;
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
    std::chrono::milliseconds Delay();
    std::vector<std::uint8_t> Noise();

    FaultSettings settings_;
    Prng random_;
    int answered_ = 0;
};

// Damage a corrupt serial answer so that its checksum no longer fits.
void CorruptSerialFrame(link::SerialFrame& frame);

}  // namespace morlo::sim
