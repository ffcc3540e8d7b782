#include <gtest/gtest.h>

#include <chrono>

#include "SimConstants.h"
#include "SimTestSupport.h"

namespace morlo::sim::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kStateMask = 0x6F;

class StateMachineTest : public ::testing::Test {
  protected:
    TestDrive sim{BaseSource(), IdleOptions()};

    std::uint32_t Status() { return link::PayloadValue(sim.Read(0x6041, 0)); }
    void Control(std::uint16_t word) {
        ASSERT_EQ(sim.Write(link::kCmdWrite16, 0x6040, 0, word)[0], link::kAnswerWrite);
    }
};

TEST_F(StateMachineTest, ControlwordWalksThroughTheStates) {
    EXPECT_EQ(Status() & kStateMask, kSwSwitchOnDisabled);
    Control(0x07);  // switch on is not allowed from switch on disabled
    EXPECT_EQ(Status() & kStateMask, kSwSwitchOnDisabled);
    Control(0x06);
    EXPECT_EQ(Status() & kStateMask, kSwReadyToSwitchOn);
    Control(0x07);
    EXPECT_EQ(Status() & kStateMask, kSwSwitchedOn);
    Control(0x0F);
    EXPECT_EQ(Status() & kStateMask, kSwOperationEnabled);
    Control(0x07);
    EXPECT_EQ(Status() & kStateMask, kSwSwitchedOn);
    Control(0x06);
    EXPECT_EQ(Status() & kStateMask, kSwReadyToSwitchOn);
    Control(0x0F);
    EXPECT_EQ(Status() & kStateMask, kSwOperationEnabled);
    Control(0x00);
    EXPECT_EQ(Status() & kStateMask, kSwSwitchOnDisabled);
}

TEST_F(StateMachineTest, EnabledDriveFollowsTheTargetAndQuickStopsToStandstill) {
    Control(0x06);
    Control(0x0F);
    sim.Write(link::kCmdWrite32, 0x60FF, 0, 200000);
    sim.clock->Advance(1s);
    EXPECT_NEAR(double(*sim.drive->Value(kVelocityActual)), 200000.0, 2000.0);
    EXPECT_NE(Status() & kSwTargetReached, 0u);

    Control(0x02);
    EXPECT_EQ(Status() & kStateMask, kSwQuickStopActive);
    sim.clock->Advance(300ms);  // 2000000 counts/s^2 stop 200000 counts/s in 0.1 s
    EXPECT_EQ(Status() & kStateMask, kSwSwitchOnDisabled);
    sim.clock->Advance(200ms);
    EXPECT_EQ(sim.drive->Value(kVelocityActual).value_or(-1) / 100, 0);
}

TEST_F(StateMachineTest, FaultBitFollowsErrorStateAndMask) {
    Control(0x06);
    Control(0x0F);
    sim.drive->InjectError(3);
    EXPECT_EQ(Status() & kStateMask, kSwFault);
    EXPECT_EQ(sim.drive->State(), DriveState::Fault);

    for (std::uint32_t mask : {0xFFFFu, 0x0008u, 0xFFF7u, 0x0000u, 0x0100u}) {
        sim.Write(link::kCmdWrite16, 0x2600, 0, mask);
        for (int bit : {8, 3}) {
            const std::uint32_t state = link::PayloadValue(sim.Read(0x2601, 0));
            const bool fault = (state & mask) != 0;
            EXPECT_EQ((Status() & kSwFault) != 0, fault) << std::hex << state << " " << mask;
            sim.drive->InjectError(bit);
        }
    }
    sim.Write(link::kCmdWrite16, 0x2600, 0, 0xFFFF);
    EXPECT_EQ(link::PayloadValue(sim.Read(0x2601, 0)), 0x0108u);

    // The rising edge of bit 7 clears the errors; keeping it set does nothing more.
    Control(0x80);
    EXPECT_EQ(link::PayloadValue(sim.Read(0x2601, 0)), 0u);
    EXPECT_EQ(Status() & kStateMask, kSwSwitchOnDisabled);
    sim.drive->InjectError(1);
    Control(0x80);
    EXPECT_NE(Status() & kSwFault, 0u);
    sim.drive->ClearErrors();
    EXPECT_EQ(Status() & kSwFault, 0u);
}

TEST_F(StateMachineTest, ErrorLogKeepsTheNewestFirst) {
    sim.drive->InjectError(2);
    sim.clock->Advance(3s);
    sim.drive->InjectError(9);
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(0x2610, 0x01)), 0x0200);
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(0x2610, 0x07)), 3);
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(0x2611, 0x01)), 0x0004);
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(0x2611, 0x07)), 0);
}

TEST_F(StateMachineTest, UnknownModesAreRefused) {
    EXPECT_EQ(AbortCodeOf(sim.Write(link::kCmdWrite8, 0x6060, 0, 2)),
              Code(link::AbortCode::InvalidValue));
    EXPECT_EQ(AbortCodeOf(sim.Write(link::kCmdWrite8, 0x6060, 0, 11)),
              Code(link::AbortCode::ValueTooHigh));
    sim.Write(link::kCmdWrite8, 0x6060, 0, 0xFF);  // -1
    EXPECT_EQ(sim.drive->Value(kModesDisplay), -1);
}

}  // namespace
}  // namespace morlo::sim::test
