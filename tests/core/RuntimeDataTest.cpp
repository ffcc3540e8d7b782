// Checks the working folder's data as shipped: the dictionary source, the database built from
// it, the default object lists and the other INI files. A wrong object number or a unit that
// does not convert back fails here rather than in front of a drive.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

#include "TempFolder.h"
#include "dictionary/DictionarySource.h"
#include "dictionary/ObjectDictionary.h"
#include "profile/IniDocument.h"
#include "profile/Profile.h"
#include "text/NumberText.h"
#include "values/FormulaMath.h"
#include "values/UnitSpec.h"
#include "values/UnitTable.h"
#include "values/ValueConversion.h"
#include "values/ValueInput.h"

namespace morlo {
namespace {

const std::filesystem::path kSource = MORLO_SOURCE_RUNTIME_DIR;
const std::filesystem::path kBuilt = MORLO_BUILT_RUNTIME_DIR;

// Page lists the program opens, and the other files of sys/.
const std::vector<std::string> kPageLists = {"BasicOperate",
                                             "PositionLoop",
                                             "VelocityLoop",
                                             "CurrentLoop",
                                             "DataInOut",
                                             "AnalogInput",
                                             "DinFunctionConfig",
                                             "AnalogVelocityMode",
                                             "multiVelocityMode",
                                             "AnalogTorqueMode",
                                             "PulseMode",
                                             "AutoReverse",
                                             "MultiPositionMode",
                                             "HomingMode",
                                             "AutoTuning",
                                             "DriverConfig",
                                             "ErrorHistory",
                                             "DriverProperty",
                                             "MotorConfig",
                                             "F000",
                                             "F002",
                                             "F003",
                                             "F004",
                                             "F005",
                                             "PdoOther",
                                             "RPDO1",
                                             "RPDO2",
                                             "RPDO3",
                                             "RPDO4",
                                             "RPDO5",
                                             "RPDO6",
                                             "RPDO7",
                                             "RPDO8",
                                             "TPDO1",
                                             "TPDO2",
                                             "TPDO3",
                                             "TPDO4",
                                             "TPDO5",
                                             "TPDO6",
                                             "TPDO7",
                                             "TPDO8"};

class RuntimeData : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        source_ = new DictionarySource(LoadDictionarySource(kSource / "dictionary"));
        for (const auto& object : source_->objects) {
            byKey_->try_emplace(object.Key(), &object);
        }
    }
    static void TearDownTestSuite() {
        delete source_;
        source_ = nullptr;
        byKey_->clear();
    }
    static const SourceObject* Find(ObjectKey key) {
        auto it = byKey_->find(key);
        return it == byKey_->end() ? nullptr : it->second;
    }
    static int Width(const SourceObject& object) { return DigitsOf(object.dataType); }

    static inline DictionarySource* source_ = nullptr;
    static inline std::map<ObjectKey, const SourceObject*>* byKey_ =
        new std::map<ObjectKey, const SourceObject*>();
};

TEST_F(RuntimeData, DictionarySourceIsSound) {
    for (const auto& issue : source_->issues) {
        ADD_FAILURE() << issue.file << ":" << issue.line << ": " << issue.text;
    }
    for (const auto& object : source_->objects) {
        for (const auto& issue : ValidateSourceObject(object)) {
            ADD_FAILURE() << issue.file << ":" << issue.line << ": " << issue.text;
        }
    }
    EXPECT_GE(source_->objects.size(), 250u);
    std::set<ObjectKey> seen;
    for (const auto& object : source_->objects) {
        EXPECT_TRUE(seen.insert(object.Key()).second)
            << object.file << ":" << object.line << " repeats an object";
    }
}

TEST_F(RuntimeData, ObjectsTheProgramRelyOnExist) {
    struct Required {
        ObjectKey key;
        const char* type;
    };
    std::vector<Required> required = {{0x604100, "U16"},
                                      {0x100800, "VISIBLE STRING"},
                                      {0x100900, "VISIBLE STRING"},
                                      {0x100A00, "VISIBLE STRING"},
                                      {0x260000, "U16"},
                                      {0x260100, "U16"},
                                      {0x2FF001, "U8"},
                                      {0x2FF003, "U8"},
                                      {0x2FF004, "U8"},
                                      {0x2FFF00, "U16"}};
    for (int sub = 1; sub <= 0x1F; ++sub) {
        required.push_back({0x201000 + sub, "U16"});
    }
    for (int r = 0; r < 8; ++r) {
        required.push_back({(0x2610 + r) * 256 + 1, nullptr});
        required.push_back({(0x2610 + r) * 256 + 7, nullptr});
    }
    for (int sub = 1; sub <= 0x10; ++sub) {
        required.push_back({0x230000 + sub, nullptr});
    }
    for (const auto& r : required) {
        const SourceObject* object = Find(r.key);
        if (!object) {
            ADD_FAILURE() << std::hex << "missing object " << r.key;
            continue;
        }
        if (r.type) {
            EXPECT_EQ(object->dataType, r.type) << std::hex << r.key;
        }
    }
    for (int sub = 1; sub <= 6; ++sub) {
        EXPECT_EQ(Find(0x230000 + sub)->dataType, "U32");
    }
}

