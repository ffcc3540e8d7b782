#include <gtest/gtest.h>

#include <vector>

#include "LocaleFixture.h"
#include "TempFolder.h"
#include "dictionary/DictionarySource.h"
#include "link/LinkConstants.h"
#include "values/ValueConversion.h"

namespace morlo {
namespace {

using link::kCmdRead;

struct Request {
    engine::ReceiverId window;
    std::uint8_t command;
    ObjectKey key;
    std::int32_t value;
    bool operator==(const Request&) const = default;
};

class Rows : public ValueRows {
  public:
    int RowCount() const override { return static_cast<int>(cells.size()); }
    std::string CellText(int row, int column) const override {
        return cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    }
    void Add(ObjectKey key, std::string type, std::string value, std::string unit) {
        cells.push_back({"1", std::to_string(key), "name", type, value, "RW", unit});
    }
    std::vector<std::vector<std::string>> cells;
};

class Messages : public MessageSink {
  public:
    void ShowMessage(std::string_view text) override { shown.emplace_back(text); }
    std::vector<std::string> shown;
};

constexpr engine::ReceiverId kMain = 1;
constexpr engine::ReceiverId kPage = 7;

// Every case runs in "C" and under a decimal comma: nothing may change.
class ValueConversionTest : public test::UnderLocale {
  protected:
    ValueConversionTest()
        : evaluator([this](engine::ReceiverId w, std::uint8_t c, ObjectKey k,
                           std::int32_t v) { return Submit(w, c, k, v); },
                    [] { return kMain; }, &messages),
          units(&messages),
          conversion(
              dictionary, units, evaluator,
              [this](engine::ReceiverId w, std::uint8_t c, ObjectKey k, std::int32_t v) {
                  return Submit(w, c, k, v);
              },
              [this](const std::string& text) { help.push_back(text); }) {}

    int Submit(engine::ReceiverId w, std::uint8_t c, ObjectKey k, std::int32_t v) {
        requests.push_back({w, c, k, v});
        return 0;
    }
    std::string Show(ObjectKey key, const std::string& type, std::uint32_t raw,
                     const std::string& unit) {
        auto shown = conversion.ShowRaw(kPage, key, unit, type, raw);
        switch (shown.status) {
            case ValueConversion::Shown::Status::Shown:
                return shown.text;
            case ValueConversion::Shown::Status::WaitingForConstant:
                return "<waiting>";
            case ValueConversion::Shown::Status::Failed:
                break;
        }
        return ValueConversion::RawToNumber(type, raw) ? "<no unit>" : "<no number>";
    }
    // Writes the row; the refusal text, or "" when nothing was refused.
    std::string Write(const Rows& rows, int row) {
        std::string refusal;
        conversion.WriteRow(kPage, rows, row, [&](const std::string& text) { refusal = text; });
        return refusal;
    }

