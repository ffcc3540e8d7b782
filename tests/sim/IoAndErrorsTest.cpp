#include <gtest/gtest.h>

#include <chrono>

#include "SimConstants.h"
#include "SimTestSupport.h"

namespace morlo::sim::test {
namespace {

using namespace std::chrono_literals;

const DictionarySource& Source() {
    static const DictionarySource source =
        LoadDictionarySource(std::filesystem::path(MORLO_SOURCE_RUNTIME_DIR) / "dictionary");
    return source;
}

constexpr ObjectKey kOverTemperature = MakeObjectKey(0x2040, 0x17);

std::int64_t Terminals(TestDrive& sim) {
    return *sim.drive->Value(kInputTerminals);
}

TEST(SimulatedIo, HomeCamAndLimitSwitchFollowTheDemoMotion) {
    TestDrive sim(Source());
    // Standstill at 0: neither switch; the demo then runs out to about 400000 and back.
    EXPECT_EQ(Terminals(sim) & (kTerminalHomeCam | kTerminalPositiveLimit), 0);
    bool homeSeen = false;
    bool limitSeen = false;
    bool bothAtOnce = false;
    for (int step = 0; step < 80; ++step) {
        sim.Run(100ms);
        const std::int64_t position = *sim.drive->Value(kPositionActual);
        const std::int64_t terminals = Terminals(sim);
        const bool home = (terminals & kTerminalHomeCam) != 0;
        const bool limit = (terminals & kTerminalPositiveLimit) != 0;
        EXPECT_EQ(home, position >= kHomeCamFrom && position <= kHomeCamTo) << position;
        EXPECT_EQ(limit, position >= kPositiveLimitAt) << position;
        // DIN3 is the positive limit by default: the drive sees it and warns.
        EXPECT_EQ((*sim.drive->Value(kDigitalInputs) & kDiPositiveLimit) != 0, limit);
        homeSeen = homeSeen || home;
        limitSeen = limitSeen || limit;
        bothAtOnce = bothAtOnce || (home && limit);
    }
    EXPECT_TRUE(homeSeen);
    EXPECT_TRUE(limitSeen);
    EXPECT_FALSE(bothAtOnce);
}

TEST(SimulatedIo, OverTemperatureIsRaisedOnceAndLoggedWithItsTime) {
    TestDrive sim(Source());
    // A level just above the ambient: the power stage's own heat reaches it in seconds.
    ASSERT_TRUE(sim.drive->SetValue(kOverTemperature, 260));
    std::int64_t raisedAt = -1;
    for (int second = 1; second <= 40 && raisedAt < 0; ++second) {
        sim.Run(1s);
        if ((*sim.drive->Value(kErrorState) & (1 << kErrorOverTemperature)) != 0) {
            raisedAt = second;
        }
    }
    ASSERT_GT(raisedAt, 0);
    EXPECT_EQ(sim.drive->State(), DriveState::Fault);
    const ObjectKey code0 = MakeObjectKey(kErrorLogFirstIndex, kErrorLogCode);
    const ObjectKey time0 = MakeObjectKey(kErrorLogFirstIndex, kErrorLogTimeStamp);
    EXPECT_EQ(sim.drive->Value(code0), 1 << kErrorOverTemperature);
    EXPECT_NEAR(double(*sim.drive->Value(time0)), double(raisedAt), 1.0);
    // The condition lasts, but it is one error: the next record stays as it was.
    sim.Run(3s);
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(kErrorLogFirstIndex + 1, kErrorLogCode)), 0);
}

TEST(SimulatedIo, PanelDisplayShowsTheChosenItem) {
    TestDrive sim(Source());
    sim.Run(1s);
    EXPECT_EQ(sim.drive->Value(kPanelDisplayValue), sim.drive->Value(kVelocityActual));
    sim.Write(link::kCmdWrite8, 0x2FF0, 0x04, 1);
    sim.Run(10ms);
    EXPECT_EQ(sim.drive->Value(kPanelDisplayValue), sim.drive->Value(kPositionActual));
    sim.drive->InjectError(6);
    sim.Write(link::kCmdWrite8, 0x2FF0, 0x04, 13);
    EXPECT_EQ(sim.drive->Value(kPanelDisplayValue), 1 << 6);
    // An item the drive does not have is refused and the display stays.
    EXPECT_EQ(AbortCodeOf(sim.Write(link::kCmdWrite8, 0x2FF0, 0x04, 16)),
              Code(link::AbortCode::ValueTooHigh));
    EXPECT_EQ(sim.drive->Value(kPanelDisplayItem), 13);
}

TEST(SimulatedIo, OutputFunctionWordZeroLeavesTheOutputUnused) {
    TestDrive sim(Source());
    sim.Run(100ms);
    EXPECT_NE(*sim.drive->Value(kOutputStates) & 1, 0);  // DOUT1 servo ready
    EXPECT_EQ(AbortCodeOf(sim.Write(link::kCmdWrite16, 0x2010, 0x0F, 0)), 0u);
    sim.Run(10ms);
    EXPECT_EQ(*sim.drive->Value(kOutputStates) & 1, 0);
}

}  // namespace
}  // namespace morlo::sim::test
