// Answers off the wire: any 10 bytes decoded against any request command.

#include <cstdint>
#include <optional>

#include "link/SdoFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 11) {
        return 0;
    }
    morlo::link::SerialFrame frame{};
    for (std::size_t i = 0; i < frame.size(); ++i) {
        frame[i] = data[i + 1];
    }
    const auto payload = morlo::link::SerialPayload(frame);
    morlo::link::SerialChecksumOk(frame);
    morlo::link::DecodeAnswer(data[0], payload, 0);
    const int count = morlo::link::SegmentDataCount(payload[0]);
    if (count < 0 || count > 7) {
        __builtin_trap();
    }
    const auto request = morlo::link::BuildPayload(0x604100, data[0], 0);
    morlo::link::AnswerFits(request, payload, std::nullopt);
    morlo::link::AnswerFits(request, payload, morlo::ObjectKey{0x100800});
    return 0;
}
