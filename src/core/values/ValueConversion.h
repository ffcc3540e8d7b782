#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dictionary/ObjectDictionary.h"
#include "values/FormulaEvaluator.h"
#include "values/UnitTable.h"
#include "values/ValueInput.h"
#include "values/ValueRows.h"

namespace morlo {

// Raw drive values to the text of a list row and back.
class ValueConversion {
  public:
    using HelpPresenter = std::function<void(const std::string& text)>;
    // Told the text of a refused write (see WriteRow).
    using RefusalHandler = std::function<void(const std::string& refusal)>;

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

    enum class UnitResult { Applied, NoUnit, WaitingForConstant };
    // Converts the number into the unit; formula gets the unit's formula text ("" for DEC,
    // HEX, ASCII). WaitingForConstant: a constant of the formula is being read
    // (FormulaEvaluator::LastMissingConstant names it).
    UnitResult ApplyUnit(engine::ReceiverId window, ObjectKey key, const std::string& unit,
                         double& number, std::string& formula);

    // The text of the value column.
    static std::string FormatNumber(std::string_view unit, std::string_view dataType,
                                    std::string_view formula, double number);

    // A raw value as the value column shows it: RawToNumber, ApplyUnit and FormatNumber.
    struct Shown {
        enum class Status { Shown, Failed, WaitingForConstant } status = Status::Failed;
        std::string text;
        ObjectKey missingConstant = 0;  // WaitingForConstant
    };
    Shown ShowRaw(engine::ReceiverId window, ObjectKey key, const std::string& unit,
                  const std::string& dataType, std::uint32_t raw);

    // Turns the row's value text into a raw value by its unit and data type (ConvertInput)
    // and submits the write. A text that is not a value of the unit, or a value that does not
    // fit the data type, is refused: nothing is sent and `refused` gets the text. A conversion
    // that needs a constant waits for it and is then sent or refused, once.
    enum class WriteResult { Sent, Waiting, Refused };
    WriteResult WriteRow(engine::ReceiverId window, const ValueRows& rows, int row,
                         RefusalHandler refused = {});

    // Every object the unit formulas of the dictionary refer to, each once.
    std::vector<ObjectKey> ConstantsOfUnits() const;

    void ShowObjectHelp(ObjectKey key);
    static std::string HelpText(const DictionaryEntry& entry);

    // Width in bits and signedness of a data type text.
    static int WidthOf(std::string_view dataType);
    static bool IsUnsigned(std::string_view dataType);

  private:
    struct Write {
        engine::ReceiverId window;
        ObjectKey key;
        InputTarget target;
        std::string unit;
        std::string text;
        RefusalHandler refused;
    };
    WriteResult Convert(const Write& write);

    const ObjectDictionary& dictionary_;
    UnitTable& units_;
    FormulaEvaluator& evaluator_;
    RequestSubmitter submit_;
    HelpPresenter showHelp_;
};

}  // namespace morlo
