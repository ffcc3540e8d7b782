#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "SimConstants.h"
#include "SimTestSupport.h"

namespace morlo::sim::test {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kMapU16 = 0x30000310;     // 3000:03, 100
constexpr std::uint32_t kMapTorque = 0x60770010;  // 6077:00, signed bit left clear
constexpr std::uint32_t kMapI32 = 0x30000620;     // 3000:06, -100000
constexpr std::uint32_t kMapI16 = 0x30000410;     // 3000:04, -300
constexpr std::uint32_t kMapVelocity = 0x606C0020;

class RecorderTest : public ::testing::Test {
  protected:
    TestDrive sim{BaseSource()};  // enabled: the demo motion accelerates from standstill

    void Set(std::int32_t sub, std::uint8_t command, std::uint32_t value) {
        link::SdoPayload answer = sim.Write(command, 0x2300, sub, value);
        ASSERT_EQ(answer[0], link::kAnswerWrite) << std::hex << link::PayloadValue(answer);
    }
    std::uint32_t State() { return link::PayloadValue(sim.Read(0x2300, 0x07)); }

    std::string Record() {
        link::SdoPayload first = sim.Read(0x2300, 0x10);
        EXPECT_EQ(first[0], link::kAnswerSegmented);
        std::string data;
        bool toggle = false;
        while (true) {
            link::SdoPayload segment =
                sim.Ask(Request(toggle ? link::kCmdSegmentToggle : link::kCmdSegment, 0, 0));
            data.append(reinterpret_cast<const char*>(&segment[1]),
                        link::SegmentDataCount(segment[0]));
            if (segment[0] & 1) {
                break;
            }
            toggle = !toggle;
        }
        EXPECT_EQ(data.size(), link::PayloadValue(first));
        return data;
    }
};

std::int64_t Field(const std::string& record, std::size_t offset, std::size_t bytes) {
    std::uint32_t raw = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
        raw |= std::uint32_t(std::uint8_t(record[offset + i])) << (8 * i);
    }
    if (bytes == 2) {
        return std::int16_t(raw);
    }
    return std::int32_t(raw);
}

TEST_F(RecorderTest, ManualTriggerRecordsEveryChannelInSlotOrder) {
    Set(0x01, link::kCmdWrite32, kMapU16);
    Set(0x02, link::kCmdWrite32, kMapTorque);
    Set(0x03, link::kCmdWrite32, kMapI16);
    Set(0x05, link::kCmdWrite32, kMapI32);
    Set(0x06, link::kCmdWrite32, kMapVelocity);
    Set(0x08, link::kCmdWrite16, 16);  // 1 ms
    Set(0x0A, link::kCmdWrite16, 10);
    EXPECT_EQ(link::PayloadValue(sim.Read(0x2300, 0x0E)), 14u);

    Set(0x07, link::kCmdWrite8, 1);
    EXPECT_EQ(State(), kRecorderTriggered);
    sim.clock->Advance(5ms);
    EXPECT_EQ(State(), kRecorderTriggered);
    EXPECT_EQ(link::PayloadValue(sim.Read(0x2300, 0x10)), 0u);  // nothing finished yet
    sim.clock->Advance(6ms);
    EXPECT_EQ(State(), kRecorderIdle);

    const std::string record = Record();
    ASSERT_EQ(record.size(), 10u * 14u);
    // slot 1, slot 2, wide A, slot 3, (slot 4 off), wide B
    for (std::size_t row = 0; row < 10; ++row) {
        const std::size_t at = row * 14;
        EXPECT_EQ(Field(record, at, 2), 100);
        EXPECT_EQ(Field(record, at + 4, 4), -100000);
        EXPECT_EQ(Field(record, at + 8, 2), -300);
    }
    EXPECT_EQ(std::uint8_t(record[8]), 0xD4);  // -300 little-endian two's complement
    EXPECT_EQ(std::uint8_t(record[9]), 0xFE);
    EXPECT_LT(Field(record, 10, 4), Field(record, 9 * 14 + 10, 4));  // accelerating
    EXPECT_GT(Field(record, 9 * 14 + 2, 2), 0);                      // torque to accelerate
}

