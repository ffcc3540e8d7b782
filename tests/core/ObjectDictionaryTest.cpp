#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "TempFolder.h"
#include "UnreadableFile.h"
#include "dictionary/DatabaseLayout.h"
#include "dictionary/DictionarySource.h"
#include "dictionary/ObjectDictionary.h"

namespace morlo {
namespace {

using namespace std::chrono_literals;
using test::TempFolder;
using test::WriteFile;

class RecordingSink : public MessageSink {
  public:
    void ShowMessage(std::string_view text) override {
        std::lock_guard lock(mutex_);
        messages_.emplace_back(text);
    }
    std::vector<std::string> Messages() {
        std::lock_guard lock(mutex_);
        return messages_;
    }

  private:
    std::mutex mutex_;
    std::vector<std::string> messages_;
};

SourceObject Object(int index, int sub, std::string english, std::string type = "U16") {
    SourceObject o;
    o.index = index;
    o.subIndex = sub;
    o.nameChinese = "中文" + english;
    o.nameEnglish = english;
    o.dataType = std::move(type);
    o.access = "RW";
    o.helpChinese = "帮助";
    o.helpEnglish = "help of " + english;
    o.unitSpec = "[ms]N*1";
    return o;
}

std::string Records(const std::vector<SourceObject>& objects) {
    std::string bytes;
    for (const auto& o : objects) {
        bytes += EncodeDatabaseRecord(o);
    }
    return bytes;
}

TEST(ObjectDictionaryLoad, TakesTheLanguageOfTheSetting) {
    TempFolder folder;
    auto db = folder / "TARNEX.dat";
    WriteFile(db, Records({Object(0x6041, 0, "Statusword"), Object(0x2000, 1, "Gain", "I32")}));

    ObjectDictionary english;
    ASSERT_TRUE(english.LoadFile(db, database::kLanguageEnglish));
    ASSERT_EQ(english.GetCount(), 2);
    DictionaryEntry entry;
    ASSERT_TRUE(english.FindByKey(0x604100, entry));
    EXPECT_EQ(entry.name, "Statusword");
    EXPECT_EQ(entry.help, "help of Statusword");
    EXPECT_EQ(entry.index, 0x6041);
    EXPECT_EQ(entry.subIndex, 0);
    EXPECT_EQ(entry.dataType, "U16");
    EXPECT_EQ(entry.attribute, "RW");
    EXPECT_EQ(entry.unitSpec, "[ms]N*1");

    ObjectDictionary chinese;
    ASSERT_TRUE(chinese.LoadFile(db, database::kLanguageChinese));
    ASSERT_TRUE(chinese.GetAt(1, entry));
    EXPECT_EQ(entry.key, 0x200001);
    EXPECT_EQ(entry.name, "中文Gain");
    EXPECT_EQ(entry.help, "帮助");
    EXPECT_FALSE(chinese.GetAt(2, entry));
    EXPECT_FALSE(chinese.GetAt(-1, entry));
}

TEST(ObjectDictionaryLoad, StopRules) {
    TempFolder folder;
    auto db = folder / "TARNEX.dat";
    std::string bytes = Records({Object(0x1000, 0, "A")});
    std::string zero = EncodeDatabaseRecord(Object(0x1001, 0, "B"));
    zero.replace(0, 4, "0000");  // an index of 0 ends the dictionary
    bytes += zero + Records({Object(0x1002, 0, "C")});
    WriteFile(db, bytes);
    ObjectDictionary dictionary;
    dictionary.LoadFile(db, 2);
    EXPECT_EQ(dictionary.GetCount(), 1);

    // A file whose length is no multiple of the record size keeps the complete records, and
    // says so once.
    bytes = Records({Object(0x1000, 0, "A"), Object(0x1001, 0, "B")});
    bytes += EncodeDatabaseRecord(Object(0x1002, 0, "C")).substr(0, 3000);
    WriteFile(db, bytes);
    ObjectDictionary truncated;
    RecordingSink sink;
    const DatabaseLoad load = truncated.LoadFile(db, 2, &sink);
    EXPECT_EQ(load.problem, DatabaseProblem::PartialRecord);
    EXPECT_EQ(load.objects, 2);
    EXPECT_EQ(sink.Messages(), std::vector<std::string>{kMsgDatabaseUnreadable});
    EXPECT_NE(DescribeDatabaseLoad(db, load).find("no whole number of 4510-byte records"),
              std::string::npos);
    EXPECT_EQ(truncated.GetCount(), 2);
    DictionaryEntry entry;
    EXPECT_FALSE(truncated.FindByKey(0x100200, entry));

    // So does one cut inside the index digits.
    WriteFile(db, Records({Object(0x1000, 0, "A")}) + "10");
    ObjectDictionary cut;
    EXPECT_EQ(cut.LoadFile(db, 2).problem, DatabaseProblem::PartialRecord);
    EXPECT_EQ(cut.GetCount(), 1);
}

// Files that cannot serve as a database are reported once each and leave the dictionary
// empty but usable; none of them throws or crashes.
TEST(ObjectDictionaryLoad, UnusableFilesAreReportedOnce) {
    TempFolder folder;
    struct Case {
        const char* name;
        std::function<void(const std::filesystem::path&)> make;
        DatabaseProblem problem;
    };
    const Case cases[] = {
        {"directory", [](const auto& p) { std::filesystem::create_directories(p / "inner"); },
         DatabaseProblem::NotAFile},
        {"failing read", [](const auto& p) { test::MakeFailingRead(p); },
         DatabaseProblem::Unreadable},
        {"empty", [](const auto& p) { WriteFile(p, ""); }, DatabaseProblem::NoObjects},
        {"first index 0",
         [](const auto& p) {
             std::string record = EncodeDatabaseRecord(Object(0x1000, 0, "A"));
             WriteFile(p, record.replace(0, 4, "0000"));
         },
         DatabaseProblem::NoObjects},
        {"cut inside the first record",
         [](const auto& p) { WriteFile(p, Records({Object(0x1000, 0, "A")}).substr(0, 100)); },
         DatabaseProblem::PartialRecord},
        {"text", [](const auto& p) { WriteFile(p, "[sys]\nlang=1\n"); },
         DatabaseProblem::PartialRecord},
        {"missing", [](const auto&) {}, DatabaseProblem::Missing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto db = folder / (std::string(c.name) + ".dat");
        c.make(db);
        ObjectDictionary dictionary;
        RecordingSink sink;
        const DatabaseLoad load = dictionary.LoadFile(db, 2, &sink);
        EXPECT_EQ(load.problem, c.problem);
        EXPECT_FALSE(load);
        EXPECT_EQ(sink.Messages(), std::vector<std::string>{kMsgDatabaseUnreadable});
        EXPECT_TRUE(dictionary.IsLoaded());
        EXPECT_EQ(dictionary.GetCount(), 0);
        DictionaryEntry entry;
        EXPECT_FALSE(dictionary.FindByKey(0x100000, entry));
        EXPECT_FALSE(DescribeDatabaseLoad(db, load).empty());
    }
    const auto locked = folder / "locked.dat";
    WriteFile(locked, Records({Object(0x1000, 0, "A")}));
    if (test::MakePermissionless(locked)) {  // not as root, nor on Windows
        ObjectDictionary dictionary;
        EXPECT_EQ(dictionary.LoadFile(locked, 2).problem, DatabaseProblem::Unreadable);
    }
}

TEST(ObjectDictionaryLoad, OddFieldsAndDuplicates) {
    TempFolder folder;
    auto db = folder / "TARNEX.dat";
    std::string blank = EncodeDatabaseRecord(Object(0x1111, 0, "Blank"));
    blank.replace(0, 4, "60 1");
    std::string minus = EncodeDatabaseRecord(Object(0x1111, 0, "Minus"));
    minus.replace(0, 4, "-001");
    SourceObject longHelp = Object(0x2000, 2, "LongHelp");
    longHelp.helpEnglish = std::string(database::kHelpEnglish.size, 'h');
    std::string bytes =
        blank + minus +
        Records({Object(0x2000, 1, "First"), Object(0x2000, 1, "Second"), longHelp});
    WriteFile(db, bytes);

    ObjectDictionary dictionary;
    ASSERT_TRUE(dictionary.LoadFile(db, 2));
    ASSERT_EQ(dictionary.GetCount(), 5);
    DictionaryEntry entry;
    ASSERT_TRUE(dictionary.FindByKey(0x60100, entry));
    EXPECT_EQ(entry.name, "Blank");
    ASSERT_TRUE(dictionary.FindByKey(static_cast<ObjectKey>(0xFFFFFF00), entry));
    EXPECT_EQ(entry.index, -1);
    ASSERT_TRUE(dictionary.FindByKey(0x200001, entry));
    EXPECT_EQ(entry.name, "First");
    ASSERT_TRUE(dictionary.FindByKey(0x200002, entry));
    EXPECT_EQ(entry.help.size(), database::kHelpEnglish.size);

    entry.name = "untouched";
    EXPECT_FALSE(dictionary.FindByKey(0x999900, entry));
    EXPECT_EQ(entry.name, "untouched");
}

TEST(ObjectDictionaryLoad, MissingFileIsReported) {
    TempFolder folder;
    RecordingSink sink;
    ObjectDictionary dictionary;
    EXPECT_FALSE(dictionary.LoadFile(folder / "none.dat", 1, &sink));
    EXPECT_EQ(dictionary.GetCount(), 0);
    EXPECT_EQ(sink.Messages(), std::vector<std::string>{kMsgDatabaseUnreadable});
    EXPECT_TRUE(dictionary.IsLoaded());
}

TEST(ObjectDictionaryThread, WaitsForTheLanguageThenLoads) {
    TempFolder folder;
    auto db = folder / "TARNEX.dat";
    WriteFile(db, Records({Object(0x6041, 0, "Statusword")}));
    std::atomic<int> language{0};
    std::atomic<int> reads{0};
    std::atomic<bool> available{false};

    ObjectDictionary dictionary;
    ObjectDictionary::LoadSettings settings;
    settings.databasePath = db;
    settings.language = &language;
    settings.languageRetry = 1ms;
    settings.languagePoll = 1ms;
    settings.readLanguageText = [&]() -> std::string {
        ++reads;
        return available ? "3" : "";
    };
    dictionary.StartLoad(settings);
    while (reads < 3) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(dictionary.IsLoaded());
    available = true;
    // 3 means the language is being chosen: the thread waits until somebody sets it.
    while (language.load() != 3) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(dictionary.WaitUntilLoaded(20ms));
    language = 2;
    ASSERT_TRUE(dictionary.WaitUntilLoaded(10s));
    DictionaryEntry entry;
    ASSERT_TRUE(dictionary.FindByKey(0x604100, entry));
    EXPECT_EQ(entry.name, "Statusword");
}

TEST(ObjectDictionaryThread, DestroyingWhileWaitingForTheLanguageEndsTheThread) {
    ObjectDictionary::LoadSettings settings;
    settings.readLanguageText = [] { return std::string(); };
    settings.languageRetry = 1ms;
    auto dictionary = std::make_unique<ObjectDictionary>();
    dictionary->StartLoad(settings);
    dictionary.reset();  // must not hang
    SUCCEED();
}

TEST(ObjectDictionaryThread, LookupsDuringTheLoadSeeWhatIsLoadedSoFar) {
    TempFolder folder;
    auto db = folder / "TARNEX.dat";
    std::vector<SourceObject> objects;
    for (int i = 0; i < 3000; ++i) {
        objects.push_back(Object(0x3000 + i / 200, i % 200, "O" + std::to_string(i)));
    }
    WriteFile(db, Records(objects));
    std::atomic<int> language{2};
    ObjectDictionary dictionary;
    ObjectDictionary::LoadSettings settings;
    settings.databasePath = db;
    settings.language = &language;
    settings.readLanguageText = [] { return std::string("2"); };
    dictionary.StartLoad(settings);

    // Entries appear in file order: whatever count a reader sees, every entry below it is
    // complete and findable.
    int lastCount = 0;
    while (!dictionary.IsLoaded() || lastCount < dictionary.GetCount()) {
        int count = dictionary.GetCount();
        ASSERT_GE(count, lastCount);
        if (count > 0) {
            DictionaryEntry entry;
            ASSERT_TRUE(dictionary.GetAt(count - 1, entry));
            ASSERT_EQ(entry.name, "O" + std::to_string(count - 1));
            ASSERT_TRUE(dictionary.FindByKey(entry.key, entry));
        }
        lastCount = count;
    }
    EXPECT_EQ(dictionary.GetCount(), 3000);
}

}  // namespace
}  // namespace morlo
