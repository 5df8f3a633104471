// Mirror choice over hand-made part tables: windowed speeds, silent parts,
// stalled mirrors and the mirrors a repair keeps off.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "download/MirrorChoice.h"

namespace {

const char* const kMirrors[] = {"http://a/download/p", "http://b/download/p", "http://c/download/p"};

std::uint32_t BitOf(const char* url) {
    for (int i = 0; i < 3; ++i)
        if (std::strcmp(url, kMirrors[i]) == 0) return 1u << i;
    return 1u << 31;
}

DownloadItem Part(int id, int mirror, int status, int speed, DWORD lastData) {
    DownloadItem item;
    item.id = id;
    item.url = kMirrors[mirror];
    item.status = status;
    item.speed = speed;
    item.lastDataTick = lastData;
    return item;
}

// Index of the chosen part's mirror, -1 for none.
int Chosen(const std::map<int, DownloadItem>& parts, int excludedMirror, std::uint32_t avoid, DWORD now,
           int slots = 0) {
    const DownloadItem* best =
        FastestPart(parts, excludedMirror >= 0 ? kMirrors[excludedMirror] : nullptr, avoid, BitOf, now, slots);
    if (!best) return -1;
    for (int i = 0; i < 3; ++i)
        if (best->url == kMirrors[i]) return i;
    return -2;
}

struct ChoiceCase {
    const char* name;
    std::map<int, DownloadItem> parts;
    int excluded;
    std::uint32_t avoid;
    DWORD now;
    int expected;
};

TEST(MirrorChoice, FastestSelectablePartWins) {
    const DWORD t = 100000;
    const ChoiceCase cases[] = {
        {"FastestOtherMirror",
         {{0, Part(0, 0, E_Status_Runing, 500, t)},
          {1, Part(1, 1, E_Status_Runing, 900, t)},
          {2, Part(2, 2, E_Status_Runing, 700, t)}},
         1,
         0,
         t,
         2},
        {"TieKeepsTheLowestId",
         {{0, Part(0, 1, E_Status_Runing, 700, t)}, {1, Part(1, 2, E_Status_Runing, 700, t)}},
         0,
         0,
         t,
         1},
        {"EverySpeedZeroGivesNone",
         {{0, Part(0, 0, E_Status_Runing, 0, t)}, {1, Part(1, 1, E_Status_Runing, 0, t)}},
         -1,
         0,
         t,
         -1},
        // Silent for more than a second: the last speed no longer counts.
        {"SilentPartCountsZero",
         {{0, Part(0, 1, E_Status_Runing, 9000, t - 1500)}, {1, Part(1, 2, E_Status_Runing, 100, t)}},
         0,
         0,
         t,
         2},
        // A finished part keeps its speed however long ago it ended...
        {"FinishedPartKeepsItsSpeed",
         {{0, Part(0, 1, E_Status_Succeed, 9000, t - 60000)}, {1, Part(1, 2, E_Status_Runing, 100, t)}},
         0,
         0,
         t,
         1},
        // ...unless its mirror now has a silent running part.
        {"StalledMirrorIsPassedOver",
         {{0, Part(0, 1, E_Status_Succeed, 9000, t - 5000)},
          {1, Part(1, 1, E_Status_Runing, 9000, t - 3000)},
          {2, Part(2, 2, E_Status_Runing, 100, t)}},
         0,
         0,
         t,
         2},
        {"FailedPartsAreNeverChosen",
         {{0, Part(0, 1, E_Status_Fail, 9000, t)}, {1, Part(1, 2, E_Status_StopByFail, 9000, t)}},
         0,
         0,
         t,
         -1},
        // A repair keeps off the mirrors that wrote the bad bytes.
        {"AvoidedMirrorIsPassedOver",
         {{0, Part(0, 0, E_Status_Succeed, 9000, t)}, {1, Part(1, 1, E_Status_Succeed, 100, t)}},
         1,
         1u << 0,
         t,
         -1},
        {"AvoidedMirrorLeavesTheOthers",
         {{0, Part(0, 0, E_Status_Succeed, 9000, t)},
          {1, Part(1, 1, E_Status_Succeed, 100, t)},
          {2, Part(2, 2, E_Status_Succeed, 50, t)}},
         1,
         1u << 0,
         t,
         2},
        // The tick counter wraps: a part whose last data is "ahead" by a
        // wrap is fresh.
        {"TickWrap", {{0, Part(0, 1, E_Status_Runing, 800, 0xFFFFFF00u)}}, 0, 0, 0x100, 1},
    };
    for (const ChoiceCase& c : cases) EXPECT_EQ(c.expected, Chosen(c.parts, c.excluded, c.avoid, c.now)) << c.name;
}

TEST(MirrorChoice, WithSlotsTheSpeedIsWhatANewRangeWouldGetOnTheMirror) {
    const DWORD t = 100000;
    const int R = E_Status_Runing, S = E_Status_Succeed;
    const ChoiceCase cases[] = {
        // Mirror 1 runs both its connections; mirror 2's second one just finished.
        {"FreeConnectionBeatsASharedOne",
         {{0, Part(0, 0, R, 800, t)},
          {1, Part(1, 1, R, 800, t)},
          {2, Part(2, 1, R, 800, t)},
          {3, Part(3, 2, R, 800, t)},
          {4, Part(4, 2, S, 800, t - 50)}},
         0,
         0,
         t,
         2},
        // Shared, a fast mirror still offers more than a slow free one.
        {"SharedFastBeatsFreeSlow",
         {{0, Part(0, 1, R, 4000, t)}, {1, Part(1, 1, R, 4000, t)}, {2, Part(2, 2, S, 1000, t - 50)}},
         0,
         0,
         t,
         1},
        // A mirror with nothing running offers its parts' last speed.
        {"IdleMirrorOffersItsLastSpeed",
         {{0, Part(0, 1, S, 900, t - 5000)}, {1, Part(1, 2, R, 1000, t)}, {2, Part(2, 2, R, 1000, t)}},
         0,
         0,
         t,
         1},
        // A part that has only just started (no data yet) holds its connection.
        {"StartingPartHoldsItsConnection",
         {{0, Part(0, 1, R, 800, t)}, {1, Part(1, 1, R, 0, t - 100)}, {2, Part(2, 2, R, 500, t)}},
         0,
         0,
         t,
         2},
        {"StalledMirrorIsPassedOver",
         {{0, Part(0, 1, S, 9000, t - 5000)},
          {1, Part(1, 1, R, 9000, t - 3000)},
          {2, Part(2, 2, R, 100, t)},
          {3, Part(3, 2, R, 100, t)}},
         0,
         0,
         t,
         2},
        {"AvoidedMirrorIsPassedOver",
         {{0, Part(0, 1, S, 9000, t)}, {1, Part(1, 2, R, 100, t)}, {2, Part(2, 2, R, 100, t)}},
         -1,
         1u << 1,
         t,
         2},
        // Both connections only just started: the finished part's speed is shared three ways.
        {"FullMirrorOfNewPartsSharesItsLastSpeed",
         {{0, Part(0, 1, S, 900, t - 500)}, {1, Part(1, 1, R, 0, t)}, {2, Part(2, 1, R, 0, t)}},
         0,
         0,
         t,
         1},
        {"NothingAboveZero", {{0, Part(0, 1, R, 0, t)}, {1, Part(1, 2, S, 0, t)}}, 0, 0, t, -1},
    };
    for (const ChoiceCase& c : cases) EXPECT_EQ(c.expected, Chosen(c.parts, c.excluded, c.avoid, c.now, 2)) << c.name;
}

TEST(MirrorChoice, SpeedIsMeasuredOverAWindowNotOneChunk) {
    DownloadItem item = Part(0, 0, E_Status_Runing, 0, 0);
    item.startTick = 1000;
    // The first chunk counts from the part's start, set-up time included.
    RecordPartData(item, 10000, 1100);
    EXPECT_EQ(100000, item.speed);
    // Steady 100 KB per 100 ms for a second: 1,000,000 B/s.
    for (DWORD tick = 1200; tick <= 2100; tick += 100) RecordPartData(item, 100000, tick);
    EXPECT_NEAR(1000000, item.speed, 20000);
    // One burst chunk right after the last one does not make the part look
    // a hundred times faster.
    RecordPartData(item, 100000, 2101);
    EXPECT_LT(item.speed, 1300000);
    EXPECT_EQ(2101u, item.lastDataTick);
    EXPECT_EQ(item.speed, CurrentPartSpeed(item, 2101 + kSilentPartMs));
    EXPECT_EQ(0, CurrentPartSpeed(item, 2101 + kSilentPartMs + 1));
}

}  // namespace
