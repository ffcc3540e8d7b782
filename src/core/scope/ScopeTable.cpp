#include "scope/ScopeTable.h"

#include <algorithm>
#include <cmath>

#include "text/Csv.h"
#include "text/NumberIo.h"

namespace morlo::scope {
namespace {

constexpr const char* kTimeHeader = "time_ms";
constexpr double kMillisecondsPerMicrosecond = 1e-3;
constexpr int kTableDigits = 15;

std::string ValueText(const TableChannel& channel, double raw) {
    if (channel.hexDigits > 0) {
        const auto bits = static_cast<unsigned>(channel.hexDigits * 4);
        const auto pattern =
            static_cast<std::uint64_t>(static_cast<std::int64_t>(std::llround(raw)));
        const std::uint64_t mask = bits >= 64 ? ~0ULL : (1ULL << bits) - 1;
        return WriteUpperHex(pattern & mask, static_cast<std::size_t>(channel.hexDigits));
    }
    // Fifteen significant digits: every digit a double holds for sure, no binary artefacts
    // of the coefficient ("2.3", not "2.3000000000000003").
    return WriteSignificant(raw * channel.coefficient, kTableDigits);
}

}  // namespace

std::string WriteScopeTable(const Curves& curves,
                            const std::array<TableChannel, kChannelCount>& channels,
                            std::int32_t period, int timeZero) {
    std::string text = kTimeHeader;
    std::size_t rows = 0;
    for (std::size_t n = 0; n < channels.size(); ++n) {
        if (!channels[n].shown) {
            continue;
        }
        text += ',' + CsvField(channels[n].name + " [" + channels[n].unit + "]");
        rows = std::max(rows, curves[n].size());
    }
    text += '\n';
    const double msPerSample = period * kPeriodUnitMicroseconds * kMillisecondsPerMicrosecond;
    for (std::size_t row = 0; row < rows; ++row) {
        const auto sample = static_cast<double>(row + 1);
        text += WriteSignificant((sample - timeZero) * msPerSample, kTableDigits);
        for (std::size_t n = 0; n < channels.size(); ++n) {
            if (!channels[n].shown) {
                continue;
            }
            text += ',';
            if (row < curves[n].size()) {
                text += ValueText(channels[n], curves[n][row]);
            }
        }
        text += '\n';
    }
    return text;
}

}  // namespace morlo::scope
