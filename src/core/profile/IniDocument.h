#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morlo {

// An INI text held as lines, edited in place so that every line nobody asked to change stays
// byte for byte as it was. Section and key names compare case-insensitively (ASCII).
// The text is bytes with an ASCII structure: UTF-8 or an 8-bit code page whose multibyte
// characters never use '=' or a line break as a trail byte (GB18030 qualifies).
class IniDocument {
  public:
    IniDocument() = default;
    static IniDocument Parse(std::string_view text);

    // The value of the first key of that name in the first section of that name, without
    // surrounding blanks and without one pair of enclosing quotes.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;

    // Replaces the key's value, or adds the key at the end of the section, or adds the
    // section at the end of the text.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    // Every key = value line of the first section of that name, in text order.
    std::vector<std::pair<std::string, std::string>> Entries(std::string_view section) const;

    bool HasSection(std::string_view section) const;
    // The names of all sections in text order.
    std::vector<std::string> SectionNames() const;
    std::string ToText() const;

  private:
    struct Line {
        std::string text;
        bool hasLineEnd = true;
    };
    // Index of the first line of the section's header, or npos.
    std::size_t FindSection(std::string_view section) const;
    // One past the last line that belongs to the section that starts at header.
    std::size_t SectionEnd(std::size_t header) const;

    std::vector<Line> lines_;
    std::string newline_ = "\r\n";
};

}  // namespace morlo
