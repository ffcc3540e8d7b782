#include "text/Encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <vector>

namespace morlo {
namespace {

constexpr const char* kEightBitCodePage = "GB18030";

// One iconv conversion; iconv handles are not shared between threads, so each call opens its own.
std::string Convert(std::string_view input, const char* from, const char* to,
                    std::string_view replacement) {
    std::string out;
    if (input.empty()) {
        return out;
    }
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::string(input);
    }
    std::vector<char> buffer(input.size() * 4 + 16);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), buffer.size() - outLeft);
        if (rc != static_cast<std::size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            continue;
        }
        // Invalid or incomplete sequence: replace one input unit and go on.
        out.append(replacement);
        std::size_t skip = 1;
        if (std::string_view(from) == "UTF-8") {
            // Skip the whole UTF-8 character, not just its first byte.
            auto lead = static_cast<unsigned char>(*in);
            skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        } else if (std::string_view(from) == "UTF-16LE") {
            skip = 2;
        }
        if (skip > inLeft) {
            skip = inLeft;
        }
        in += skip;
        inLeft -= skip;
    }
    iconv_close(cd);
    return out;
}

}  // namespace

std::string Gb18030ToUtf8(std::string_view bytes) {
    return Convert(bytes, kEightBitCodePage, "UTF-8", "\xEF\xBF\xBD");
}

std::string Utf8ToGb18030(std::string_view utf8) {
    return Convert(utf8, "UTF-8", kEightBitCodePage, "?");
}

std::string Utf16LeToUtf8(std::string_view bytes) {
    return Convert(bytes, "UTF-16LE", "UTF-8", "\xEF\xBF\xBD");
}

std::string Utf8ToUtf16Le(std::string_view utf8) {
    return Convert(utf8, "UTF-8", "UTF-16LE", std::string_view("?\0", 2));
}

namespace {
// Byte length of the UTF-8 character that starts with this byte (1 for stray bytes).
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
}  // namespace

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

std::string PathUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace morlo
