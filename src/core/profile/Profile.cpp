#include "profile/Profile.h"

#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <system_error>

#include "profile/FileAccess.h"
#include "profile/IniDocument.h"
#include "text/Encoding.h"
#include "text/NumberIo.h"

namespace morlo {
namespace {

// The file as a document whose bytes are in the working form: GB18030 for 8-bit files
// (so untouched lines keep their bytes), UTF-8 for UTF-16 files.
IniDocument DocumentOf(std::string_view text, ProfileEncoding encoding) {
    if (encoding == ProfileEncoding::Utf16Le) {
        // Files written elsewhere may carry a byte-order mark; ours do not.
        if (text.substr(0, 2) == "\xFF\xFE") {
            text.remove_prefix(2);
        }
        return IniDocument::Parse(Utf16LeToUtf8(text));
    }
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    return IniDocument::Parse(text);
}

// Whatever cannot be read reads as an empty document.
IniDocument LoadDocument(const std::filesystem::path& file, ProfileEncoding encoding) {
    FileContents contents = ReadWholeFile(file);
    return DocumentOf(contents.bytes, encoding);
}

// Program text (UTF-8) to the document's working form.
std::string ToWorking(std::string_view utf8, ProfileEncoding encoding) {
    return encoding == ProfileEncoding::EightBit ? Utf8ToGb18030(utf8) : std::string(utf8);
}

std::string FromWorking(std::string_view text, ProfileEncoding encoding) {
    return encoding == ProfileEncoding::EightBit ? Gb18030ToUtf8(text) : std::string(text);
}

}  // namespace

std::string Profile::ReadString(const std::filesystem::path& file, std::string_view section,
                                std::string_view key, std::size_t bufferChars,
                                ProfileEncoding encoding) {
    IniDocument doc = LoadDocument(file, encoding);
    auto value = doc.Get(ToWorking(section, encoding), ToWorking(key, encoding));
    if (!value || bufferChars == 0) {
        return {};
    }
    return TruncateUtf16Units(FromWorking(*value, encoding), bufferChars - 1);
}

int Profile::ReadInt(const std::filesystem::path& file, std::string_view section,
                     std::string_view key, std::size_t bufferChars, ProfileEncoding encoding) {
    return NumberOf(ReadString(file, section, key, bufferChars, encoding));
}

int Profile::NumberOf(std::string_view text) {
    std::optional<std::int64_t> value = ReadInteger(text);
    if (!value || *value < std::numeric_limits<int>::min() ||
        *value > std::numeric_limits<int>::max()) {
        return 0;
    }
    return static_cast<int>(*value);
}

bool Profile::WriteString(const std::filesystem::path& file, std::string_view section,
                          std::string_view key, std::string_view value, ProfileEncoding encoding) {
    FileContents contents = ReadWholeFile(file);
    if (contents.problem != FileProblem::None && contents.problem != FileProblem::Missing) {
        return false;  // rewriting a file that cannot be read would lose its other keys
    }
    IniDocument doc = DocumentOf(contents.bytes, encoding);
    doc.Set(ToWorking(section, encoding), ToWorking(key, encoding), ToWorking(value, encoding));
    std::string text = doc.ToText();
    if (encoding == ProfileEncoding::Utf16Le) {
        text = Utf8ToUtf16Le(text);
    }
    std::filesystem::path temp = file;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            return false;
        }
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.flush();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, file, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

std::vector<std::string> Profile::SectionNames(const std::filesystem::path& file,
                                               ProfileEncoding encoding) {
    std::vector<std::string> names = LoadDocument(file, encoding).SectionNames();
    for (std::string& name : names) {
        name = FromWorking(name, encoding);
    }
    return names;
}

FileProblem Profile::Problem(const std::filesystem::path& file) {
    return ReadWholeFile(file).problem;  // a file may open and still fail to read
}

std::vector<std::pair<std::string, std::string>> Profile::ReadSection(
    const std::filesystem::path& file, std::string_view section, ProfileEncoding encoding) {
    IniDocument doc = LoadDocument(file, encoding);
    auto entries = doc.Entries(ToWorking(section, encoding));
    if (encoding == ProfileEncoding::EightBit) {
        for (auto& [key, value] : entries) {
            key = Gb18030ToUtf8(key);
            value = Gb18030ToUtf8(value);
        }
    }
    return entries;
}

}  // namespace morlo
