#include <gtest/gtest.h>

#include <fstream>

#include "TempFolder.h"
#include "scope/MappingValue.h"
#include "scope/ScopeItems.h"
#include "scope/ScopeValues.h"

namespace morlo::scope {
namespace {

const std::filesystem::path kBuilt = MORLO_BUILT_RUNTIME_DIR;

class ScopeItemsTest : public ::testing::Test {
  protected:
    ScopeItemsTest()
        : evaluator([this](engine::ReceiverId, std::uint8_t, ObjectKey key,
                           std::int32_t) { return asked.push_back(key), 0; },
                    [] { return engine::ReceiverId{1}; }) {
        EXPECT_TRUE(dictionary.LoadFile(kBuilt / "data" / "TARNEX.dat", 2));
    }
    ScopeUnits Units() { return {dictionary, units, evaluator, 7}; }

    ObjectDictionary dictionary;
    UnitTable units;
    FormulaEvaluator evaluator;
    std::vector<ObjectKey> asked;
};

TEST_F(ScopeItemsTest, ItemListFileStopsAtTheFirstMissingOrZeroKey) {
    test::TempFolder folder;
    const auto file = folder / "Oscilloscope.ini";
    std::ofstream(file) << "[trigger]\r\n1=0x606300\r\n2= 6077 00\r\n4=606C00\r\n"
                        << "[channel]\r\n1=606C00\r\n2=0\r\n3=607700\r\n";
    EXPECT_EQ(ReadItemKeys(file, "trigger"), (std::vector<ObjectKey>{0x606300, 0x607700}));
    EXPECT_EQ(ReadItemKeys(file, "channel"), (std::vector<ObjectKey>{0x606C00}));
    EXPECT_TRUE(ReadItemKeys(folder / "missing.ini", "channel").empty());
}

TEST_F(ScopeItemsTest, ItemsByWidthAndTheirComboOrder) {
    const auto velocity = MakeChannelItem(dictionary, units, 0x606C00);
    ASSERT_TRUE(velocity);
    EXPECT_EQ(velocity->mapping, 0x606C0021u);  // signed bit kept for decoding
    EXPECT_EQ(velocity->name, "Velocity actual value");
    EXPECT_FALSE(MakeChannelItem(dictionary, units, 0x230007));  // 8 bits: no channel
    EXPECT_FALSE(MakeChannelItem(dictionary, units, 0x100800));  // a text
    EXPECT_FALSE(MakeChannelItem(dictionary, units, 0x7777700));
    const auto state = MakeTriggerItem(dictionary, units, 0x230007);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->mapping, 0x23000708u);
    EXPECT_EQ(MakeTriggerItem(dictionary, units, 0x606C00)->mapping, 0x606C0020u);

    ChannelItems channels;
    channels.AddShared(*MakeChannelItem(dictionary, units, 0x607700));
    channels.AddShared(*velocity);
    channels.AddPrivate(2, *MakeChannelItem(dictionary, units, 0x606400));
    channels.AddPrivate(2, *MakeChannelItem(dictionary, units, 0x606200));
    EXPECT_EQ(channels.Count(0), 2);
    EXPECT_EQ(channels.Count(2), 4);
    EXPECT_EQ(MappingKey(channels.At(2, 0)->mapping), 0x606200);  // newest private first
    EXPECT_EQ(channels.At(2, 0)->sequence, 2);
    EXPECT_EQ(MappingKey(channels.At(2, 2)->mapping), 0x607700);  // then the shared ones
    EXPECT_EQ(channels.IndexOfMapping(2, 0x606C0020), 3);         // as the drive reports it
    EXPECT_EQ(channels.IndexOfKey(0, 0x606C00), 1);
    EXPECT_EQ(channels.IndexOfKey(0, 0x606400), -1);
    EXPECT_EQ(channels.At(0, 2), nullptr);

