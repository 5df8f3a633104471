// The part table's rules as tables of parts: layout, split, retry, stall
// and repair ranges, and the supervisor's queries. No threads, no mirrors.
#include <gtest/gtest.h>

#include "download/PartTable.h"

namespace {

DownloadItem Part(std::uint64_t start, std::uint64_t pos, std::uint64_t end, int status = E_Status_Runing) {
    DownloadItem part;
    part.start = start;
    part.pos = pos;
    part.end = end;
    part.status = status;
    return part;
}

using Range = std::pair<std::uint64_t, std::uint64_t>;

const char kA[] = "http://a/download/p";
const char kB[] = "http://b/download/p";

TEST(PartTableTest, LayoutCutsTheFileIntoEqualRangesRoundRobinAndTheLastTakesTheRest) {
    struct Case {
        std::uint64_t size;
        int count;
        std::vector<std::uint64_t> ends;
    };
    const Case cases[] = {
        {4000000, 4, {999999, 1999999, 2999999, 3999999}},
        {10, 3, {2, 5, 9}},  // 3 + 3 + 4
        {3 * 1048576 + 12345, 4, {789517, 1579035, 2368553, 3158072}},
        {1, 1, {0}},
    };
    for (const Case& c : cases) {
        PartTable table;
        table.Layout(c.size, c.count, {kA, kB}, 77);
        ASSERT_EQ(c.count, table.Count()) << c.size;
        std::uint64_t next = 0;
        for (int i = 0; i < c.count; ++i) {
            const DownloadItem& part = *table.Find(i);
            EXPECT_EQ(i, part.id);
            EXPECT_EQ(next, part.start) << c.size << " part " << i;
            EXPECT_EQ(part.start, part.pos);
            EXPECT_EQ(c.ends[static_cast<size_t>(i)], part.end) << c.size << " part " << i;
            EXPECT_EQ(i % 2 ? kB : kA, part.url);
            EXPECT_EQ(E_Status_Runing, part.status);
            EXPECT_EQ(77u, part.startTick);
            next = part.end + 1;
        }
        EXPECT_EQ(c.size, next);
    }
}

TEST(PartTableTest, SplitKeepsTheFirstHalfAndStartsTheSecondAtPosPlusHalf) {
    struct Case {
        std::uint64_t pos, end;
        bool split;
        std::uint64_t keepEnd, newStart;
    };
    const Case cases[] = {
        {700000, 1300000, true, 999999, 1000000},   // 600,000 left: 300,000 kept, 300,001 new
        {700000, 1300001, true, 1000000, 1000001},  // 600,001 left: 300,001 each
        {0, 511999, false, 0, 0},                   // below the threshold
        {0, 512000, true, 255999, 256000},          // exactly the threshold
        {900, 800, false, 0, 0},                    // nothing left
    };
    for (const Case& c : cases) {
        const SplitRanges ranges = PlanSplit(Part(0, c.pos, c.end));
        EXPECT_EQ(c.split, ranges.split) << c.pos << "-" << c.end;
        if (!c.split) continue;
        EXPECT_EQ(c.keepEnd, ranges.keepEnd);
        EXPECT_EQ(c.newStart, ranges.newStart);
        EXPECT_EQ(c.end, ranges.newEnd);
        EXPECT_EQ(ranges.keepEnd + 1, ranges.newStart);
    }
}

TEST(PartTableTest, RetryRetiresBadRangesAndTooShortRests) {
    struct Case {
        std::uint64_t pos, end, fileSize;
        RetryPlan plan;
        bool tooShort;
    };
    const Case cases[] = {
        {300000, 999999, 4000000, RetryPlan::Retry, false},
        {300000, 4000001, 4000000, RetryPlan::BadRange, true},
        {1000000, 999999, 4000000, RetryPlan::NothingLeft, true},
        {999999, 999999, 4000000, RetryPlan::Retry, true},  // one byte left: left to the hash check
        {999998, 999999, 4000000, RetryPlan::Retry, false},
    };
    for (const Case& c : cases) {
        const DownloadItem failed = Part(0, c.pos, c.end, E_Status_Fail);
        EXPECT_EQ(c.plan, PlanRetryRange(failed, c.fileSize)) << c.pos << "-" << c.end;
        EXPECT_EQ(c.tooShort, RetryRangeTooShort(failed, c.fileSize)) << c.pos << "-" << c.end;
    }
}

TEST(PartTableTest, StallMovesOnlySilentPartsBelowNinetyPercentOffTheCdn) {
    struct Case {
        const char* name;
        DWORD lastData;
        std::uint64_t downloaded;
        bool onCdn;
        std::uint64_t pos, end;
        StallPlan plan;
    };
    const DWORD now = 50000;
    const Case cases[] = {
        {"silent at 50 %", now - 10000, 2000000, false, 100, 999999, StallPlan::Move},
        {"data just now", now - 9999, 2000000, false, 100, 999999, StallPlan::Running},
        {"silent at 95 %", now - 20000, 3800000, false, 100, 999999, StallPlan::Running},
        {"silent at exactly 90 %", now - 20000, 3600000, false, 100, 999999, StallPlan::Move},
        {"silent on the CDN", now - 20000, 2000000, true, 100, 999999, StallPlan::Running},
        {"silent past its end", now - 20000, 2000000, false, 1000000, 999999, StallPlan::BadRange},
        {"silent, end past the file", now - 20000, 2000000, false, 100, 4000001, StallPlan::BadRange},
    };
    for (const Case& c : cases) {
        DownloadItem part = Part(0, c.pos, c.end);
        part.lastDataTick = c.lastData;
        EXPECT_EQ(c.plan, PlanStall(part, c.downloaded, 4000000, c.onCdn, now, 10000)) << c.name;
    }
}

TEST(PartTableTest, BlockRangesEndAtTheFileEnd) {
    const std::uint64_t size = 3 * 1048576 + 524288;  // 3.5 MiB: four blocks
    EXPECT_EQ(Range(0, 1048575), BlockRange(0, 4, size));
    EXPECT_EQ(Range(2097152, 3145727), BlockRange(2, 4, size));
    EXPECT_EQ(Range(3145728, size - 1), BlockRange(3, 4, size));
}

TEST(PartTableTest, QueriesSeeOnlyTheStatusesTheyAreAbout) {
    PartTable table;
    table.Layout(4000000, 4, {kA, kB}, 0);
    // Part 0 done, 1 failed, 2 running with 600,000 left, 3 running with 600,000 left too.
    PartTable::SetStatus(*table.Find(0), E_Status_Succeed);
    table.Find(0)->pos = 1000000;
    PartTable::SetStatus(*table.Find(1), E_Status_Fail);
    table.Find(1)->pos = 1100000;
    table.Find(2)->pos = 2399999;
    table.Find(3)->pos = 3399999;
    EXPECT_EQ(2, table.CountRunning());
    EXPECT_EQ(2, table.LargestRemaining());  // ties keep the lowest id
    int first = -1;
    EXPECT_TRUE(table.HasActive(&first));
    EXPECT_EQ(1, first);  // a failed part waits for its retry
    const auto written = table.WrittenRanges();
    ASSERT_EQ(4u, written.size());
    EXPECT_EQ(Range(1000000, 1100000), written[1]);

    // A new part copies the model's mirrors to avoid, with fresh transfer fields.
    table.Find(2)->avoidMirrors = 4;
    table.Find(2)->speed = 123;
    table.Find(2)->result = 28;
    DownloadItem& entered = table.Enter(*table.Find(2), kB, 2500000, 2999999, 9);
    EXPECT_EQ(4, entered.id);
    EXPECT_EQ(kB, entered.url);
    EXPECT_EQ(2500000u, entered.pos);
    EXPECT_EQ(4u, entered.avoidMirrors);
    EXPECT_EQ(0, entered.speed);
    EXPECT_EQ(0, entered.result);
    EXPECT_EQ(9u, entered.lastDataTick);
    EXPECT_EQ(E_Status_Runing, entered.status);
    EXPECT_EQ(table.Find(2), table.Containing(2000000, 2999999));
    EXPECT_EQ(nullptr, table.Containing(1500000, 2500000));

    table.StopAll();
    EXPECT_EQ(0, table.CountRunning());
    EXPECT_EQ(-1, table.LargestRemaining());
    EXPECT_FALSE(table.HasActive(nullptr));
}

}  // namespace
