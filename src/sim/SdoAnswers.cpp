#include "SdoAnswers.h"

#include "link/LinkConstants.h"

namespace morlo::sim {

link::SdoPayload AbortAnswer(const link::SdoPayload& request, link::AbortCode code) {
    link::SdoPayload answer{};
    answer[0] = link::kCmdAbort;
    answer[1] = request[1];
    answer[2] = request[2];
    answer[3] = request[3];
    const auto value = static_cast<std::uint32_t>(code);
    for (std::size_t i = 0; i < 4; ++i) {
        answer[4 + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return answer;
}

link::SdoPayload EchoAnswer(const link::SdoPayload& request, std::uint8_t command,
                            std::uint32_t value) {
    link::SdoPayload answer = request;
    answer[0] = command;
    for (std::size_t i = 0; i < 4; ++i) {
        answer[4 + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return answer;
}

}  // namespace morlo::sim