    TriggerItems triggers;
    triggers.Add(*state);
    triggers.Add(*MakeTriggerItem(dictionary, units, 0x606C00));
    EXPECT_EQ(triggers.PositionOfMapping(0x606C0020), 0);  // newest first
    EXPECT_EQ(triggers.PositionOfKey(0x230007), 1);
    EXPECT_EQ(triggers.PositionOfMapping(0x606C0021), -1);
}

TEST_F(ScopeItemsTest, DisplayFormsAndCoefficients) {
    MakeChannelItem(dictionary, units, 0x607700);  // registers the torque's units
    MakeChannelItem(dictionary, units, 0x205002);
    EXPECT_EQ(DisplayForm(Units(), 0x607700, -5, "DEC"), "-5");
    EXPECT_EQ(DisplayForm(Units(), 0x205002, 65535, "DEC"), "65535");
    EXPECT_EQ(DisplayForm(Units(), 0x607700, -5, "HEX"), "FFFB");  // the object's 16 bits
    EXPECT_EQ(DisplayForm(Units(), 0x607700, -5, "%"), "-0.500000");
    EXPECT_EQ(DisplayForm(Units(), 0x607700, 1, "furlong"), "");
    EXPECT_EQ(UnitCoefficient(Units(), 0x205002, "V"), 0.1);
    EXPECT_EQ(UnitCoefficient(Units(), 0x205002, "DEC"), 1.0);
    EXPECT_EQ(UnitCoefficient(Units(), 0x205002, "HEX"), 1.0);
    EXPECT_EQ(IntegerForm(17, -1), "-1");
    EXPECT_EQ(IntegerForm(32, -1), "4294967295");
    EXPECT_EQ(IntegerForm(12, 1), "");
}

// Coefficients, levels and cursor differences at full precision, whatever the encoder.
TEST_F(ScopeItemsTest, UnitsKeepFullPrecisionAndLevelsWriteBackTheirRawValue) {
    MakeChannelItem(dictionary, units, 0x606C00);  // velocity, r/min by counts per revolution
    for (const std::int32_t countsPerRevolution : {1 << 24, 1 << 23, 10000, 131072, 1 << 30}) {
        SCOPED_TRACE(countsPerRevolution);
        evaluator.ConstantArrived(0x203003, countsPerRevolution);
        const double exact = 60.0 / countsPerRevolution;
        EXPECT_NEAR(UnitCoefficient(Units(), 0x606C00, "r/min") / exact, 1.0, 1e-9);
        // 3000 r/min is plotted as 3000 r/min.
        const double raw = 3000.0 * countsPerRevolution / 60.0;
        EXPECT_NEAR(*UnitValue(Units(), 0x606C00, raw, "r/min"), 3000.0, 3000.0 * 1e-9);
        // Every level shown in r/min is written back as the same raw value.
        for (const std::int32_t level : {1, 7, 10001, -123457, 2000000}) {
            const std::string shown = LevelForm(Units(), 0x606C00, level, "r/min");
            const LevelConversion back = TriggerLevelToRaw(Units(), 0x606C00, shown, "r/min");
            ASSERT_EQ(back.outcome, LevelOutcome::Raw) << shown;
            EXPECT_EQ(back.raw, level) << shown;
        }
    }
    // A level shown in HEX on a bit-field object writes back its raw value, upper case.
    MakeTriggerItem(dictionary, units, 0x604100);
    EXPECT_EQ(LevelForm(Units(), 0x604100, 500, "HEX"), "1F4");
    EXPECT_EQ(TriggerLevelToRaw(Units(), 0x604100, "1F4", "HEX").raw, 500);
    EXPECT_EQ(TriggerLevelToRaw(Units(), 0x604100, "100", "HEX").raw, 256);

    // Cursor differences keep their sign on unsigned channels too.
    MakeChannelItem(dictionary, units, 0x205002);
    struct Difference {
        ObjectKey key;
        std::int64_t value;
        const char* unit;
        const char* text;
    };
    const Difference differences[] = {
        {0x604100, -6, "DEC", "-6"},         {0x604100, -6, "HEX", "-6"},
        {0x604100, 26, "HEX", "1A"},         {0x205002, -6, "V", "-0.600000"},
        {0x205002, -70000, "DEC", "-70000"}, {0x606C00, -4294967295, "DEC", "-4294967295"},
        {0x606C00, -30, "counts/s", "-30"},
    };
    for (const Difference& d : differences) {
        EXPECT_EQ(DifferenceForm(Units(), d.key, d.value, d.unit), d.text) << d.unit;
    }
}

TEST_F(ScopeItemsTest, TriggerLevelTexts) {
    MakeTriggerItem(dictionary, units, 0x606C00);
    MakeTriggerItem(dictionary, units, 0x607700);
    MakeTriggerItem(dictionary, units, 0x205002);
    auto level = [&](ObjectKey key, const char* text, const char* unit) {
        return TriggerLevelToRaw(Units(), key, text, unit);
    };
    EXPECT_EQ(level(0x606C00, "1F4", "HEX").raw, 500);
    EXPECT_EQ(level(0x606C00, "0x1f4", "HEX").raw, 500);
    EXPECT_EQ(level(0x607700, "FFD4", "HEX").raw, -44);  // a signed object's bit pattern
    EXPECT_EQ(level(0x607700, "1FFFF", "HEX").outcome, LevelOutcome::OutOfRange);
    EXPECT_EQ(level(0x606C00, "-300", "DEC").raw, -300);
    EXPECT_EQ(level(0x606C00, "300", "counts/s").raw, 300);  // identity formula: integers only
    EXPECT_EQ(level(0x606C00, "1.5", "counts/s").outcome, LevelOutcome::NotANumber);
    EXPECT_EQ(level(0x205002, "-1", "DEC").outcome, LevelOutcome::OutOfRange);
    const LevelConversion tooBig = level(0x205002, "65536", "DEC");
    EXPECT_EQ(tooBig.outcome, LevelOutcome::OutOfRange);
    EXPECT_EQ(tooBig.maximum, 65535);
    EXPECT_EQ(level(0x205002, "310", "V").raw, 3100);
    EXPECT_EQ(level(0x205002, "3l0", "V").outcome, LevelOutcome::NotANumber);
    EXPECT_EQ(level(0x205002, "310", "mV").outcome, LevelOutcome::UnknownUnit);
    // A unit that needs a drive value parks the write until the value is known.
    EXPECT_EQ(level(0x606C00, "60", "r/min").outcome, LevelOutcome::Parked);
    EXPECT_EQ(asked, (std::vector<ObjectKey>{0x203003}));
    EXPECT_TRUE(evaluator.HasPending());
    // Far beyond the trigger object once the value is known: never written. The other one is,
    // once.
    EXPECT_EQ(level(0x606C00, "1e12", "r/min").outcome, LevelOutcome::Parked);
    evaluator.ConstantArrived(0x203003, 10000);
    EXPECT_EQ(asked, (std::vector<ObjectKey>{0x203003, kRecorderTriggerLevel}));
    EXPECT_FALSE(evaluator.HasPending());
    // Displays that wait ask for their object again, once, when the value arrives.
    asked.clear();
    EXPECT_EQ(DisplayForm(Units(), 0x607700, 50, "Nm"), "");
    EXPECT_EQ(DisplayForm(Units(), 0x607700, 51, "Nm"), "");
    EXPECT_EQ(evaluator.PendingCount(), 1u);
    evaluator.ConstantArrived(0x20300B, 1500);
    EXPECT_EQ(asked, (std::vector<ObjectKey>{0x20300B, 0x607700}));
}

}  // namespace
}  // namespace morlo::scope
