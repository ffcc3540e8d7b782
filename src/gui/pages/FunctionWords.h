#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace morlo::gui {

// The names of the drive's input and output functions, from one section of the function name
// file: key = language prefix + the function code in four hexadecimal digits.
class FunctionNameFile {
  public:
    FunctionNameFile(std::filesystem::path file, std::string section, int language);

    // The name of a code; empty when the code has no function.
    QString Name(std::uint16_t code) const;
    // The names of the functions a word selects, in bit order; bits without a name are left
    // out. A word up to 0x8000 selects input-type functions, a larger one output-type ones.
    QStringList NamesOf(std::uint16_t word) const;
    const std::string& Section() const { return section_; }

  private:
    std::filesystem::path file_;
    std::string section_;
    const char* prefix_;
};

// The codes a function dialog offers, in its order: the input dialog the input-type codes
// 0x0001 .. 0x4000, the output dialog the output-type codes 0x8001 .. 0xC000. The drive
// refuses a channel a function of the other kind, so its dialog never offers one.
std::vector<std::uint16_t> FunctionDialogCodes(bool outputs);

// Whether the dialog shows a code checked for a function word.
bool FunctionCodeChecked(std::uint16_t word, std::uint16_t code);

// The function word of the checked codes; nullopt when input-type and output-type functions
// are mixed.
std::optional<std::uint16_t> FunctionWordOfCodes(const std::vector<std::uint16_t>& checked);

}  // namespace morlo::gui
