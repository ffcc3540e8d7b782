#include <gtest/gtest.h>

#include <string>

#include "SimTestSupport.h"

namespace morlo::sim::test {
namespace {

using link::AbortCode;

class SdoServerTest : public ::testing::Test {
  protected:
    TestDrive sim{BaseSource(), IdleOptions()};

    std::string Upload(std::int32_t index, std::int32_t sub) {
        link::SdoPayload first = sim.Read(index, sub);
        EXPECT_EQ(first[0], link::kAnswerSegmented);
        std::string data;
        bool toggle = false;
        for (int guard = 0; guard < 100; ++guard) {
            link::SdoPayload segment =
                sim.Ask(Request(toggle ? link::kCmdSegmentToggle : link::kCmdSegment, 0, 0));
            const int count = link::SegmentDataCount(segment[0]);
            data.append(reinterpret_cast<const char*>(&segment[1]), count);
            if (segment[0] & 1) {
                break;
            }
            toggle = !toggle;
        }
        EXPECT_EQ(data.size(), link::PayloadValue(first));
        return data;
    }
};

TEST_F(SdoServerTest, ExpeditedReadsUseTheTypeWidthWithoutSignExtension) {
    struct Case {
        std::int32_t sub;
        std::uint8_t command;
        std::uint32_t value;
    };
    const Case cases[] = {
        {0x01, link::kAnswer8, 200},         {0x02, link::kAnswer8, 0xFD},
        {0x03, link::kAnswer16, 100},        {0x04, link::kAnswer16, 0xFED4},
        {0x05, link::kAnswer32, 0xFFFFFFF0}, {0x06, link::kAnswer32, 0xFFFE7960},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sub);
        link::SdoPayload answer = sim.Read(0x3000, c.sub);
        EXPECT_EQ(answer[0], c.command);
        EXPECT_EQ(link::PayloadKey(answer), MakeObjectKey(0x3000, c.sub));
        EXPECT_EQ(link::PayloadValue(answer), c.value);
    }
}

TEST_F(SdoServerTest, WritesStoreAndEchoTheValue) {
    link::SdoPayload answer = sim.Write(link::kCmdWrite16, 0x3000, 0x04, 0xFE0C);  // -500
    EXPECT_EQ(answer[0], link::kAnswerWrite);
    EXPECT_EQ(link::PayloadKey(answer), MakeObjectKey(0x3000, 0x04));
    EXPECT_EQ(link::PayloadValue(answer), 0xFE0Cu);
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(0x3000, 0x04)), -500);

    // Bytes beyond the command's width are not part of the value.
    answer = sim.Write(link::kCmdWrite8, 0x3000, 0x02, 0xABCDEF80);
    EXPECT_EQ(link::PayloadValue(answer), 0x80u);
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(0x3000, 0x02)), -128);

    answer = sim.Write(link::kCmdWrite32, 0x3000, 0x06, 0x80000000);
    EXPECT_EQ(link::PayloadValue(answer), 0x80000000u);
    EXPECT_EQ(link::PayloadValue(sim.Read(0x3000, 0x06)), 0x80000000u);
}

