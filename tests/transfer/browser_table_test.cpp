// The browser's arithmetic: thumbnails spread over a region, the trigger among them, the marks and
// the range they save.
#include "transfer/thumbnail_table.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<int> Frames(const ThumbTable& table, int last) {
    std::vector<int> frames;
    for (int i = 0; i <= last; ++i)
        frames.push_back(table[static_cast<std::size_t>(i)].FrameNo);
    return frames;
}

TEST(ThumbTableSpread, FirstAndLastFrameAndEvenSteps) {
    struct Case {
        int recorded;
        int last;
        std::vector<int> head; // the first frame numbers
        int lastFrame;
    };
    const Case cases[] = {
        {1, 0, {0}, 0},
        {2, 1, {0, 1}, 1},
        {5, 4, {0, 1, 2, 3, 4}, 4},
        {15, 14, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}, 14},
        {16, 15, {0, 1, 2, 3}, 15},
        {17, 15, {0, 2, 3, 4}, 16},
        {31, 15, {0, 2, 4, 6}, 30},
        {33, 15, {0, 3, 6, 8, 10}, 32},
        {2047, 15, {0, 137, 274, 411, 548, 685, 822, 958, 1094}, 2046},
    };
    for (const Case& c : cases) {
        ThumbTable table;
        table.fill(ThumbEntry{7, 7});
        ASSERT_EQ(MakeThumbTable(c.recorded, table), c.last) << c.recorded;
        const auto frames = Frames(table, c.last);
        if (c.recorded <= 15) {
            EXPECT_EQ(frames, c.head) << c.recorded;
        }
        for (std::size_t i = 0; i < c.head.size(); ++i)
            EXPECT_EQ(frames[i], c.head[i]) << c.recorded << " entry " << i;
        EXPECT_EQ(frames.back(), c.lastFrame) << c.recorded;
        for (int i = 0; i < kThumbSlots; ++i) {
            const ThumbEntry& e = table[static_cast<std::size_t>(i)];
            if (i <= c.last)
                EXPECT_EQ(e.Offset, c.recorded - e.FrameNo) << c.recorded << " entry " << i;
            else
                EXPECT_TRUE(e.Offset == 0 && e.FrameNo == 0) << c.recorded << " unused entry " << i;
        }
    }
}

TEST(ThumbTableSpread, EveryRegionSizeGivesIncreasingFramesWithStepsDifferingByOne) {
    for (int n = 1; n <= 4100; ++n) {
        ThumbTable table;
        const int last = MakeThumbTable(n, table);
        ASSERT_EQ(last, std::min(n - 1, 15)) << n;
        int smallest = INT32_MAX, largest = 0;
        for (int i = 1; i <= last; ++i) {
            const int step =
                table[static_cast<std::size_t>(i)].FrameNo - table[static_cast<std::size_t>(i - 1)].FrameNo;
            smallest = std::min(smallest, step);
            largest = std::max(largest, step);
        }
        if (last > 0) {
            EXPECT_GE(smallest, 1) << n;
            EXPECT_LE(largest - smallest, 1) << n;
        }
        ASSERT_EQ(table[static_cast<std::size_t>(last)].FrameNo, n - 1) << n;
        ASSERT_EQ(table[static_cast<std::size_t>(last)].Offset, 1) << n;
    }
}

TEST(ThumbTableSpread, RegionWithoutUsableFramesHasNoLastEntry) {
    for (int recorded : {0, -1, -32768, 40000}) {
        ThumbTable table;
        table.fill(ThumbEntry{3, 3});
        EXPECT_EQ(MakeThumbTable(recorded, table), -1) << recorded;
        for (const ThumbEntry& e : table)
            EXPECT_TRUE(e.Offset == 0 && e.FrameNo == 0);
        EXPECT_EQ(CalcCount(table, -1, -1), 0);
    }
}

