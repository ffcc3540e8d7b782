#include <gtest/gtest.h>

#include "TempFolder.h"
#include "logging/PeriodSchedule.h"
#include "logging/ValueLog.h"
#include "profile/FileAccess.h"

namespace morlo::logging {
namespace {

using namespace std::chrono_literals;
using Clock = ValueLog::Clock;

TEST(ValueLog, HeaderRowsAndTimesThatNeverGoBack) {
    test::TempFolder folder;
    const auto file = folder / "log.csv";
    ValueLog log;
    const Clock::time_point start{1h};
    // The wall clock is read once: 2026-05-01 00:00:00 UTC plus the monotonic time.
    const std::chrono::system_clock::time_point wall{std::chrono::seconds(1777593600)};
    ASSERT_TRUE(
        log.Open(file, {{"Velocity actual value", "rpm"}, {"Status, word", "HEX"}}, start, wall));
    // Readable while recording: the header is there before any row.
    EXPECT_EQ(ReadWholeFile(file).bytes,
              "host_time,elapsed_ms,Velocity actual value [rpm],\"Status, word [HEX]\"\n");
    EXPECT_TRUE(log.WriteRow(start + 10ms, {"1500.5", "0237"}));
    EXPECT_TRUE(log.WriteRow(start + 20500us, {std::nullopt, "0637"}));
    const std::string text = ReadWholeFile(file).bytes;
    EXPECT_NE(text.find(",10.000,1500.5,0237\n"), std::string::npos) << text;
    EXPECT_NE(text.find(",20.500,,0637\n"), std::string::npos) << text;
    EXPECT_EQ(log.HostTime(start + 10ms).substr(19), ".010");
    EXPECT_LT(log.HostTime(start + 10ms), log.HostTime(start + 1010ms));

    // Values as they come: a column that already holds a value in the row ends the row.
    ValueLog rows;
    ASSERT_TRUE(rows.Open(folder / "rows.csv", {{"a", "A"}, {"b", "B"}}, start, wall));
    LogRowCollector collector(rows);
    collector.Add(0, "1", start + 1ms);
    collector.Add(1, "2", start + 2ms);
    collector.Add(0, "3", start + 3ms);  // a new round: row 1 is written, stamped at 1 ms
    collector.Add(0, "4", start + 4ms);  // column 1 never answered in round 2: empty
    collector.Flush();
    collector.Flush();  // nothing left: no empty line
    const std::string collected = ReadWholeFile(folder / "rows.csv").bytes;
    EXPECT_NE(collected.find(",1.000,1,2\n"), std::string::npos) << collected;
    EXPECT_NE(collected.find(",3.000,3,\n"), std::string::npos) << collected;
    EXPECT_NE(collected.find(",4.000,4,\n"), std::string::npos) << collected;
    EXPECT_EQ(std::count(collected.begin(), collected.end(), '\n'), 4);

    // A folder is no file to log into.
    ValueLog none;
    EXPECT_FALSE(none.Open(folder.Path(), {{"a", "A"}}));
    EXPECT_FALSE(none.WriteRow(start, {"1"}));
}

TEST(PeriodSchedule, DeadlinesDoNotDriftAndLateRoundsCountMissedPeriods) {
    const Clock::time_point start{5s};
    PeriodSchedule schedule(start, 10ms);
    struct Step {
        std::chrono::microseconds roundEnd;  // after the start
        std::int64_t next;
        std::int64_t missed;
    };
    const Step steps[] = {
        {3ms, 1, 0},       // on time
        {19'999us, 2, 0},  // late within its period: no drift, the next deadline is 20 ms
        {20ms, 3, 0},      // ends exactly on deadline 2 (which this round was for)
        {45ms, 5, 1},      // round 3 ran past deadline 4: one period missed
        {120ms, 13, 7},
    };
    for (const Step& s : steps) {
        const auto next = schedule.Advance(start + s.roundEnd);
        EXPECT_EQ(next.index, s.next) << s.roundEnd.count();
        EXPECT_EQ(next.missed, s.missed) << s.roundEnd.count();
        EXPECT_EQ(schedule.CurrentDeadline(), start + s.next * 10ms);
    }
}

}  // namespace
}  // namespace morlo::logging
