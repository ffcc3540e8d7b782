#include "profile/IniDocument.h"

#include <algorithm>

namespace morlo {
namespace {

constexpr std::size_t npos = static_cast<std::size_t>(-1);

std::string_view Trim(std::string_view text) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z') {
            x = static_cast<char>(x - 'a' + 'A');
        }
        if (y >= 'a' && y <= 'z') {
            y = static_cast<char>(y - 'a' + 'A');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

// The name of a "[name]" header line, or nullopt when the line is no header.
std::optional<std::string_view> HeaderName(std::string_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[') {
        return std::nullopt;
    }
    std::size_t close = line.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> SplitKeyLine(std::string_view line) {
    std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';') {
        return std::nullopt;
    }
    std::size_t eq = trimmed.find('=');
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    KeyLine out{Trim(trimmed.substr(0, eq)), Trim(trimmed.substr(eq + 1))};
    if (out.value.size() >= 2 && (out.value.front() == '"' || out.value.front() == '\'') &&
        out.value.back() == out.value.front()) {
        out.value = out.value.substr(1, out.value.size() - 2);
    }
    return out;
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view text) {
    IniDocument doc;
    bool sawLineEnd = false;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        Line line;
        if (end == std::string_view::npos) {
            line.text = std::string(text);
            line.hasLineEnd = false;
            text = {};
        } else {
            std::string_view raw = text.substr(0, end);
            if (!sawLineEnd) {
                doc.newline_ = (!raw.empty() && raw.back() == '\r') ? "\r\n" : "\n";
                sawLineEnd = true;
            }
            if (!raw.empty() && raw.back() == '\r') {
                raw.remove_suffix(1);
            }
            line.text = std::string(raw);
            text.remove_prefix(end + 1);
        }
        doc.lines_.push_back(std::move(line));
    }
    return doc;
}

std::size_t IniDocument::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        auto name = HeaderName(lines_[i].text);
        if (name && EqualsNoCase(*name, Trim(section))) {
            return i;
        }
    }
    return npos;
}

std::size_t IniDocument::SectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && !HeaderName(lines_[i].text)) {
        ++i;
    }
    return i;
}

bool IniDocument::HasSection(std::string_view section) const {
    return FindSection(section) != npos;
}

std::vector<std::string> IniDocument::SectionNames() const {
    std::vector<std::string> names;
    for (const Line& line : lines_) {
        if (auto name = HeaderName(line.text)) {
            names.emplace_back(*name);
        }
    }
    return names;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
    std::size_t header = FindSection(section);
    if (header == npos) {
        return std::nullopt;
    }
    std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        auto kv = SplitKeyLine(lines_[i].text);
        if (kv && EqualsNoCase(kv->key, Trim(key))) {
            return std::string(kv->value);
        }
    }
    return std::nullopt;
}

std::vector<std::pair<std::string, std::string>> IniDocument::Entries(
    std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> out;
    std::size_t header = FindSection(section);
    if (header == npos) {
        return out;
    }
    std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (auto kv = SplitKeyLine(lines_[i].text)) {
            out.emplace_back(std::string(kv->key), std::string(kv->value));
        }
    }
    return out;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    std::string keyLine = std::string(Trim(key)) + "=" + std::string(value);
    std::size_t header = FindSection(section);
    if (header == npos) {
        if (!lines_.empty()) {
            lines_.back().hasLineEnd = true;
        }
        lines_.push_back({"[" + std::string(Trim(section)) + "]", true});
        lines_.push_back({keyLine, true});
        return;
    }
    std::size_t end = SectionEnd(header);
    std::size_t lastContent = header;
    for (std::size_t i = header + 1; i < end; ++i) {
        auto kv = SplitKeyLine(lines_[i].text);
        if (kv && EqualsNoCase(kv->key, Trim(key))) {
            lines_[i].text = keyLine;
            return;
        }
        if (!Trim(lines_[i].text).empty()) {
            lastContent = i;
        }
    }
    // New keys go right after the section's last non-blank line, as the Windows functions do.
    lines_[lastContent].hasLineEnd = true;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(lastContent + 1), {keyLine, true});
}

std::string IniDocument::ToText() const {
    std::string out;
    for (const Line& line : lines_) {
        out += line.text;
        if (line.hasLineEnd) {
            out += newline_;
        }
    }
    return out;
}

}  // namespace morlo
