#include "text/Encoding.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace morlo {
namespace {

#include "text/Gb18030Table.inc"

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";
constexpr std::uint32_t kMaxCodePoint = 0x10FFFF;
constexpr std::uint32_t kFirstSupplementary = 0x10000;
// Four-byte GB18030 codes count on from 0x81308130 in steps of the last, third, second byte.
constexpr std::uint32_t kFourByteSpan = 10 * 126 * 10;  // codes per first byte
constexpr std::uint32_t kSupplementaryStart = (0x90 - 0x81) * kFourByteSpan;  // 0x90308130

bool IsTwoByteTrail(std::uint8_t b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
}
bool IsMultiByteLead(std::uint8_t b) {
    return b >= 0x81 && b <= 0xFE;
}
bool IsDigitByte(std::uint8_t b) {
    return b >= 0x30 && b <= 0x39;
}

std::size_t TwoByteIndex(std::uint8_t lead, std::uint8_t trail) {
    return static_cast<std::size_t>(lead - 0x81) * 190 +
           (trail < 0x7F ? trail - 0x40 : trail - 0x41);
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < kFirstSupplementary) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Byte length of the UTF-8 character that starts with this byte (1 for stray bytes): what an
// undecodable character is skipped by.
std::size_t Utf8CharLength(unsigned char lead) {
    if (lead >= 0xF0) {
        return 4;
    }
    if (lead >= 0xE0) {
        return 3;
    }
    if (lead >= 0xC0) {
        return 2;
    }
    return 1;
}

// The character at `at` and its length; nullopt for an invalid or cut-off sequence (overlong
// forms, surrogates and values past U+10FFFF are invalid).
std::optional<std::pair<std::uint32_t, std::size_t>> DecodeUtf8(std::string_view text,
                                                                std::size_t at) {
    const auto lead = static_cast<std::uint8_t>(text[at]);
    if (lead < 0x80) {
        return std::pair<std::uint32_t, std::size_t>{lead, 1};
    }
    std::size_t length = 0;
    std::uint32_t cp = 0;
    std::uint32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, cp = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, cp = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, cp = lead & 0x07, least = kFirstSupplementary;
    } else {
        return std::nullopt;
    }
    if (at + length > text.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<std::uint8_t>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < least || cp > kMaxCodePoint || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return std::nullopt;
    }
    return std::pair<std::uint32_t, std::size_t>{cp, length};
}

// Walks UTF-8 text: each character goes to `put`, each undecodable one gives `replacement` and
// is skipped by its lead byte's length.
template <typename Put>
std::string FromUtf8(std::string_view utf8, std::string_view replacement, Put put) {
    std::string out;
    for (std::size_t at = 0; at < utf8.size();) {
        if (auto decoded = DecodeUtf8(utf8, at)) {
            put(out, decoded->first);
            at += decoded->second;
        } else {
            out.append(replacement);
            at += std::min(Utf8CharLength(static_cast<unsigned char>(utf8[at])), utf8.size() - at);
        }
    }
    return out;
}

// The GB18030 character at `at`: its code point and length, nullopt when the bytes there are
// none (every byte of such a run is replaced on its own).
std::optional<std::pair<std::uint32_t, std::size_t>> DecodeGb18030(std::string_view bytes,
                                                                   std::size_t at) {
    const auto b1 = static_cast<std::uint8_t>(bytes[at]);
    if (b1 < 0x80) {
        return std::pair<std::uint32_t, std::size_t>{b1, 1};
    }
    if (!IsMultiByteLead(b1) || at + 1 >= bytes.size()) {
        return std::nullopt;
    }
    const auto b2 = static_cast<std::uint8_t>(bytes[at + 1]);
    if (IsTwoByteTrail(b2)) {
        const std::uint32_t cp = kGb18030TwoByte[TwoByteIndex(b1, b2)];
        return cp == 0 ? std::nullopt : std::optional{std::pair<std::uint32_t, std::size_t>{cp, 2}};
    }
    if (!IsDigitByte(b2) || at + 3 >= bytes.size()) {
        return std::nullopt;
    }
    const auto b3 = static_cast<std::uint8_t>(bytes[at + 2]);
    const auto b4 = static_cast<std::uint8_t>(bytes[at + 3]);
    if (!IsMultiByteLead(b3) || !IsDigitByte(b4)) {
        return std::nullopt;
    }
    const std::uint32_t linear = (static_cast<std::uint32_t>(b1 - 0x81) * 10 + (b2 - 0x30)) * 1260 +
                                 static_cast<std::uint32_t>(b3 - 0x81) * 10 + (b4 - 0x30);
    if (linear >= kSupplementaryStart) {
        const std::uint32_t cp = kFirstSupplementary + (linear - kSupplementaryStart);
        return cp > kMaxCodePoint ? std::nullopt
                                  : std::optional{std::pair<std::uint32_t, std::size_t>{cp, 4}};
    }
    const auto* run =
        std::upper_bound(std::begin(kGb18030FourByteBmp), std::end(kGb18030FourByteBmp), linear,
                         [](std::uint32_t value, const Gb18030Run& r) { return value < r.linear; });
    if (run == std::begin(kGb18030FourByteBmp)) {
        return std::nullopt;
    }
    --run;
    if (linear >= run->linear + run->length) {
        return std::nullopt;
    }
    return std::pair<std::uint32_t, std::size_t>{run->codePoint + (linear - run->linear), 4};
}

