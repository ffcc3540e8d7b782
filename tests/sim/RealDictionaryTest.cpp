#include <gtest/gtest.h>

#include <chrono>

#include "SimConstants.h"
#include "SimTestSupport.h"

namespace morlo::sim::test {
namespace {

using namespace std::chrono_literals;

// The drive on the project's own dictionary, as the program runs it.
class RealDictionaryTest : public ::testing::Test {
  protected:
    static const DictionarySource& Source() {
        static const DictionarySource source =
            LoadDictionarySource(std::filesystem::path(MORLO_SOURCE_RUNTIME_DIR) / "dictionary");
        return source;
    }
    void SetUp() override {
        for (ObjectKey key : {kStatusword, kVelocityActual, kPositionActual, kTargetVelocity}) {
            bool found = false;
            for (const SourceObject& object : Source().objects) {
                found = found || object.Key() == key;
            }
            ASSERT_TRUE(found) << std::hex << key;
        }
    }
};

TEST_F(RealDictionaryTest, DemoMotionRunsBackAndForthWithPlausibleReadings) {
    TestDrive sim(Source());
    EXPECT_EQ(sim.drive->State(), DriveState::OperationEnabled);
    EXPECT_EQ(sim.drive->Value(kModesDisplay), kModeProfileVelocity);
    sim.clock->Advance(2s);
    EXPECT_NEAR(double(*sim.drive->Value(kVelocityActual)), kDemoVelocity, 0.02 * kDemoVelocity);
    const std::int64_t position = *sim.drive->Value(kPositionActual);
    EXPECT_GT(position, 100000);
    EXPECT_EQ(sim.drive->Value(kPositionInternal), position);
    EXPECT_LT(std::abs(*sim.drive->Value(kFollowingErrorActual)), 1000);
    for (ObjectKey key : {kTorqueActual, kCurrentActual}) {
        const std::int64_t value = sim.drive->Value(key).value_or(0);
        EXPECT_GT(value, 0);    // friction needs some torque
        EXPECT_LT(value, 200);  // but not 20 % of the rating
    }
    if (auto bus = sim.drive->Value(kMonBusVoltage)) {
        EXPECT_NEAR(double(*bus), 3100.0, 50.0);
    }
    if (auto temperature = sim.drive->Value(kMonDriveTemperature)) {
        EXPECT_NEAR(double(*temperature), 250.0, 50.0);
    }
    if (auto outputs = sim.drive->Value(kOutputStates)) {
        EXPECT_NE(*outputs & 1, 0);  // DOUT1 is "servo ready" by default
    }
    sim.clock->Advance(4s);
    EXPECT_NEAR(double(*sim.drive->Value(kVelocityActual)), -kDemoVelocity, 0.02 * kDemoVelocity);
}

TEST_F(RealDictionaryTest, SameSeedSameDriveAndIdleStartStandsStill) {
    TestDrive a(Source());
    TestDrive b(Source());
    a.clock->Advance(700ms);
    b.clock->Advance(700ms);
    EXPECT_EQ(a.drive->Value(kVelocityActual), b.drive->Value(kVelocityActual));
    EXPECT_EQ(a.drive->Value(kCurrentActual), b.drive->Value(kCurrentActual));

    TestDrive idle(Source(), IdleOptions());
    idle.clock->Advance(1s);
    EXPECT_EQ(idle.drive->State(), DriveState::SwitchOnDisabled);
    EXPECT_EQ(idle.drive->Value(kPositionActual), 0);
    EXPECT_LT(std::abs(*idle.drive->Value(kVelocityActual)), 100);
}

TEST_F(RealDictionaryTest, ProfilePositionMovesAndHomingSetsThePosition) {
    TestDrive sim(Source(), IdleOptions());
    auto control = [&](std::uint16_t word) { sim.Write(link::kCmdWrite16, 0x6040, 0, word); };
    auto status = [&] { return link::PayloadValue(sim.Read(0x6041, 0)); };
    control(0x06);
    control(0x0F);
    sim.Write(link::kCmdWrite8, 0x6060, 0, kModeProfilePosition);
    sim.Write(link::kCmdWrite32, 0x607A, 0, 50000);
    control(0x1F);
    EXPECT_NE(status() & kSwModeBit12, 0u);  // set-point acknowledged
    sim.clock->Advance(100ms);
    EXPECT_EQ(status() & kSwTargetReached, 0u);
    sim.clock->Advance(1500ms);
    EXPECT_NE(status() & kSwTargetReached, 0u);
    EXPECT_NEAR(double(*sim.drive->Value(kPositionActual)), 50000.0, 10.0);

    control(0x0F);
    sim.Write(link::kCmdWrite32, 0x607A, 0, 20000);
    control(0x5F);  // relative move
    sim.clock->Advance(1500ms);
    EXPECT_NEAR(double(*sim.drive->Value(kPositionActual)), 70000.0, 10.0);

    sim.Write(link::kCmdWrite8, 0x6060, 0, kModeHoming);
    sim.Write(link::kCmdWrite32, 0x607C, 0, 1000);
    control(0x0F);
    control(0x1F);
    sim.clock->Advance(100ms);
    EXPECT_NEAR(double(*sim.drive->Value(kPositionActual)), 1000.0, 10.0);
    EXPECT_NE(status() & kSwModeBit12, 0u);
    EXPECT_NE(status() & kSwHomeValid, 0u);
    EXPECT_EQ(sim.drive->Value(kPositionInternal).value_or(0) / 100, 700);
}

TEST_F(RealDictionaryTest, DefaultRecorderSettingsCapture) {
    TestDrive sim(Source());
    ASSERT_EQ(sim.Write(link::kCmdWrite8, 0x2300, 0x07, 1)[0], link::kAnswerWrite);
    const std::uint32_t samples = link::PayloadValue(sim.Read(0x2300, 0x0A));
    const std::uint32_t period = link::PayloadValue(sim.Read(0x2300, 0x08));
    const std::uint32_t bytes = link::PayloadValue(sim.Read(0x2300, 0x0E));
    EXPECT_GT(bytes, 0u);
    sim.clock->Advance(kTickLength * (samples * period + 1) + 5s);
    EXPECT_EQ(link::PayloadValue(sim.Read(0x2300, 0x07)), kRecorderIdle);
    link::SdoPayload size = sim.Read(0x2300, 0x10);
    EXPECT_EQ(size[0], link::kAnswerSegmented);
    EXPECT_EQ(link::PayloadValue(size), samples * bytes);
}

}  // namespace
}  // namespace morlo::sim::test
