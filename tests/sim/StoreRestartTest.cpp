#include <gtest/gtest.h>

#include <chrono>

#include "SimConstants.h"
#include "SimTestSupport.h"
#include "StateFile.h"
#include "TempFolder.h"

namespace morlo::sim::test {
namespace {

using namespace std::chrono_literals;

constexpr ObjectKey kGain = MakeObjectKey(0x3000, 0x03);    // U16, default 100
constexpr ObjectKey kOffset = MakeObjectKey(0x3000, 0x04);  // I16, default -300

class StoreRestartTest : public ::testing::Test {
  protected:
    morlo::test::TempFolder folder;
    std::filesystem::path statePath = folder / "drive.state";

    DriveOptions WithFile() {
        DriveOptions options;
        options.stateFile = statePath;
        return options;
    }
    static bool Silent(TestDrive& sim, const link::SdoPayload& request) {
        return !sim.drive->HandleRequest(request).has_value();
    }
};

TEST_F(StoreRestartTest, RestartIsSilentAndBringsBackOnlyStoredValues) {
    TestDrive sim(BaseSource(), WithFile());
    sim.Write(link::kCmdWrite16, 0x3000, 0x03, 500);
    sim.drive->InjectError(4);
    ASSERT_EQ(sim.Write(link::kCmdWrite8, 0x2FF0, 0x01, 1)[0], link::kAnswerWrite);
    EXPECT_NE(morlo::test::ReadFile(statePath).find("3000:03=500\n"), std::string::npos);
    EXPECT_EQ(link::PayloadValue(sim.Read(0x2FF0, 0x01)), 0u);  // the command reads 0 again

    sim.Write(link::kCmdWrite16, 0x3000, 0x03, 600);
    sim.Write(link::kCmdWrite16, 0x3000, 0x04, 7);
    sim.Write(link::kCmdWrite16, 0x6040, 0x00, 0x06);  // leave operation enabled

    EXPECT_EQ(AbortCodeOf(sim.Write(link::kCmdWrite16, 0x2FFF, 0x00, 0x1234)),
              Code(link::AbortCode::InvalidValue));
    EXPECT_TRUE(Silent(sim, Request(link::kCmdWrite16, 0x2FFF, 0x00, kRestartMagic)));
    sim.clock->Advance(1000ms);
    EXPECT_TRUE(Silent(sim, Request(link::kCmdRead, 0x3000, 0x03)));
    EXPECT_TRUE(Silent(sim, Request(link::kCmdWrite16, 0x3000, 0x03, 700)));
    EXPECT_TRUE(sim.drive->Restarting());
    sim.clock->Advance(600ms);

    EXPECT_EQ(link::PayloadValue(sim.Read(0x3000, 0x03)), 500u);
    EXPECT_EQ(sim.drive->Value(kOffset), -300);
    EXPECT_EQ(sim.drive->State(), DriveState::OperationEnabled);

    // A new drive on the same file starts with the stored values as well.
    TestDrive again(BaseSource(), WithFile());
    EXPECT_EQ(again.drive->Value(kGain), 500);
    EXPECT_EQ(again.drive->Value(MakeObjectKey(0x2610, 0x01)), 0x10);  // the log was stored
}

TEST_F(StoreRestartTest, FactoryDefaultsLeaveTheStoredFileAlone) {
    TestDrive sim(BaseSource(), WithFile());
    sim.Write(link::kCmdWrite16, 0x3000, 0x03, 500);
    sim.Write(link::kCmdWrite8, 0x2FF0, 0x03, 1);  // the motor store stores everything too
    sim.Write(link::kCmdWrite8, 0x2FF0, 0x04, 9);
    ASSERT_EQ(sim.Write(link::kCmdWrite8, 0x2FF0, 0x01, 10)[0], link::kAnswerWrite);
    EXPECT_EQ(sim.drive->Value(kGain), 100);
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(0x2FF0, 0x04)), 0);
    EXPECT_EQ(AbortCodeOf(sim.Write(link::kCmdWrite8, 0x2FF0, 0x01, 5)),
              Code(link::AbortCode::InvalidValue));