TEST_F(RecorderTest, TriggeredCaptureWaitsForTheCrossingAndKeepsPreTriggerSamples) {
    Set(0x01, link::kCmdWrite32, 0);
    Set(0x02, link::kCmdWrite32, 0);
    Set(0x05, link::kCmdWrite32, kMapVelocity);
    Set(0x08, link::kCmdWrite16, 16);
    Set(0x09, link::kCmdWrite16, 4);
    Set(0x0A, link::kCmdWrite16, 10);
    Set(0x0B, link::kCmdWrite8, 1);
    Set(0x0C, link::kCmdWrite32, kMapVelocity);
    Set(0x0D, link::kCmdWrite32, 50000);

    Set(0x07, link::kCmdWrite8, 1);
    sim.clock->Advance(2ms);
    EXPECT_EQ(State(), kRecorderPreTriggerFill);
    sim.clock->Advance(20ms);
    EXPECT_EQ(State(), kRecorderArmed);  // the demo is still far below 50000 counts/s
    sim.clock->Advance(300ms);
    ASSERT_EQ(State(), kRecorderIdle);

    const std::string record = Record();
    ASSERT_EQ(record.size(), 10u * 4u);
    EXPECT_EQ(link::PayloadValue(sim.Read(0x2300, 0x0F)), 4u);
    EXPECT_LT(Field(record, 3 * 4, 4), 50000);
    EXPECT_GE(Field(record, 4 * 4, 4), 50000);
    for (std::size_t row = 1; row < 10; ++row) {
        EXPECT_GT(Field(record, row * 4, 4), Field(record, (row - 1) * 4, 4));
    }
}

TEST_F(RecorderTest, TriggerThatNeverComesGivesUpAfterABoundedWait) {
    Set(0x01, link::kCmdWrite32, kMapU16);
    Set(0x0A, link::kCmdWrite16, 5);
    Set(0x0C, link::kCmdWrite32, kMapVelocity);
    Set(0x0D, link::kCmdWrite32, 0x7FFFFFFF);
    Set(0x07, link::kCmdWrite8, 1);
    sim.clock->Advance(4s);
    EXPECT_EQ(State(), kRecorderArmed);
    sim.clock->Advance(2s);
    EXPECT_EQ(State(), kRecorderIdle);
    EXPECT_EQ(Record().size(), 5u * 2u);
}

TEST_F(RecorderTest, RefusesMappingsThatDoNotFitAndStopsOnRequest) {
    const std::pair<std::int32_t, std::uint32_t> refused[] = {
        {0x01, kMapVelocity},  // 32-bit object on a 16-bit channel
        {0x05, kMapTorque},    // 16-bit object on a wide slot
        {0x01, 0x60770020},    // size code does not match the object
        {0x02, 0x31000010},    // no such object
        {0x0C, 0x31000010},
    };
    for (const auto& [sub, mapping] : refused) {
        SCOPED_TRACE(testing::Message() << sub << " " << std::hex << mapping);
        EXPECT_EQ(AbortCodeOf(sim.Write(link::kCmdWrite32, 0x2300, sub, mapping)),
                  Code(link::AbortCode::InvalidValue));
    }
    EXPECT_EQ(AbortCodeOf(sim.Write(link::kCmdWrite8, 0x2300, 0x07, 2)),
              Code(link::AbortCode::InvalidValue));
    Set(0x0C, link::kCmdWrite32, 0x60770010);  // any width may trigger

    Set(0x0C, link::kCmdWrite32, 0);
    Set(0x01, link::kCmdWrite32, kMapU16);
    Set(0x07, link::kCmdWrite8, 1);
    Set(0x07, link::kCmdWrite8, 0);
    EXPECT_EQ(State(), kRecorderIdle);
    sim.clock->Advance(1s);
    EXPECT_EQ(Record(), "");
}

}  // namespace
}  // namespace morlo::sim::test
