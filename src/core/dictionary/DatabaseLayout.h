#pragma once

#include <cstddef>

namespace morlo::database {

// data/TARNEX.dat: fixed records, no header, no count, no checksum.
inline constexpr std::size_t kRecordSize = 4510;

struct Field {
    std::size_t offset;
    std::size_t size;
};

inline constexpr Field kIndex{0, 4};     // 4 ASCII hexadecimal digits
inline constexpr Field kSubIndex{4, 2};  // 2 ASCII hexadecimal digits
inline constexpr Field kNameChinese{6, 64};
inline constexpr Field kNameEnglish{70, 64};
inline constexpr Field kDataType{134, 16};
inline constexpr Field kAttribute{150, 8};
inline constexpr Field kHelpChinese{158, 2048};
inline constexpr Field kHelpEnglish{2206, 2048};
inline constexpr Field kUnitSpec{4254, 256};

static_assert(kUnitSpec.offset + kUnitSpec.size == kRecordSize);

// Language values of [sys] lang.
inline constexpr int kLanguageChinese = 1;
inline constexpr int kLanguageEnglish = 2;
inline constexpr int kLanguageBeingChosen = 3;

}  // namespace morlo::database
