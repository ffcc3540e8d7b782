#include "FunctionWords.h"

#include "AppContext.h"
#include "PageConstants.h"
#include "profile/Profile.h"
#include "text/NumberIo.h"

namespace morlo::gui {
namespace {

constexpr int kCodeDigits = 4;

bool IsOutputCode(std::uint16_t code) {
    return (code & page::kOutputFunctionFlag) != 0;
}

}  // namespace

FunctionNameFile::FunctionNameFile(std::filesystem::path file, std::string section, int language)
    : file_(std::move(file)),
      section_(std::move(section)),
      prefix_(language == kLanguageChinese ? page::kFunctionPrefixChinese
                                           : page::kFunctionPrefixEnglish) {}

QString FunctionNameFile::Name(std::uint16_t code) const {
    std::string digits = WriteHex(code);
    digits.insert(0, kCodeDigits - std::min<std::size_t>(digits.size(), kCodeDigits), '0');
    return QString::fromStdString(
        Profile::ReadString(file_, section_, prefix_ + digits, page::kFunctionNameBuffer));
}

QStringList FunctionNameFile::NamesOf(std::uint16_t word) const {
    const std::uint16_t base = word > page::kOutputFunctionFlag ? page::kOutputFunctionFlag : 0;
    QStringList names;
    for (int bit = 0; bit < page::kFunctionBitCount; ++bit) {
        const auto code = static_cast<std::uint16_t>(1u << bit);
        if ((word & code) == 0) {
            continue;
        }
        const QString name = Name(static_cast<std::uint16_t>(base | code));
        if (!name.isEmpty()) {
            names << name;
        }
    }
    return names;
}

std::vector<std::uint16_t> FunctionDialogCodes(bool outputs) {
    const std::uint16_t base = outputs ? page::kOutputFunctionFlag : 0;
    std::vector<std::uint16_t> codes;
    for (int bit = 0; bit < page::kFunctionBitCount; ++bit) {
        codes.push_back(static_cast<std::uint16_t>(base | (1u << bit)));
    }
    return codes;
}

bool FunctionCodeChecked(std::uint16_t word, std::uint16_t code) {
    const bool outputWord = word > page::kOutputFunctionFlag;
    if (IsOutputCode(code)) {
        return outputWord && (word & code & page::kFunctionBits) != 0;
    }
    return !outputWord && (word & code) != 0;
}

std::optional<std::uint16_t> FunctionWordOfCodes(const std::vector<std::uint16_t>& checked) {
    bool input = false;
    bool output = false;
    std::uint16_t word = 0;
    for (std::uint16_t code : checked) {
        (IsOutputCode(code) ? output : input) = true;
        word = static_cast<std::uint16_t>(word | code);
    }
    if (input && output) {
        return std::nullopt;
    }
    return word;
}

}  // namespace morlo::gui