std::uint32_t FourByteCode(std::uint32_t linear) {
    const std::uint32_t b4 = 0x30 + linear % 10;
    linear /= 10;
    const std::uint32_t b3 = 0x81 + linear % 126;
    linear /= 126;
    const std::uint32_t b2 = 0x30 + linear % 10;
    const std::uint32_t b1 = 0x81 + linear / 10;
    return b1 << 24 | b2 << 16 | b3 << 8 | b4;
}

// The code of every character the tables name, the first code for a character named twice;
// two-byte codes are below 0x10000, four-byte codes above. Built once, on first use.
struct EncodeTable {
    std::vector<std::uint32_t> bmp = std::vector<std::uint32_t>(kFirstSupplementary, 0);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> supplementary;  // sorted by character

    EncodeTable() {
        for (std::uint32_t lead = 0x81; lead <= 0xFE; ++lead) {
            for (std::uint32_t trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F) {
                    continue;
                }
                const std::uint32_t cp = kGb18030TwoByte[TwoByteIndex(
                    static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail))];
                const std::uint32_t code = lead << 8 | trail;
                if (cp >= kFirstSupplementary) {
                    supplementary.emplace_back(cp, code);
                } else if (cp != 0 && bmp[cp] == 0) {
                    bmp[cp] = code;
                }
            }
        }
        for (const Gb18030Run& run : kGb18030FourByteBmp) {
            for (std::uint32_t i = 0; i < run.length; ++i) {
                if (bmp[run.codePoint + i] == 0) {
                    bmp[run.codePoint + i] = FourByteCode(run.linear + i);
                }
            }
        }
        std::stable_sort(supplementary.begin(), supplementary.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    }

    std::uint32_t CodeOf(std::uint32_t cp) const {
        if (cp < kFirstSupplementary) {
            return bmp[cp];
        }
        auto it = std::lower_bound(supplementary.begin(), supplementary.end(),
                                   std::pair<std::uint32_t, std::uint32_t>{cp, 0});
        if (it != supplementary.end() && it->first == cp) {
            return it->second;
        }
        return FourByteCode(kSupplementaryStart + (cp - kFirstSupplementary));
    }
};

const EncodeTable& Encoder() {
    static const EncodeTable table;
    return table;
}

}  // namespace

std::string Gb18030ToUtf8(std::string_view bytes) {
    std::string out;
    for (std::size_t at = 0; at < bytes.size();) {
        if (auto decoded = DecodeGb18030(bytes, at)) {
            AppendUtf8(out, decoded->first);
            at += decoded->second;
        } else {
            out.append(kReplacementUtf8);
            ++at;
        }
    }
    return out;
}

std::string Utf8ToGb18030(std::string_view utf8) {
    const EncodeTable& table = Encoder();
    return FromUtf8(utf8, "?", [&table](std::string& out, std::uint32_t cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
            return;
        }
        const std::uint32_t code = table.CodeOf(cp);
        if (code == 0) {
            out += '?';
        } else if (code <= 0xFFFF) {
            out += static_cast<char>(code >> 8);
            out += static_cast<char>(code & 0xFF);
        } else {
            for (int shift = 24; shift >= 0; shift -= 8) {
                out += static_cast<char>((code >> shift) & 0xFF);
            }
        }
    });
}

std::string Utf16LeToUtf8(std::string_view bytes) {
    std::string out;
    auto unitAt = [&bytes](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at])) |
               static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 1])) << 8;
    };
    for (std::size_t at = 0; at < bytes.size();) {
        if (at + 1 >= bytes.size()) {  // half a unit at the end
            out.append(kReplacementUtf8);
            ++at;
            continue;
        }
        const std::uint32_t unit = unitAt(at);
        if (unit < 0xD800 || unit > 0xDFFF) {
            AppendUtf8(out, unit);
            at += 2;
            continue;
        }
        if (unit <= 0xDBFF && at + 3 < bytes.size()) {
            const std::uint32_t low = unitAt(at + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, kFirstSupplementary + ((unit - 0xD800) << 10) + (low - 0xDC00));
                at += 4;
                continue;
            }
        }
        out.append(kReplacementUtf8);  // a surrogate without its other half
        at += 2;
    }
    return out;
}

std::string Utf8ToUtf16Le(std::string_view utf8) {
    auto putUnit = [](std::string& out, std::uint32_t unit) {
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    };
    return FromUtf8(utf8, std::string_view("?\0", 2),
                    [&putUnit](std::string& out, std::uint32_t cp) {
                        if (cp < kFirstSupplementary) {
                            putUnit(out, cp);
                        } else {
                            putUnit(out, 0xD800 + ((cp - kFirstSupplementary) >> 10));
                            putUnit(out, 0xDC00 + ((cp - kFirstSupplementary) & 0x3FF));
                        }
                    });
}

std::string PathUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::size_t Utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t len = Utf8CharLength(static_cast<unsigned char>(utf8[i]));
        units += len == 4 ? 2 : 1;
        i += len;
    }
    return units;
}

std::string TruncateUtf16Units(std::string_view utf8, std::size_t maxUnits) {
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        std::size_t len = Utf8CharLength(static_cast<unsigned char>(utf8[i]));
        std::size_t charUnits = len == 4 ? 2 : 1;
        if (units + charUnits > maxUnits) {
            break;
        }
        units += charUnits;
        i += len;
    }
    if (i > utf8.size()) {
        i = utf8.size();
    }
    return std::string(utf8.substr(0, i));
}

}  // namespace morlo