TEST_F(RuntimeData, BuiltDatabaseMatchesTheSource) {
    ObjectDictionary english;
    ASSERT_TRUE(english.LoadFile(kBuilt / "data" / "TARNEX.dat", 2));
    ASSERT_EQ(english.GetCount(), static_cast<int>(source_->objects.size()));
    ObjectDictionary chinese;
    ASSERT_TRUE(chinese.LoadFile(kBuilt / "data" / "TARNEX.dat", 1));
    for (int i = 0; i < english.GetCount(); ++i) {
        const SourceObject& object = source_->objects[static_cast<std::size_t>(i)];
        DictionaryEntry en;
        DictionaryEntry zh;
        ASSERT_TRUE(english.GetAt(i, en));
        ASSERT_TRUE(chinese.GetAt(i, zh));
        EXPECT_EQ(en.key, object.Key());
        EXPECT_EQ(en.name, object.nameEnglish);
        EXPECT_EQ(zh.name, object.nameChinese);
        EXPECT_EQ(zh.help, object.helpChinese);
        EXPECT_EQ(en.unitSpec, object.unitSpec);
        EXPECT_EQ(en.attribute, object.access);
    }
}

TEST_F(RuntimeData, DefaultListsNameKnownObjects) {
    for (const auto& page : kPageLists) {
        auto file = kSource / "sys" / (page + ".ini");
        ASSERT_TRUE(std::filesystem::exists(file)) << file;
        int count = Profile::ReadInt(file, page, "num", 32);
        EXPECT_GT(count, 0) << page;
        for (int i = 1; i <= count; ++i) {
            std::string text = Profile::ReadString(file, page, std::to_string(i), 32);
            ObjectKey key = ParseHexLoose(text);
            EXPECT_NE(Find(key), nullptr) << page << " entry " << i << " names " << text;
        }
        EXPECT_EQ(Profile::ReadString(file, page, std::to_string(count + 1), 32), "") << page;
    }
}

TEST_F(RuntimeData, PanelAndOscilloscopeItemsFitTheirUse) {
    auto f001 = kSource / "sys" / "F001.ini";
    int count = Profile::ReadInt(f001, "F001", "num", 32);
    EXPECT_GE(count, 5);
    for (int i = 1; i <= count; ++i) {
        auto value = static_cast<std::uint32_t>(
            ParseHexLoose(Profile::ReadString(f001, "F001", std::to_string(i), 32)));
        const SourceObject* object = Find(static_cast<ObjectKey>(value / 256));
        ASSERT_NE(object, nullptr) << "F001 entry " << i;
        EXPECT_TRUE(Width(*object) == 8 || Width(*object) == 16 || Width(*object) == 32);
    }

    auto scope = kSource / "sys" / "Oscilloscope.ini";
    for (const char* section : {"trigger", "channel"}) {
        int items = 0;
        for (int n = 1;; ++n) {
            ObjectKey key =
                ParseHexLoose(Profile::ReadString(scope, section, std::to_string(n), 32));
            if (key == 0) {
                break;
            }
            ++items;
            const SourceObject* object = Find(key);
            ASSERT_NE(object, nullptr) << section << " item " << n;
            int width = Width(*object);
            if (std::string(section) == "channel") {
                EXPECT_TRUE(width == 16 || width == 32) << section << " item " << n;
            } else {
                EXPECT_TRUE(width == 8 || width == 16 || width == 32) << section << " item " << n;
            }
        }
        EXPECT_GE(items, 5) << section;
        EXPECT_EQ(items, static_cast<int>(Profile::ReadSection(scope, section).size())) << section;
    }
}

TEST_F(RuntimeData, FunctionNamesExistInBothLanguages) {
    auto file = kBuilt / "data" / "DataInOut.ini";  // the GB18030 form the program reads
    for (const char* section : {"in", "out"}) {
        for (int bit = 0; bit < 15; ++bit) {
            for (unsigned base : {0x0000u, 0x8000u}) {
                char code[8];
                std::snprintf(code, sizeof code, "%04X", base + (1u << bit));
                for (const char* language : {"ch", "en"}) {
                    std::string key = std::string(language) + code;
                    EXPECT_NE(Profile::ReadString(file, section, key, 256), "")
                        << section << " " << key;
                }
            }
        }
    }
    // The source is UTF-8; the built file read through the 8-bit code page gives the same text.
    auto source = IniDocument::Parse(test::ReadFile(kSource / "data" / "DataInOut.ini"));
    EXPECT_EQ(Profile::ReadString(file, "in", "ch0001", 256), source.Get("in", "ch0001"));
    EXPECT_EQ(Profile::ReadString(file, "out", "ch8001", 256), source.Get("out", "ch8001"));
}

