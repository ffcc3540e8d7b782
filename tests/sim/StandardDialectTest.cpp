// The drive answering as a plain CiA 301 device, byte for byte.

#include <gtest/gtest.h>

#include <string>

#include "SimTestSupport.h"

namespace morlo::sim::test {
namespace {

using link::AbortCode;
using Bytes = link::SdoPayload;

DriveOptions StandardOptions() {
    DriveOptions options = IdleOptions();
    options.dialect = SdoDialect::Standard;
    return options;
}

class StandardDialectTest : public ::testing::Test {
  protected:
    TestDrive sim{BaseSource(), StandardOptions()};
    const ObjectKey text = MakeObjectKey(0x3000, 0x08);

    Bytes Segment(bool toggle) {
        return sim.Ask(Request(toggle ? link::kCmdSegmentToggle : link::kCmdSegment, 0x3000, 8));
    }
};

TEST_F(StandardDialectTest, WriteConfirmationsCarryNoData) {
    EXPECT_EQ(sim.Write(link::kCmdWrite16, 0x3000, 0x04, 0xFE0C),
              (Bytes{0x60, 0x00, 0x30, 0x04, 0, 0, 0, 0}));
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(0x3000, 0x04)), -500);
    EXPECT_EQ(sim.Write(link::kCmdWrite32, 0x3000, 0x06, 0x12345678),
              (Bytes{0x60, 0x00, 0x30, 0x06, 0, 0, 0, 0}));
    // Numbers read as in the family, refusals too.
    EXPECT_EQ(sim.Read(0x3000, 0x06), (Bytes{0x43, 0x00, 0x30, 0x06, 0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(sim.Read(0x3000, 0x03), (Bytes{0x4B, 0x00, 0x30, 0x03, 100, 0, 0, 0}));
    EXPECT_EQ(sim.Read(0x3000, 0x01), (Bytes{0x4F, 0x00, 0x30, 0x01, 200, 0, 0, 0}));
    EXPECT_EQ(sim.Write(link::kCmdWrite16, 0x3000, 0x07, 1),
              (Bytes{0x80, 0x00, 0x30, 0x07, 0x02, 0x00, 0x01, 0x06}));
}

TEST_F(StandardDialectTest, TextsOfUpToFourBytesAreExpeditedWithTheirSize) {
    const struct {
        const char* text;
        Bytes answer;
    } cases[] = {
        {"A", {0x4F, 0x00, 0x30, 0x08, 'A', 0, 0, 0}},
        {"AB", {0x4B, 0x00, 0x30, 0x08, 'A', 'B', 0, 0}},
        {"ABC", {0x47, 0x00, 0x30, 0x08, 'A', 'B', 'C', 0}},
        {"ABCD", {0x43, 0x00, 0x30, 0x08, 'A', 'B', 'C', 'D'}},
        {"ABCDE", {0x41, 0x00, 0x30, 0x08, 5, 0, 0, 0}},
        {"", {0x41, 0x00, 0x30, 0x08, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(sim.drive->SetText(text, c.text));
        EXPECT_EQ(sim.Read(0x3000, 0x08), c.answer);
    }
    // An expedited answer leaves no upload open behind it.
    sim.drive->SetText(text, "ABC");
    sim.Read(0x3000, 0x08);
    EXPECT_EQ(AbortCodeOf(Segment(false)), Code(AbortCode::CommandSpecifierInvalid));
}

TEST_F(StandardDialectTest, TheLastSegmentIsMarkedWhateverItsLength) {
    sim.drive->SetText(text, "ABCDEFGHIJKLMN");
    EXPECT_EQ(sim.Read(0x3000, 0x08), (Bytes{0x41, 0x00, 0x30, 0x08, 14, 0, 0, 0}));
    EXPECT_EQ(Segment(false), (Bytes{0x00, 'A', 'B', 'C', 'D', 'E', 'F', 'G'}));
    EXPECT_EQ(Segment(true), (Bytes{0x11, 'H', 'I', 'J', 'K', 'L', 'M', 'N'}));
    EXPECT_EQ(AbortCodeOf(Segment(false)), Code(AbortCode::CommandSpecifierInvalid));

    sim.drive->SetText(text, "0123456789");
    sim.Read(0x3000, 0x08);
    EXPECT_EQ(Segment(false), (Bytes{0x00, '0', '1', '2', '3', '4', '5', '6'}));
    EXPECT_EQ(Segment(true), (Bytes{0x19, '7', '8', '9', 0, 0, 0, 0}));

    sim.drive->SetText(text, "");
    sim.Read(0x3000, 0x08);
    EXPECT_EQ(Segment(false), (Bytes{0x0F, 0, 0, 0, 0, 0, 0, 0}));

    // The family's habit, for comparison: a full last segment is followed by an empty one.
    TestDrive family{BaseSource(), IdleOptions()};
    family.drive->SetText(text, "ABCDEFG");
    EXPECT_EQ(family.Read(0x3000, 0x08)[0], link::kAnswerSegmented);
    EXPECT_EQ(family.Ask(Request(link::kCmdSegment, 0, 0))[0], 0x00);
    EXPECT_EQ(family.Ask(Request(link::kCmdSegmentToggle, 0, 0))[0], 0x1F);
}

TEST_F(StandardDialectTest, NumbersCanBeSentInSegmentsWithTheirOwnSize) {
    EXPECT_FALSE(sim.drive->SendInSegments(text));
    EXPECT_FALSE(sim.drive->SendInSegments(MakeObjectKey(0x3000, 0x7F)));
    ASSERT_TRUE(sim.drive->SendInSegments(MakeObjectKey(0x3000, 0x06)));
    ASSERT_TRUE(sim.drive->SendInSegments(MakeObjectKey(0x3000, 0x04)));
    sim.Write(link::kCmdWrite32, 0x3000, 0x06, 0x12345678);
    sim.Write(link::kCmdWrite16, 0x3000, 0x04, 0xFE0C);
    EXPECT_EQ(sim.Read(0x3000, 0x06), (Bytes{0x41, 0x00, 0x30, 0x06, 4, 0, 0, 0}));
    EXPECT_EQ(sim.Ask(Request(link::kCmdSegment, 0x3000, 0x06)),
              (Bytes{0x07, 0x78, 0x56, 0x34, 0x12, 0, 0, 0}));
    EXPECT_EQ(sim.Read(0x3000, 0x04), (Bytes{0x41, 0x00, 0x30, 0x04, 2, 0, 0, 0}));
    EXPECT_EQ(sim.Ask(Request(link::kCmdSegment, 0x3000, 0x04)),
              (Bytes{0x0B, 0x0C, 0xFE, 0, 0, 0, 0, 0}));
    // Other numbers stay expedited.
    EXPECT_EQ(sim.Read(0x3000, 0x03)[0], 0x4B);
}

TEST_F(StandardDialectTest, ARepeatedToggleAbortsAndAClientAbortIsNotAnswered) {
    sim.drive->SetText(text, "ABCDEFGHIJKLMNOPQRSTU");
    sim.Read(0x3000, 0x08);
    Segment(false);
    // The abort names the object even when the segment request does not.
    EXPECT_EQ(sim.Ask(Request(link::kCmdSegment, 0, 0)),
              (Bytes{0x80, 0x00, 0x30, 0x08, 0x00, 0x00, 0x03, 0x05}));

    sim.Read(0x3000, 0x08);
    Segment(false);
    const Bytes abort{0x80, 0x00, 0x30, 0x08, 0x00, 0x00, 0x04, 0x05};
    EXPECT_FALSE(sim.drive->HandleRequest(abort));
    EXPECT_EQ(AbortCodeOf(Segment(true)), Code(AbortCode::CommandSpecifierInvalid));
    // A new upload starts afresh.
    EXPECT_EQ(sim.Read(0x3000, 0x08)[4], 21);
    EXPECT_EQ(Segment(false)[0], 0x00);
}

}  // namespace
}  // namespace morlo::sim::test