TEST_F(SdoServerTest, RefusalsCarryTheRequestKeyAndTheRightAbortCode) {
    struct Case {
        link::SdoPayload request;
        AbortCode code;
    };
    const Case cases[] = {
        {Request(link::kCmdRead, 0x3001, 0), AbortCode::ObjectDoesNotExist},
        {Request(link::kCmdRead, 0x3000, 0x20), AbortCode::SubIndexDoesNotExist},
        {Request(link::kCmdWrite16, 0x3001, 0, 1), AbortCode::ObjectDoesNotExist},
        {Request(link::kCmdWrite16, 0x3000, 0x20, 1), AbortCode::SubIndexDoesNotExist},
        {Request(link::kCmdWrite16, 0x3000, 0x07, 1), AbortCode::WriteOfReadOnlyObject},
        {Request(link::kCmdWrite32, 0x3000, 0x03, 50), AbortCode::DataTypeLengthMismatch},
        {Request(link::kCmdWrite8, 0x3000, 0x03, 50), AbortCode::DataTypeLengthMismatch},
        {Request(link::kCmdWrite16, 0x3000, 0x03, 9), AbortCode::ValueTooLow},
        {Request(link::kCmdWrite16, 0x3000, 0x03, 1001), AbortCode::ValueTooHigh},
        // Range checks see the type's sign: 0xFE00 is -512 for an I16.
        {Request(link::kCmdWrite16, 0x3000, 0x04, 0xFE00), AbortCode::ValueTooLow},
        {Request(link::kCmdWrite16, 0x3000, 0x04, 501), AbortCode::ValueTooHigh},
        {Request(link::kCmdWrite16, 0x1008, 0x00, 1), AbortCode::WriteOfReadOnlyObject},
        {Request(0x22, 0x3000, 0x03, 50), AbortCode::CommandSpecifierInvalid},
        {Request(0x99, 0x3000, 0x03), AbortCode::CommandSpecifierInvalid},
        {Request(link::kCmdSegment, 0, 0), AbortCode::CommandSpecifierInvalid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << std::hex << int(c.request[0]) << " " << link::PayloadKey(c.request));
        link::SdoPayload answer = sim.Ask(c.request);
        EXPECT_EQ(answer[0], link::kCmdAbort);
        EXPECT_EQ(AbortCodeOf(answer), Code(c.code));
        EXPECT_EQ(answer[1], c.request[1]);
        EXPECT_EQ(answer[2], c.request[2]);
        EXPECT_EQ(answer[3], c.request[3]);
    }
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(0x3000, 0x03)), 100);  // nothing was stored
}

TEST_F(SdoServerTest, SegmentedUploadOfTenCharacters) {
    link::SdoPayload first = sim.Read(0x3000, 0x08);
    EXPECT_EQ(first[0], link::kAnswerSegmented);
    EXPECT_EQ(link::PayloadValue(first), 10u);

    link::SdoPayload segment = sim.Ask(Request(link::kCmdSegment, 0, 0));
    EXPECT_EQ(segment[0], 0x00);  // 7 bytes, more to come
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&segment[1]), 7), "0123456");

    segment = sim.Ask(Request(link::kCmdSegmentToggle, 0, 0));
    EXPECT_EQ(segment[0], 0x19);  // toggle, 4 unused bytes, last
    EXPECT_EQ(link::SegmentDataCount(segment[0]), 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&segment[1]), 3), "789");
    EXPECT_EQ(segment[4], 0);

    // The transfer is over.
    EXPECT_EQ(AbortCodeOf(sim.Ask(Request(link::kCmdSegment, 0, 0))),
              Code(AbortCode::CommandSpecifierInvalid));
}

TEST_F(SdoServerTest, UploadOfAMultipleOfSevenEndsWithAnEmptySegment) {
    EXPECT_EQ(link::PayloadValue(sim.Read(0x3000, 0x09)), 14u);
    EXPECT_EQ(sim.Ask(Request(link::kCmdSegment, 0, 0))[0], 0x00);
    link::SdoPayload second = sim.Ask(Request(link::kCmdSegmentToggle, 0, 0));
    EXPECT_EQ(second[0], 0x10);  // full, not marked last
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&second[1]), 7), "HIJKLMN");
    EXPECT_EQ(sim.Ask(Request(link::kCmdSegment, 0, 0))[0], 0x0F);
    EXPECT_EQ(sim.Ask(Request(link::kCmdSegmentToggle, 0, 0))[0], link::kCmdAbort);

    EXPECT_EQ(Upload(0x1008, 0), "Test Drive");
}

TEST_F(SdoServerTest, WrongToggleAbortsTheTransfer) {
    sim.Read(0x3000, 0x09);
    link::SdoPayload answer = sim.Ask(Request(link::kCmdSegmentToggle, 0, 0));
    EXPECT_EQ(AbortCodeOf(answer), Code(AbortCode::ToggleBitNotAlternated));
    EXPECT_EQ(AbortCodeOf(sim.Ask(Request(link::kCmdSegment, 0, 0))),
              Code(AbortCode::CommandSpecifierInvalid));

    // A toggle repeated in the middle fails as well, and a new read starts afresh.
    sim.Read(0x3000, 0x09);
    sim.Ask(Request(link::kCmdSegment, 0, 0));
    EXPECT_EQ(AbortCodeOf(sim.Ask(Request(link::kCmdSegment, 0, 0))),
              Code(AbortCode::ToggleBitNotAlternated));
    EXPECT_EQ(Upload(0x3000, 0x09), "ABCDEFGHIJKLMN");
}

}  // namespace
}  // namespace morlo::sim::test