// Display a raw value the way a page does, then write the text back the way a page does.
std::optional<std::int64_t> RoundTrip(const SourceObject& object,
                                      const std::vector<UnitDefinition>& units,
                                      const UnitDefinition& display, const UnitDefinition& write,
                                      std::int64_t raw, const ConstantLookup& constants,
                                      std::string& shown) {
    auto out = EvaluateFormula(display.formula, static_cast<double>(raw), constants);
    if (!out.ok) {
        return std::nullopt;
    }
    shown = ValueConversion::FormatNumber(display.DisplayName(), object.dataType, display.formula,
                                          out.value);
    InputResult back =
        ConvertInput({object.nameEnglish, object.dataType}, write.name, shown, units, constants);
    if (back.status != InputStatus::Accepted) {
        return std::nullopt;
    }
    const auto limits = LimitsOf(object.dataType);
    if (limits->width < 32) {
        return limits->isUnsigned ? std::int64_t(back.raw & ((1u << limits->width) - 1))
                                  : std::int64_t(static_cast<std::int32_t>(back.raw));
    }
    return limits->isUnsigned ? std::int64_t(back.raw)
                              : std::int64_t(static_cast<std::int32_t>(back.raw));
}

TEST_F(RuntimeData, UnitsConvertBackWithinOneRawStep) {
    ConstantLookup constants = [&](ObjectKey key) -> std::optional<std::int32_t> {
        const SourceObject* object = Find(key);
        if (!object) {
            return std::nullopt;
        }
        auto value = ParseSourceNumber(object->defaultText);
        return value ? static_cast<std::int32_t>(*value) : 0;
    };
    int checked = 0;
    for (const auto& object : source_->objects) {
        auto range = RangeOfType(object.dataType);
        auto units = ParseUnitSpec(object.unitSpec);
        if (object.unitSpec.size() > 2) {
            EXPECT_FALSE(units.empty()) << object.file << ":" << object.line;
        }
        if (!range) {
            continue;
        }
        std::int64_t low = object.minText.empty() ? range->min : *ParseSourceNumber(object.minText);
        std::int64_t high =
            object.maxText.empty() ? range->max : *ParseSourceNumber(object.maxText);
        std::vector<std::int64_t> samples = {low, high, low / 3, high / 3, high / 7,
                                             1,   0,    -1,      12345};
        for (const auto& unit : units) {
            const UnitDefinition* write = nullptr;
            if (unit.label == "DEC") {
                continue;  // a write group; reached through its display group
            }
            if (unit.label.empty()) {
                write = &unit;
            } else {
                for (const auto& other : units) {
                    if (other.name == unit.label) {
                        write = &other;
                        break;
                    }
                }
            }
            ASSERT_NE(write, nullptr) << object.file << ":" << object.line << " unit "
                                      << unit.DisplayName() << " has no write group";
            for (std::int64_t raw : samples) {
                if (raw < low || raw > high) {
                    continue;
                }
                std::string shown;
                auto back = RoundTrip(object, units, unit, *write, raw, constants, shown);
                ASSERT_TRUE(back) << object.file << ":" << object.line << " unit "
                                  << unit.DisplayName() << ": raw " << raw << " shows " << shown
                                  << " and cannot be written back";
                EXPECT_LE(std::llabs(*back - raw), 1)
                    << object.file << ":" << object.line << " unit " << unit.DisplayName()
                    << ": raw " << raw << " shows " << shown << " and writes " << *back;
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 100);
}

TEST_F(RuntimeData, BitFieldsShowHexFirstAndDecSecond) {
    const ObjectKey bitFields[] = {0x604000, 0x604100, 0x100100, 0x603F00,       0x260100, 0x261001,
                                   0x140001, 0x180701, 0x160001, 0x1A0704,       0x201001, 0x201003,
                                   0x20101F, 0x230001, 0x230006, 0x230000 | 0x0C};
    for (ObjectKey key : bitFields) {
        const SourceObject* object = Find(key);
        ASSERT_NE(object, nullptr) << std::hex << key;
        UnitTable table;
        std::string unit;
        table.AddUnits(key, object->unitSpec, unit);
        EXPECT_EQ(unit, "HEX") << std::hex << key;
        EXPECT_EQ(table.ChoiceList(key), (std::vector<std::string>{"HEX", "DEC"}))
            << std::hex << key;
    }
    // Counts and plain numbers stay decimal.
    EXPECT_TRUE(Find(0x201000 | 0x1B)->unitSpec.empty());
}

}  // namespace
}  // namespace morlo
