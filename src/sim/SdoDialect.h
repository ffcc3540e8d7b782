#pragma once

namespace morlo::sim {

// How the drive words its answers. Family: write confirmations echo the value, texts always
// go segmented, and a full last segment is followed by an empty one. Standard: as any CiA 301
// device (no echo, short texts expedited with their size, the c bit on the last segment).
enum class SdoDialect { Family, Standard };

}  // namespace morlo::sim