TEST(TriggerAmongThumbnails, FrameNumberAndTheTwoThumbnailsNextToIt) {
    struct Case {
        int recorded, trigPos;
        int frame, lower, upper;
    };
    const Case cases[] = {
        {16, -1, -1, -1, -1}, // no trigger
        {16, 15, 0, 0, 0},    // trigger on the first frame
        {16, 0, 15, 15, 15},  // trigger on the last frame
        {16, 16, 0, 0, 0},    // position as large as the region: first frame
        {16, 500, 0, 0, 0},   // and larger
        {33, 25, 7, 2, 3},    // between thumbnails 6 and 8
        {33, 26, 6, 2, 2},    // on a thumbnail
        {2047, 1000, 1046, 7, 8}, {1, 0, 0, 0, 0}, {0, 0, -1, -1, -1}, // no frames, no trigger
    };
    for (const Case& c : cases) {
        ThumbTable table;
        const int last = MakeThumbTable(c.recorded, table);
        const int32_t frame = TriggerFrameNumber(c.recorded, c.trigPos);
        EXPECT_EQ(frame, c.frame) << c.recorded << "/" << c.trigPos;
        const TriggerThumbs t = FindTriggerThumbs(table, last, frame);
        EXPECT_EQ(t.lower, c.lower) << c.recorded << "/" << c.trigPos;
        EXPECT_EQ(t.upper, c.upper) << c.recorded << "/" << c.trigPos;
    }
}

TEST(BrowserMarks, ClicksMoveTheChosenMarkWithoutCrossing) {
    ThumbTable table;
    const int last = MakeThumbTable(33, table); // frames 0, 3, 6, 8, 10, ..., 32
    struct Click {
        bool isStart;
        int k;
        bool moves;
        int start, end; // marks afterwards
        int count;
    };
    int start = 0, end = last;
    const Click clicks[] = {
        {true, 2, true, 2, 15, 27},    // start to frame 6: 6..32
        {false, 1, false, 2, 15, 27},  // end left of the start: nothing
        {false, 15, false, 2, 15, 27}, // end where it is: nothing
        {false, 4, true, 2, 4, 5},     // 6..10
        {true, 5, false, 2, 4, 5},     // start right of the end: nothing
        {true, 4, true, 4, 4, 1},      // start and end on one thumbnail: one frame
        {false, 3, false, 4, 4, 1},    {false, 16, false, 4, 4, 1},  // beyond the table
        {true, -1, false, 4, 4, 1},    {false, 15, true, 4, 15, 23}, // 10..32
        {true, 0, true, 0, 15, 33},
    };
    for (const Click& c : clicks) {
        EXPECT_EQ(ClickMovesMark(c.k, c.isStart, start, end, last), c.moves) << c.k;
        if (c.moves) (c.isStart ? start : end) = c.k;
        EXPECT_EQ(start, c.start);
        EXPECT_EQ(end, c.end);
        EXPECT_EQ(CalcCount(table, start, end), c.count) << c.k;
        EXPECT_LE(start, end);
    }
    // A short region: no mark reaches the unused slots.
    const int shortLast = MakeThumbTable(5, table);
    EXPECT_FALSE(ClickMovesMark(5, false, 0, shortLast, shortLast));
    EXPECT_TRUE(ClickMovesMark(3, false, 0, shortLast, shortLast));
}

TEST(BrowserMarks, TriggerOffsetInsideTheSavedRangeOnly) {
    struct Case {
        int trigger, first, last, offset;
    };
    const Case cases[] = {
        {-1, 0, 10, -1}, {0, 0, 10, 0}, {10, 0, 10, 10}, {11, 0, 10, -1},
        {4, 5, 10, -1},  {7, 5, 10, 2}, {5, 5, 5, 0},    {6, 5, 5, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TriggerOffsetIn(c.trigger, c.first, c.last), c.offset)
            << c.trigger << " in " << c.first << ".." << c.last;
}

TEST(BrowserMarks, ColoursOfMarksAndTrigger) {
    struct Case {
        bool start, end, trigger;
        Rgb rgb;
    };
    const Case cases[] = {
        {false, false, true, {0, 255, 0}},   {true, false, false, {255, 0, 0}},
        {true, false, true, {255, 255, 0}},  {false, true, false, {0, 0, 255}},
        {false, true, true, {0, 255, 255}},  {true, true, false, {255, 0, 255}},
        {true, true, true, {255, 255, 255}},
    };
    for (const Case& c : cases) {
        const Rgb rgb = RgbOf(ColourOf(c.start, c.end, c.trigger));
        EXPECT_EQ(rgb.r, c.rgb.r);
        EXPECT_EQ(rgb.g, c.rgb.g);
        EXPECT_EQ(rgb.b, c.rgb.b);
    }
    EXPECT_EQ(ColourOf(false, false, false), MarkColour::None);
}

} // namespace
