#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "dictionary/ObjectDictionary.h"
#include "values/FormulaEvaluator.h"
#include "values/UnitTable.h"
#include "values/ValueRows.h"

namespace morlo {

// Raw drive values to the text of a list row and back.
class ValueConversion {
  public:
    using HelpPresenter = std::function<void(const std::string& text)>;

    ValueConversion(const ObjectDictionary& dictionary, UnitTable& units,
                    FormulaEvaluator& evaluator, RequestSubmitter submit,
                    HelpPresenter showHelp = {});

    struct RowFacts {
        int row = -1;
        std::string unit;
        std::string dataType;
    };
    // The first row whose key column equals the key.
    static RowFacts FindRow(const ValueRows& rows, ObjectKey key);

    // The raw value as a number by the data type's width and sign; nullopt for an empty type
    // or a width other than 8, 16 or 32.
    static std::optional<double> RawToNumber(std::string_view dataType, std::uint32_t raw);

    // Converts the number into the unit; formula gets the unit's formula text ("" for DEC,
    // HEX, ASCII). False when no unit matched or a needed constant is not known yet.
    bool ApplyUnit(engine::ReceiverId window, ObjectKey key, const std::string& unit,
                   double& number, std::string& formula);

    // The text of the value column.
    static std::string FormatNumber(std::string_view unit, std::string_view dataType,
                                    std::string_view formula, double number);

    // Submits the write of the row's value column; false when nothing was sent or parked.
    bool WriteRow(engine::ReceiverId window, const ValueRows& rows, int row);

    void ShowObjectHelp(ObjectKey key);
    static std::string HelpText(const DictionaryEntry& entry);

    // Width in bits and signedness of a data type text.
    static int WidthOf(std::string_view dataType);
    static bool IsUnsigned(std::string_view dataType);

  private:
    const ObjectDictionary& dictionary_;
    UnitTable& units_;
    FormulaEvaluator& evaluator_;
    RequestSubmitter submit_;
    HelpPresenter showHelp_;
};

}  // namespace morlo
