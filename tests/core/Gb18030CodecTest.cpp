// The core's own GB18030, UTF-8 and UTF-16 codec gives the same texts as glibc's iconv, which
// the Linux build used before: on every character, and on random and broken input.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "text/Encoding.h"

#if defined(__GLIBC__)
#include <iconv.h>

#include <cerrno>
#include <vector>

namespace morlo {
namespace {

// The former conversion: iconv, one replacement per undecodable unit, skipped by its lead.
std::string IconvReference(std::string_view input, const char* from, const char* to,
                           std::string_view replacement) {
    std::string out;
    if (input.empty()) {
        return out;
    }
    iconv_t cd = iconv_open(to, from);
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
        out.append(replacement);
        std::size_t skip = 1;
        if (std::string_view(from) == "UTF-8") {
            auto lead = static_cast<unsigned char>(*in);
            skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        } else if (std::string_view(from) == "UTF-16LE") {
            skip = 2;
        }
        skip = std::min(skip, inLeft);
        in += skip;
        inLeft -= skip;
    }
    iconv_close(cd);
    return out;
}

std::string Utf8Of(std::uint32_t cp) {
    std::u32string one(1, static_cast<char32_t>(cp));
    return IconvReference(std::string_view(reinterpret_cast<const char*>(one.data()), 4),
                          "UTF-32LE", "UTF-8", "");
}

// Where two long texts part, with a little of each from there; empty when they are equal.
std::string FirstDifference(const std::string& ours, const std::string& reference) {
    const auto parted = std::mismatch(ours.begin(), ours.end(), reference.begin(), reference.end());
    if (parted.first == ours.end() && parted.second == reference.end()) {
        return {};
    }
    const auto at = static_cast<std::size_t>(parted.first - ours.begin());
    const std::size_t from = at < 8 ? 0 : at - 8;
    return "at byte " + std::to_string(at) + ": ours " +
           testing::PrintToString(ours.substr(from, 24)) + ", iconv " +
           testing::PrintToString(reference.substr(from, 24));
}

TEST(Gb18030Codec, EveryCharacterAsIconvHasIt) {
    // Every two-byte code, and every character of the BMP and a stretch beyond, both ways.
    std::string twoByte;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            twoByte += static_cast<char>(lead);
            twoByte += static_cast<char>(trail);
        }
    }
    EXPECT_EQ(FirstDifference(Gb18030ToUtf8(twoByte),
                              IconvReference(twoByte, "GB18030", "UTF-8", "\xEF\xBF\xBD")),
              "");
    std::string characters;
    for (std::uint32_t cp = 1; cp <= 0x2FFFF; ++cp) {
        if (cp < 0xD800 || cp > 0xDFFF) {
            characters += Utf8Of(cp);
        }
    }
    characters += Utf8Of(0x10FFFF);
    const std::string gb = Utf8ToGb18030(characters);
    EXPECT_EQ(FirstDifference(gb, IconvReference(characters, "UTF-8", "GB18030", "?")), "");
    EXPECT_EQ(
        FirstDifference(Gb18030ToUtf8(gb), IconvReference(gb, "GB18030", "UTF-8", "\xEF\xBF\xBD")),
        "");
    const std::string utf16 = Utf8ToUtf16Le(characters);
    EXPECT_EQ(FirstDifference(utf16, IconvReference(characters, "UTF-8", "UTF-16LE",
                                                    std::string_view("?\0", 2))),
              "");
    EXPECT_EQ(FirstDifference(Utf16LeToUtf8(utf16), characters), "");
}

TEST(Gb18030Codec, RandomAndBrokenInputAsIconvHasIt) {
    std::mt19937 random(20261208);
    // Bytes drawn mostly from the ranges the encodings use, so that near-misses are common.
    const std::string alphabet = std::string(
        "\x81\x84\x8F\x90\xE3\xE4\xFE\xFF\x80\x30\x39\x40"
        "\x7F\xA1\xC2\xDF\xE0\xED\xEF\xF0\xF4\xF5\xBF\xD8"
        "\xDB\xDC\xDF\x00\x41",
        29);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        const int length = static_cast<int>(random() % 12);
        for (int i = 0; i < length; ++i) {
            bytes += random() % 2 ? alphabet[random() % alphabet.size()]
                                  : static_cast<char>(random() % 256);
        }
        ASSERT_EQ(Gb18030ToUtf8(bytes), IconvReference(bytes, "GB18030", "UTF-8", "\xEF\xBF\xBD"))
            << testing::PrintToString(bytes);
        ASSERT_EQ(Utf8ToGb18030(bytes), IconvReference(bytes, "UTF-8", "GB18030", "?"))
            << testing::PrintToString(bytes);
        ASSERT_EQ(Utf16LeToUtf8(bytes), IconvReference(bytes, "UTF-16LE", "UTF-8", "\xEF\xBF\xBD"))
            << testing::PrintToString(bytes);
        ASSERT_EQ(Utf8ToUtf16Le(bytes),
                  IconvReference(bytes, "UTF-8", "UTF-16LE", std::string_view("?\0", 2)))
            << testing::PrintToString(bytes);
    }
}

}  // namespace
}  // namespace morlo
#endif