    Messages messages;
    ObjectDictionary dictionary;
    FormulaEvaluator evaluator;
    UnitTable units;
    ValueConversion conversion;
    std::vector<Request> requests;
    std::vector<std::string> help;
};

TEST_P(ValueConversionTest, RawValuesByWidthAndSign) {
    EXPECT_EQ(ValueConversion::RawToNumber("I8", 0xFF), -1.0);
    EXPECT_EQ(ValueConversion::RawToNumber("U8", 0xFF), 255.0);
    EXPECT_EQ(ValueConversion::RawToNumber("U8", 200), 200.0);
    EXPECT_EQ(ValueConversion::RawToNumber("I8", 200), -56.0);
    EXPECT_EQ(ValueConversion::RawToNumber("I16", 0x8000), -32768.0);
    EXPECT_EQ(ValueConversion::RawToNumber("I32", 0xFFFFFFFF), -1.0);
    EXPECT_EQ(ValueConversion::RawToNumber("U32", 0xFFFFFFFF), 4294967295.0);
    EXPECT_FALSE(ValueConversion::RawToNumber("", 1));
    EXPECT_FALSE(ValueConversion::RawToNumber("VISIBLE STRING", 1));
}

TEST_P(ValueConversionTest, FormatsInDecHexAsciiAndUnits) {
    EXPECT_EQ(Show(0x200001, "I8", 0xFF, "DEC"), "-1");
    EXPECT_EQ(Show(0x200001, "U8", 0xFF, "DEC"), "255");
    EXPECT_EQ(Show(0x200001, "U32", 0xFFFFFFFF, "DEC"), "4294967295");
    EXPECT_EQ(Show(0x200001, "U32", 0xFFFFFFFF, "HEX"), "ffffffff");
    EXPECT_EQ(Show(0x200001, "I16", 0xFFFE, "HEX"), "fffe");
    EXPECT_EQ(Show(0x200001, "U16", 0x4241, "ASCII"), "AB");
    EXPECT_EQ(Show(0x200001, "U32", 0x41, ""), "A");
    EXPECT_EQ(ValueConversion::FormatNumber("DEC", "U12", "", 5), "???");

    std::string unit;
    units.AddUnits(0x606C00, "[rpm r/min]N*60/512,[r/min DEC]N*512/60,[ms]N*1", unit);
    EXPECT_EQ(unit, "r/min");
    EXPECT_EQ(Show(0x606C00, "I32", 1024, "r/min"), "120.000");
    EXPECT_EQ(Show(0x606C00, "I32", 1024, "ms"), "1024");  // identity shows an integer
    units.AddUnits(0x230008, "[usec us]N*62.5,[us DEC]N/62.5", unit);
    EXPECT_EQ(Show(0x230008, "U16", 16, "us"), "1000.000");  // a point, and the whole 62.5
    EXPECT_EQ(Show(0x230008, "U16", 3, "us"), "187.500");
    EXPECT_EQ(Show(0x606C00, "I32", 1024, "furlong"), "<no unit>");
    EXPECT_EQ(Show(0x999900, "I32", 1024, "r/min"), "<no unit>");  // no record
    EXPECT_EQ(units.ChoiceList(0x606C00), (std::vector<std::string>{"r/min", "ms", "DEC"}));
    EXPECT_EQ(units.ChoiceList(0x123400), (std::vector<std::string>{"DEC"}));
}

TEST_P(ValueConversionTest, DefaultUnitsAndRepeatedRecords) {
    std::string unit = "x";
    units.AddUnits(0x100000, "", unit);
    EXPECT_EQ(unit, "DEC");
    unit = "x";
    units.AddUnits(0x100100, "ab", unit);
    EXPECT_EQ(unit, "DEC");
    unit = "x";
    units.AddUnits(0x100200, "no groups here", unit);
    EXPECT_EQ(unit, "x");
    EXPECT_EQ(messages.shown, std::vector<std::string>{kMsgDefaultUnitFailure});
    // Listed again by another page: not a failure, and still shown in DEC.
    unit = "x";
    units.AddUnits(0x100000, "", unit);
    EXPECT_EQ(unit, "DEC");
    units.AddUnits(0x100100, "ab", unit);
    units.AddUnits(0x100200, "no groups here", unit);
    EXPECT_EQ(messages.shown.size(), 1u);
    units.AddUnits(0x606C00, "[rpm r/min]N*60/512,[rps]N/512", unit);
    unit.clear();
    units.AddUnits(0x606C00, "[other]N*1", unit);  // not parsed again
    EXPECT_EQ(unit, "r/min");
    UnitRecord record;
    ASSERT_TRUE(units.Find(0x606C00, record));
    EXPECT_EQ(record.units.size(), 2u);
}

TEST_P(ValueConversionTest, WritesByUnit) {
    std::string unit;
    units.AddUnits(0x606C00, "[rpm r/min]N*60/512,[r/min DEC]N*512/60", unit);
    units.AddUnits(0x203008, "[ohms ohm]N/100,[ohm DEC]N*100", unit);
    Rows rows;
    rows.Add(0x200001, "U16", "AB", "ASCII");
    rows.Add(0x200003, "I16", " -12 ", "DEC");
    rows.Add(0x200004, "U32", "4294967295", "");
    rows.Add(0x200005, "U8", "1f", "HEX");
    rows.Add(0x606C00, "I32", "120", "r/min");
    rows.Add(0x203008, "U16", "1.15", "ohm");
    for (int row = 0; row < rows.RowCount(); ++row) {
        EXPECT_EQ(Write(rows, row), "");
    }
    EXPECT_EQ(requests, (std::vector<Request>{{kPage, link::kCmdWrite16, 0x200001, 0x4241},
                                              {kPage, link::kCmdWrite16, 0x200003, -12},
                                              {kPage, link::kCmdWrite32, 0x200004, -1},
                                              {kPage, link::kCmdWrite8, 0x200005, 0x1F},
                                              {kPage, link::kCmdWrite32, 0x606C00, 1024},
                                              {kPage, link::kCmdWrite16, 0x203008, 115}}));
}

TEST_P(ValueConversionTest, RefusedWritesSendNothing) {
    Rows rows;
    rows.Add(0x607A00, "I32", "3000000000", "DEC");
    rows.Add(0x100D00, "U8", "300", "DEC");
    rows.Add(0x607A00, "I32", "abc", "DEC");
    rows.Add(0x607A00, "I32", "", "DEC");
    rows.Add(0x607A00, "I32", "12abc", "DEC");
    rows.Add(0x200002, "U16", "ABC", "ASCII");
    rows.cells[0][2] = "Target position";
    EXPECT_EQ(Write(rows, 0),
              "Target position: 3000000000 is out of range (-2147483648 .. 2147483647)!!");
    EXPECT_EQ(Write(rows, 1), "name: 300 is out of range (0 .. 255)!!");
    EXPECT_EQ(Write(rows, 2), "name: abc is not a number!!");
    EXPECT_EQ(Write(rows, 3), "name: the empty text is not a number!!");
    EXPECT_EQ(Write(rows, 4), "name: 12abc is not a number!!");
    EXPECT_EQ(Write(rows, 5), "name: ABC is not 2 characters long!!");
    EXPECT_TRUE(requests.empty());
}

TEST_P(ValueConversionTest, ShownValuesWaitForTheirConstant) {
    std::string unit;
    units.AddUnits(0x606400, "[pdeg deg]N*360/[20300320],[deg DEC]N*[20300320]/360", unit);
    // The constant is asked for once, on behalf of the main window, however many wait.
    EXPECT_EQ(Show(0x606400, "I32", 5000, "deg"), "<waiting>");
    EXPECT_EQ(Show(0x606400, "I32", 6000, "deg"), "<waiting>");
    EXPECT_EQ(requests, (std::vector<Request>{{kMain, kCmdRead, 0x203003, 0}}));
    EXPECT_EQ(evaluator.LastMissingConstant(), 0x203003);
    evaluator.ConstantArrived(0x203003, 10000);
    EXPECT_EQ(Show(0x606400, "I32", 5000, "deg"), "180.000");
    EXPECT_EQ(requests.size(), 1u);
    // A shown value keeps the constant table current; a newer answer updates it too.
    std::string formula;
    double n = 20000;
    conversion.ApplyUnit(kPage, 0x203003, "DEC", n, formula);
    EXPECT_EQ(evaluator.GetConstant(0x203003), 20000);
    evaluator.ConstantArrived(0x203003, 4000);
    EXPECT_EQ(evaluator.GetConstant(0x203003), 4000);
    EXPECT_EQ(evaluator.GetConstant(0x777700), 1);
    EXPECT_EQ(messages.shown.back(), kMsgConstantMissing);
}

TEST_P(ValueConversionTest, EveryWaitingWriteRunsOnceWhenItsConstantArrives) {
    std::string unit;
    units.AddUnits(0x606400, "[pdeg deg]N*360/[20300320],[deg DEC]N*[20300320]/360", unit);
    units.AddUnits(0x607100, "[torque Nm]N*[20300B10]/100000,[Nm DEC]N*100000/[20300B10]", unit);
    Rows rows;
    rows.Add(0x606400, "I32", "90", "deg");
    rows.Add(0x606500, "I32", "180", "deg");
    rows.Add(0x607100, "I16", "2", "Nm");
    rows.Add(0x606600, "I16", "720000", "deg");  // fits only without the constant
    units.AddUnits(0x606500, "[pdeg deg]N*360/[20300320],[deg DEC]N*[20300320]/360", unit);
    units.AddUnits(0x606600, "[pdeg deg]N*360/[20300320],[deg DEC]N*[20300320]/360", unit);
    std::vector<std::string> refusals;
    for (int row = 0; row < rows.RowCount(); ++row) {
        EXPECT_EQ(conversion.WriteRow(kPage, rows, row,
                                      [&](const std::string& t) { refusals.push_back(t); }),
                  ValueConversion::WriteResult::Waiting);
    }
    EXPECT_EQ(requests, (std::vector<Request>{{kMain, kCmdRead, 0x203003, 0},
                                              {kMain, kCmdRead, 0x20300B, 0}}));
    EXPECT_EQ(evaluator.PendingCount(), 4u);
    requests.clear();
    evaluator.ConstantArrived(0x203003, 10000);
    EXPECT_EQ(requests, (std::vector<Request>{{kPage, link::kCmdWrite32, 0x606400, 2500},
                                              {kPage, link::kCmdWrite32, 0x606500, 5000}}));
    EXPECT_EQ(refusals,
              std::vector<std::string>{"name: 720000 is out of range (-1179.648 .. 1179.612)!!"});
    // An unrelated arrival runs nothing again.
    evaluator.ConstantArrived(0x203003, 10000);
    EXPECT_EQ(requests.size(), 2u);
    // The drive refuses the other constant: the write waiting for it is refused, not lost.
    evaluator.ConstantRefused(0x20300B);
    EXPECT_EQ(refusals.back(), "name: 2 cannot be converted, object 2030:0B could not be read!!");
    EXPECT_EQ(evaluator.PendingCount(), 0u);
    EXPECT_EQ(requests.size(), 2u);
}

TEST_P(ValueConversionTest, ALinkThatClosesDropsWaitingConversions) {
    std::string unit;
    units.AddUnits(0x606400, "[pdeg deg]N*360/[20300320],[deg DEC]N*[20300320]/360", unit);
    Rows rows;
    rows.Add(0x606400, "I32", "90", "deg");
    conversion.WriteRow(kPage, rows, 0);
    evaluator.DropPending();
    EXPECT_EQ(evaluator.PendingCount(), 0u);
    EXPECT_FALSE(evaluator.IsRequested(0x203003));
    evaluator.ConstantArrived(0x203003, 10000);
    EXPECT_EQ(requests.size(), 1u);  // the old write is never sent
    // The next conversion asks again.
    conversion.WriteRow(kPage, rows, 0);
    EXPECT_EQ(requests.back(), (Request{kPage, link::kCmdWrite32, 0x606400, 2500}));
}

TEST_P(ValueConversionTest, HelpTextAndRows) {
    SourceObject object;
    object.index = 0x6041;
    object.subIndex = 0;
    object.nameChinese = "状态字";
    object.nameEnglish = "Statusword";
    object.dataType = "U16";
    object.access = "RL";
    object.helpChinese = "第一句。第二句\n下一行";
    object.helpEnglish = "x";
    test::TempFolder folder;
    test::WriteFile(folder / "db", EncodeDatabaseRecord(object));
    dictionary.LoadFile(folder / "db", 1);
    conversion.ShowObjectHelp(0x604100);
    conversion.ShowObjectHelp(0x123400);  // unknown: nothing
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0],
              "Index: 0x604100\r\nName: 状态字\r\nData Type: U16  RL\r\nOperator Help:\r\n"
              "第一句。\r\n第二句\r\n下一行");

    Rows rows;
    rows.Add(0x200001, "U16", "", "DEC");
    rows.Add(0x604100, "U16", "", "HEX");
    auto facts = ValueConversion::FindRow(rows, 0x604100);
    EXPECT_EQ(facts.row, 1);
    EXPECT_EQ(facts.unit, "HEX");
    EXPECT_EQ(ValueConversion::FindRow(rows, 0x1).row, -1);
}

INSTANTIATE_TEST_SUITE_P(Locales, ValueConversionTest, test::kTestLocales);

}  // namespace
}  // namespace morlo
