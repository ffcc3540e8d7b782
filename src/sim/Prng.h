#pragma once

#include <cstdint>

namespace morlo::sim {

// A small seeded generator (SplitMix64): the same seed gives the same noise and faults.
class Prng {
  public:
    explicit Prng(std::uint64_t seed = 1) : state_(seed) {}

    void Seed(std::uint64_t seed) { state_ = seed; }

    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

    // Uniform in [-1, 1).
    double Symmetric() { return 2.0 * Unit() - 1.0; }

  private:
    std::uint64_t state_;
};

}  // namespace morlo::sim
