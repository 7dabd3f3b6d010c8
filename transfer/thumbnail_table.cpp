#include "transfer/thumbnail_table.h"

int MakeThumbTable(int32_t recorded, ThumbTable& table) {
    table.fill(ThumbEntry{});
    // A region's count comes from the camera: nothing outside 1..32767 is a usable frame count.
    if (recorded <= 0 || recorded > INT16_MAX) return -1;
    const int32_t q = (recorded - 1) / 15;
    const int32_t r = (recorded - 1) % 15;
    table[0] = ThumbEntry{static_cast<int16_t>(recorded), 0};
    if (q == 0) {
        for (int i = 1; i <= r; ++i)
            table[static_cast<std::size_t>(i)] =
                ThumbEntry{static_cast<int16_t>(recorded - i), static_cast<int16_t>(i)};
        return r;
    }
    int32_t frame = 0;
    for (int i = 1; i < kThumbSlots; ++i) {
        frame += (i <= r) ? q + 1 : q;
        table[static_cast<std::size_t>(i)] =
            ThumbEntry{static_cast<int16_t>(recorded - frame), static_cast<int16_t>(frame)};
    }
    return kThumbSlots - 1;
}

int32_t CalcCount(const ThumbTable& table, int start, int end) {
    if (start < 0 || end < 0 || start >= kThumbSlots || end >= kThumbSlots) return 0;
    return table[static_cast<std::size_t>(end)].FrameNo - table[static_cast<std::size_t>(start)].FrameNo + 1;
}

int32_t TriggerFrameNumber(int32_t recorded, int32_t trigPos) {
    if (trigPos == -1 || recorded <= 0) return -1;
    // A position the camera reports beyond the region puts the trigger on the first frame.
    return (trigPos >= 0 && recorded > trigPos) ? recorded - trigPos - 1 : 0;
}

TriggerThumbs FindTriggerThumbs(const ThumbTable& table, int last, int32_t triggerFrame) {
    TriggerThumbs found;
    if (triggerFrame < 0 || last < 0 || last >= kThumbSlots) return found;
    for (int i = last; i >= 0; --i)
        if (table[static_cast<std::size_t>(i)].FrameNo <= triggerFrame) {
            found.lower = i;
            break;
        }
    for (int i = 0; i <= last; ++i)
        if (table[static_cast<std::size_t>(i)].FrameNo >= triggerFrame) {
            found.upper = i;
            break;
        }
    return found;
}

int32_t TriggerOffsetIn(int32_t triggerFrame, int32_t firstFrame, int32_t lastFrame) {
    if (triggerFrame < 0 || triggerFrame < firstFrame || triggerFrame > lastFrame) return -1;
    return triggerFrame - firstFrame;
}

bool ClickMovesMark(int k, bool isStart, int start, int end, int last) {
    if (k < 0 || k > last || start < 0 || end < 0) return false;
    if (isStart) return k <= end && k != start;
    return k != end && k >= start;
}

MarkColour ColourOf(bool start, bool end, bool trigger) {
    if (start && end) return trigger ? MarkColour::StartEndTrigger : MarkColour::StartEnd;
    if (start) return trigger ? MarkColour::StartTrigger : MarkColour::Start;
    if (end) return trigger ? MarkColour::EndTrigger : MarkColour::End;
    return trigger ? MarkColour::Trigger : MarkColour::None;
}

Rgb RgbOf(MarkColour colour) {
    switch (colour) {
    case MarkColour::Trigger:
        return {0, 255, 0};
    case MarkColour::Start:
        return {255, 0, 0};
    case MarkColour::StartTrigger:
        return {255, 255, 0};
    case MarkColour::End:
        return {0, 0, 255};
    case MarkColour::EndTrigger:
        return {0, 255, 255};
    case MarkColour::StartEnd:
        return {255, 0, 255};
    case MarkColour::StartEndTrigger:
        return {255, 255, 255};
    case MarkColour::None:
        break;
    }
    return {-1, -1, -1};
}