    sim.drive->HandleRequest(Request(link::kCmdWrite16, 0x2FFF, 0x00, kRestartMagic));
    sim.clock->Advance(2s);
    EXPECT_EQ(sim.drive->Value(kGain), 500);
}

TEST_F(StoreRestartTest, InitialiseKeepsMotorAndCommunicationSettings) {
    DictionarySource source = BaseSource();
    for (auto& object : MakeSource({{"1017:00", "U16", "RW", "0"},
                                    {"2030:04", "U16", "RW", "3000"},
                                    {"2040:01", "U8", "RW", "1", "1", "127"},
                                    {"2040:04", "U8", "RW", "0", "0", "3"}})
                            .objects) {
        source.objects.push_back(object);
    }
    TestDrive sim(source, WithFile());
    sim.Write(link::kCmdWrite16, 0x1017, 0x00, 1000);
    sim.Write(link::kCmdWrite16, 0x2030, 0x04, 2500);
    sim.Write(link::kCmdWrite8, 0x2040, 0x01, 5);
    sim.Write(link::kCmdWrite8, 0x2040, 0x04, 2);
    sim.Write(link::kCmdWrite16, 0x3000, 0x03, 500);
    ASSERT_EQ(sim.Write(link::kCmdWrite8, 0x2FF0, 0x01, 10)[0], link::kAnswerWrite);
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(0x1017, 0x00)), 1000);
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(0x2030, 0x04)), 2500);
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(0x2040, 0x01)), 5);
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(0x2040, 0x04)), 0);
    EXPECT_EQ(sim.drive->Value(kGain), 100);
}

TEST_F(StoreRestartTest, WithoutAFileStoredValuesLiveInMemoryAndTheErrorLogSurvives) {
    DriveOptions options;
    options.restartTime = 100ms;
    TestDrive sim(BaseSource(), options);
    sim.Write(link::kCmdWrite32, 0x3000, 0x06, 42);
    sim.Write(link::kCmdWrite8, 0x2FF0, 0x01, 1);
    sim.Write(link::kCmdWrite32, 0x3000, 0x06, 43);
    sim.drive->InjectError(5);
    sim.drive->HandleRequest(Request(link::kCmdWrite16, 0x2FFF, 0x00, kRestartMagic));
    sim.clock->Advance(150ms);
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(0x3000, 0x06)), 42);
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(0x2610, 0x01)), 0x20);
    EXPECT_EQ(sim.drive->Value(kErrorState), 0);  // present errors are gone with the restart
}

TEST_F(StoreRestartTest, DamagedStateFileLoadsWhatItCan) {
    morlo::test::WriteFile(statePath,
                           "# comment\n"
                           "garbage\n"
                           "3000:03=abc\n"
                           "3000:04=-9999\n"  // outside min..max
                           "3000:07=9\n"      // read-only
                           "ZZZZ:01=1\n"
                           "3000:06\n"
                           "4000:01=5\n"  // unknown object
                           "3000:06=42\r\n"
                           "3000:01=5\n"
                           "3000:02=");
    TestDrive sim(BaseSource(), WithFile());
    EXPECT_EQ(sim.drive->Value(kGain), 100);
    EXPECT_EQ(sim.drive->Value(kOffset), -300);
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(0x3000, 0x07)), 7);
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(0x3000, 0x06)), 42);
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(0x3000, 0x01)), 5);
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(0x3000, 0x02)), -3);

    // A missing file is no problem either, and a store creates it.
    std::filesystem::remove(statePath);
    TestDrive fresh(BaseSource(), WithFile());
    EXPECT_EQ(fresh.drive->Value(kGain), 100);
    fresh.Write(link::kCmdWrite8, 0x2FF0, 0x01, 1);
    const StoredValues stored = ReadStateFile(statePath);
    EXPECT_EQ(stored.at(kOffset), "-300");
    EXPECT_EQ(stored.count(kControlword), 0u);  // commands are not settings
    EXPECT_EQ(stored.count(MakeObjectKey(0x3000, 0x07)), 0u);
}

}  // namespace
}  // namespace morlo::sim::test
