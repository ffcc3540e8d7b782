#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morlo {

// One unit of an object: shown under its label (or its name when there is no label) and
// converted with its formula.
struct UnitDefinition {
    std::string name;
    std::string label;
    std::string formula;

    const std::string& DisplayName() const { return label.empty() ? name : label; }
};

// Parses a unit definition text "[name label]formula,[name]formula...". Text before the first
// group is ignored; the formula is the longest run of formula characters after the "]", and
// one separator character after it is dropped.
std::vector<UnitDefinition> ParseUnitSpec(std::string_view unitSpec);

// Characters a formula may consist of.
bool IsFormulaCharacter(char c);

}  // namespace morlo
