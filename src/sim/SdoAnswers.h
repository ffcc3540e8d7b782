#pragma once

#include <cstdint>

#include "link/AbortCode.h"
#include "link/LinkTypes.h"

namespace morlo::sim {

// An abort answer: index and subindex of the request, the code in bytes 4-7.
link::SdoPayload AbortAnswer(const link::SdoPayload& request, link::AbortCode code);

// An answer with the request's index and subindex, the command and a value in bytes 4-7.
link::SdoPayload EchoAnswer(const link::SdoPayload& request, std::uint8_t command,
                            std::uint32_t value);

}  // namespace morlo::sim
