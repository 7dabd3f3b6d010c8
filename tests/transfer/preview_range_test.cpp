// The preview window's arithmetic: its range, marks and the frame's date.
#include "transfer/browser_preview_range.h"

#include <gtest/gtest.h>

namespace {

TEST(PreviewRangeOf, FromTheBrowsersMarks) {
    struct Case {
        ThumbEntry start, end;
        bool valid;
        int recorded, frames;
    };
    const Case cases[] = {
        {{33, 0}, {1, 32}, true, 33, 33},  {{27, 6}, {23, 10}, true, 33, 5},
        {{23, 10}, {23, 10}, true, 33, 1}, {{23, 10}, {27, 6}, false, 0, 0}, // crossed
        {{5, 0}, {0, 0}, false, 0, 0},                                       // an empty slot as end
    };
    for (const Case& c : cases) {
        const auto range = RangeOf(PreviewParams{0, c.start, c.end, 0});
        ASSERT_EQ(range.has_value(), c.valid);
        if (!range) continue;
        EXPECT_EQ(range->recorded, c.recorded);
        EXPECT_EQ(range->Frames(), c.frames);
    }
}

TEST(PreviewMarksRule, AMarkIsOnlySetWhereTheMarksStayInOrder) {
    // current offset: start possible when not after the end mark, end when not before the start mark
    struct Case {
        int current;
        bool start, end;
    };
    const PreviewMarks marks{25, 24};
    const Case cases[] = {{27, true, false}, {25, true, true}, {24, true, true}, {23, false, true}};
    for (const Case& c : cases) {
        EXPECT_EQ(CanMarkStart(marks, c.current), c.start) << c.current;
        EXPECT_EQ(CanMarkEnd(marks, c.current), c.end) << c.current;
        // Whatever is allowed keeps at least one frame.
        if (c.start) {
            EXPECT_GE((PreviewMarks{c.current, marks.endOffset}).Count(), 1);
        }
        if (c.end) {
            EXPECT_GE((PreviewMarks{marks.startOffset, c.current}).Count(), 1);
        }
    }
}

ZRK_FRAME_HEADER Header(int year, int month, int day, int hour, int minute, int second) {
    ZRK_FRAME_HEADER h{};
    h.year = static_cast<int16_t>(year);
    h.month = static_cast<int16_t>(month);
    h.day = static_cast<int16_t>(day);
    h.hour = static_cast<int16_t>(hour);
    h.minute = static_cast<int16_t>(minute);
    h.second = static_cast<int16_t>(second);
    return h;
}

TEST(PreviewFrameDate, TextAndCalendarCheck) {
    struct Case {
        ZRK_FRAME_HEADER header;
        const char* text; // nullptr: not checked
        bool valid;
    };
    const Case cases[] = {
        {Header(2009, 3, 7, 8, 5, 9), "2009/03/07 08:05:09", true},
        {Header(1998, 3, 7, 8, 5, 9), "2098/03/07 08:05:09", true},
        {Header(2004, 2, 29, 23, 59, 59), "2004/02/29 23:59:59", true},
        {Header(2001, 2, 29, 0, 0, 0), nullptr, false},
        {Header(2009, 13, 1, 0, 0, 0), nullptr, false},
        {Header(2009, 0, 1, 0, 0, 0), nullptr, false},
        {Header(2009, 4, 31, 0, 0, 0), nullptr, false},
        {Header(2009, 4, 30, 24, 0, 0), nullptr, false},
        {Header(2009, 4, 30, 0, 60, 0), nullptr, false},
        {Header(2009, 4, 30, 0, 0, -1), nullptr, false},
        {Header(-1, 4, 30, 0, 0, 0), nullptr, false},
        {Header(0, 0, 0, 0, 0, 0), "2000/00/00 00:00:00", false}, // an all-zero header
    };
    for (const Case& c : cases) {
        if (c.text) {
            EXPECT_EQ(FrameDateText(c.header), QString::fromLatin1(c.text));
        }
        const auto moment = FrameDateTime(c.header);
        EXPECT_EQ(moment.has_value(), c.valid) << FrameDateText(c.header).toStdString();
        if (moment && c.text) {
            EXPECT_EQ(moment->toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")), QString::fromLatin1(c.text));
        }
    }
}

} // namespace
