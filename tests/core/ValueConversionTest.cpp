#include <gtest/gtest.h>

#include <vector>

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

class ValueConversionTest : public ::testing::Test {
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
        auto number = ValueConversion::RawToNumber(type, raw);
        if (!number) {
            return "<no number>";
        }
        std::string formula;
        if (!conversion.ApplyUnit(kPage, key, unit, *number, formula)) {
            return "<no unit>";
        }
        return ValueConversion::FormatNumber(unit, type, formula, *number);
    }

    Messages messages;
    ObjectDictionary dictionary;
    FormulaEvaluator evaluator;
    UnitTable units;
    ValueConversion conversion;
    std::vector<Request> requests;
    std::vector<std::string> help;
};

TEST_F(ValueConversionTest, RawValuesByWidthAndSign) {
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

TEST_F(ValueConversionTest, FormatsInDecHexAsciiAndUnits) {
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
    EXPECT_EQ(Show(0x606C00, "I32", 1024, "furlong"), "<no unit>");
    EXPECT_EQ(Show(0x999900, "I32", 1024, "r/min"), "<no unit>");  // no record
    EXPECT_EQ(units.ChoiceList(0x606C00), (std::vector<std::string>{"r/min", "ms", "DEC"}));
    EXPECT_EQ(units.ChoiceList(0x123400), (std::vector<std::string>{"DEC"}));
}

TEST_F(ValueConversionTest, DefaultUnitsAndRepeatedRecords) {
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
    units.AddUnits(0x606C00, "[rpm r/min]N*60/512,[rps]N/512", unit);
    unit.clear();
    units.AddUnits(0x606C00, "[other]N*1", unit);  // not parsed again
    EXPECT_EQ(unit, "r/min");
    UnitRecord record;
    ASSERT_TRUE(units.Find(0x606C00, record));
    EXPECT_EQ(record.units.size(), 2u);
}

TEST_F(ValueConversionTest, WritesByUnit) {
    std::string unit;
    units.AddUnits(0x606C00, "[rpm r/min]N*60/512,[r/min DEC]N*512/60", unit);
    Rows rows;
    rows.Add(0x200001, "U16", "AB", "ASCII");
    rows.Add(0x200002, "U16", "ABC", "ASCII");
    rows.Add(0x200003, "I16", " -12x", "DEC");
    rows.Add(0x200004, "U32", "4294967295", "");
    rows.Add(0x200005, "U8", "1f", "HEX");
    rows.Add(0x606C00, "I32", "120", "r/min");
    for (int row = 0; row < rows.RowCount(); ++row) {
        conversion.WriteRow(kPage, rows, row);
    }
    EXPECT_EQ(requests, (std::vector<Request>{{kPage, link::kCmdWrite16, 0x200001, 0x4241},
                                              {kPage, link::kCmdWrite16, 0x200003, -12},
                                              {kPage, link::kCmdWrite32, 0x200004, -1},
                                              {kPage, link::kCmdWrite8, 0x200005, 0x1F},
                                              {kPage, link::kCmdWrite32, 0x606C00, 1024}}));
}

TEST_F(ValueConversionTest, MissingConstantsAreReadAndTheConversionParked) {
    std::string unit;
    units.AddUnits(0x606400, "[pdeg deg]N*360/[20300320],[deg DEC]N*[20300320]/360", unit);
    // Display: the constant is asked for on behalf of the main window, the read parked.
    EXPECT_EQ(Show(0x606400, "I32", 5000, "deg"), "<no unit>");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], (Request{kMain, kCmdRead, 0x203003, 0}));
    EXPECT_TRUE(evaluator.HasPending());
    // The constant arrives: the parked read is submitted for the page, once.
    evaluator.AddConstant(0x203003, 10000);
    evaluator.RunPending();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1], (Request{kPage, kCmdRead, 0x606400, 0}));
    EXPECT_EQ(Show(0x606400, "I32", 5000, "deg"), "180.000");
    evaluator.RunPending();
    EXPECT_EQ(requests.size(), 2u);

    // A write in the unit: converted with the known constant.
    Rows rows;
    rows.Add(0x606400, "I32", "90", "deg");
    conversion.WriteRow(kPage, rows, 0);
    EXPECT_EQ(requests.back(), (Request{kPage, link::kCmdWrite32, 0x606400, 2500}));
    // A shown value keeps the constant table current.
    std::string formula;
    double n = 20000;
    conversion.ApplyUnit(kPage, 0x203003, "DEC", n, formula);
    EXPECT_EQ(evaluator.GetConstant(0x203003), 20000);
    EXPECT_EQ(evaluator.GetConstant(0x777700), 1);
    EXPECT_EQ(messages.shown.back(), kMsgConstantMissing);
}

TEST_F(ValueConversionTest, ParkedWritesWaitForTheirConstant) {
    std::string unit;
    units.AddUnits(0x606400, "[pdeg deg]N*360/[20300320],[deg DEC]N*[20300320]/360", unit);
    Rows rows;
    rows.Add(0x606400, "I32", "90", "deg");
    EXPECT_TRUE(conversion.WriteRow(kPage, rows, 0));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].key, 0x203003);
    evaluator.AddConstant(0x203003, 10000);
    evaluator.RunPending();
    EXPECT_EQ(requests.back(), (Request{kPage, link::kCmdWrite32, 0x606400, 2500}));
}

TEST_F(ValueConversionTest, HelpTextAndRows) {
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

}  // namespace
}  // namespace morlo
