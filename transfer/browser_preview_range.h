// The preview window's arithmetic, free of widgets: the range it plays, the "Start"/"End" marks
// that narrow it, and the date and time read from a frame's header.
#pragma once

#include "base/shared_types.h"
#include "zrk_frame_header.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>

// What the browser hands the preview window: the 0-based region, its start and end thumbnails and
// the ID number. Offsets count back from the region's end (the last frame has offset 1).
struct PreviewParams {
    int32_t region = 0;
    ThumbEntry start;
    ThumbEntry end;
    int16_t idNumber = 0;
};

// The range in offsets: startOffset >= endOffset >= 1, frames = startOffset - endOffset + 1.
struct PreviewRange {
    int32_t recorded = 0; // N, the region's recorded frames
    int32_t startOffset = 0;
    int32_t endOffset = 0;
    int32_t FrameOf(int32_t offset) const { return recorded - offset; }
    int32_t Frames() const { return startOffset - endOffset + 1; }
};
// The range of the browser's marks; nullopt when they do not describe one (crossed or outside).
std::optional<PreviewRange> RangeOf(const PreviewParams& params);

// The marks that narrow the range to what "Save" downloads. They can never cross: a mark is only
// set where it leaves at least one frame between them.
struct PreviewMarks {
    int32_t startOffset = 0;
    int32_t endOffset = 0;
    int32_t Count() const { return startOffset - endOffset + 1; }
};
inline bool CanMarkStart(const PreviewMarks& marks, int32_t current) {
    return current >= marks.endOffset;
}
inline bool CanMarkEnd(const PreviewMarks& marks, int32_t current) {
    return current <= marks.startOffset;
}

// "20" + year mod 100, then month, day, hour, minute, second, each two digits: "2009/03/07 08:05:09".
QString FrameDateText(const ZRK_FRAME_HEADER& header);
// The header's moment, or nullopt when its fields are not a calendar date and a time of day.
std::optional<QDateTime> FrameDateTime(const ZRK_FRAME_HEADER& header);
