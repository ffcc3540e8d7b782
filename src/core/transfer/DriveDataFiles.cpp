#include "transfer/DriveDataFiles.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

#include "profile/FileAccess.h"
#include "text/Encoding.h"
#include "text/NumberText.h"
#include "transfer/DriveDataKey.h"
#include "transfer/TransferConstants.h"

namespace morlo::transfer {
namespace {

// Splits a text the way a line reader with a fixed buffer does: each piece ends after a line
// end or after the given number of characters (UTF-8 sequences count as one). Carriage
// returns before a line end are dropped, as a text-mode read does.
std::vector<std::string> Pieces(std::string_view bytes, std::size_t limit) {
    const std::string text = Gb18030ToUtf8(bytes);
    std::vector<std::string> pieces;
    std::string piece;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        const bool continuation = (static_cast<unsigned char>(c) & 0xC0) == 0x80;
        if (!continuation) {
            if (characters == limit) {
                pieces.push_back(std::move(piece));
                piece.clear();
                characters = 0;
            }
            ++characters;
        }
        piece += c;
        if (c == '\n') {
            pieces.push_back(std::move(piece));
            piece.clear();
            characters = 0;
        }
    }
    if (!piece.empty()) {
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

}  // namespace

std::vector<std::uint32_t> ReadObjectList(std::string_view bytes) {
    std::vector<std::uint32_t> keys;
    for (const std::string& piece : Pieces(bytes, kObjectListPiece)) {
        keys.push_back(ParseDriveDataKey(piece));
    }
    return keys;
}

std::vector<DriveDataLine> ReadDriveDataLines(std::string_view bytes) {
    std::vector<DriveDataLine> lines;
    for (const std::string& piece : Pieces(bytes, kDriveDataPiece)) {
        if (piece.find('i', 1) != std::string::npos) {
            continue;
        }
        if (piece.find(',', 1) == std::string::npos) {
            continue;
        }
        const std::size_t first = piece.find(',');
        DriveDataLine line;
        line.keyText = piece.substr(0, first);
        const std::size_t second = piece.find(',', first + 1);
        if (second != std::string::npos) {
            line.loadValue = piece.substr(first + 1, second - first - 1);
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

bool IsUsableLine(const DriveDataLine& line) {
    constexpr std::size_t kKeyDigits = 8;
    const std::string_view blanks = " \t";
    std::string_view key = line.keyText;
    const std::size_t first = key.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return false;
    }
    key = key.substr(first, key.find_last_not_of(blanks) - first + 1);
    if (key.size() != kKeyDigits ||
        !std::all_of(key.begin(), key.end(), [](char c) { return HexDigitValue(c) >= 0; })) {
        return false;
    }
    const int bits = KeySizeBits(ParseDriveDataKey(key));
    const bool sized = bits == 8 || bits == 16 || bits == 32;
    return sized && line.loadValue.find_first_not_of(blanks) != std::string::npos;
}

bool HasUsableLine(const std::vector<DriveDataLine>& lines) {
    return std::any_of(lines.begin(), lines.end(), IsUsableLine);
}

std::string WriteDriveDataText(const std::vector<TransferRow>& rows) {
    std::string text;
    for (const TransferRow& row : rows) {
        text += DriveDataKeyText(row.key);
        text += ',';
        text += ShownValue(row);
        text += ',';
        text += ResultText(row.result);
        text += kLineEnd;
    }
    return Utf8ToGb18030(text);
}

std::filesystem::path SavePathFor(const std::filesystem::path& chosen, std::string_view extension) {
    std::string name = PathUtf8(chosen.filename());
    const std::size_t dot = name.find('.', 1);
    if (dot != std::string::npos) {
        name.erase(dot);
    }
    name += '.';
    name += extension == kDriveDataExtension ? kDriveDataExtension : kTextExtension;
    return chosen.parent_path() / PathFromUtf8(name);
}

std::string ChosenExtension(const std::filesystem::path& chosen, std::string_view fallback) {
    const std::string name = PathUtf8(chosen.filename());
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        return std::string(fallback);
    }
    return name.substr(dot + 1);
}

bool ReadFileBytes(const std::filesystem::path& path, std::string& bytes) {
    FileContents contents = ReadWholeFile(path);
    if (contents.problem != FileProblem::None) {
        return false;
    }
    bytes = std::move(contents.bytes);
    return true;
}

bool WriteFileReplacing(const std::filesystem::path& path, std::string_view bytes) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return false;
    }
    std::filesystem::path temporary = path;
    temporary += kTemporarySuffix;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            return false;
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            out.close();
            std::filesystem::remove(temporary, ec);
            return false;
        }
    }
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::filesystem::remove(temporary, ec);
        return false;
    }
    return true;
}

}  // namespace morlo::transfer
