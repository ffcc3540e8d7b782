#include "values/UnitSpec.h"

#include <cstring>

namespace morlo {

bool IsFormulaCharacter(char c) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) {
        return true;
    }
    return c != '\0' && std::strchr(".N*/+-[]sqrt()", c) != nullptr;
}

std::vector<UnitDefinition> ParseUnitSpec(std::string_view text) {
    std::vector<UnitDefinition> units;
    while (text.find('[') != std::string_view::npos) {
        std::size_t open = text.find('[');
        std::size_t close = text.find(']');
        if (open == std::string_view::npos || close == std::string_view::npos) {
            break;
        }
        // The words are whatever stands between the first "[" and the first "]".
        std::string_view words;
        if (close > open) {
            words = text.substr(open + 1, close - open - 1);
        }
        UnitDefinition unit;
        std::size_t blank = words.find(' ');
        if (blank == std::string_view::npos) {
            unit.name = std::string(words);
        } else {
            unit.name = std::string(words.substr(0, blank));
            unit.label = std::string(words.substr(blank + 1));
        }
        text.remove_prefix(close + 1);
        std::size_t length = 0;
        while (length < text.size() && IsFormulaCharacter(text[length])) {
            ++length;
        }
        unit.formula = std::string(text.substr(0, length));
        text.remove_prefix(length);
        units.push_back(std::move(unit));
        if (!text.empty()) {
            text.remove_prefix(1);  // the separator
        }
    }
    return units;
}

}  // namespace morlo
