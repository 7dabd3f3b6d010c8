// The browser's arithmetic, free of widgets: which frames of a region the 16 thumbnails show,
// where the trigger frame sits among them, how the marks move and what range they save.
#pragma once

#include "base/shared_types.h"

#include <array>
#include <cstdint>

constexpr int kThumbSlots = 16;
using ThumbTable = std::array<ThumbEntry, kThumbSlots>;

// Spreads up to 16 thumbnails evenly over a region of `recorded` frames, the first and the last
// frame always among them. Returns the index of the last used entry, or -1 for a region with no
// frames (the table is then all empty), so that no caller reads an entry at index -1.
int MakeThumbTable(int32_t recorded, ThumbTable& table);

// Frames from the start entry to the end entry, both included (at least 1 for valid marks).
int32_t CalcCount(const ThumbTable& table, int start, int end);

// The trigger frame's number in a region of `recorded` frames whose trigger lies `trigPos` frames
// before the region's end; -1 when there is no trigger (trigPos -1) or no frame.
int32_t TriggerFrameNumber(int32_t recorded, int32_t trigPos);

// The two thumbnails next to the trigger frame: the last one at or before it and the first one at
// or after it (the same thumbnail when it shows the trigger frame). Both -1 without a trigger.
struct TriggerThumbs {
    int lower = -1;
    int upper = -1;
    bool Holds(int index) const { return index >= 0 && (index == lower || index == upper); }
};
TriggerThumbs FindTriggerThumbs(const ThumbTable& table, int last, int32_t triggerFrame);

// Position of the trigger frame inside a saved range [firstFrame, lastFrame] (0 = first saved frame),
// or -1 when there is no trigger or it lies outside the range.
int32_t TriggerOffsetIn(int32_t triggerFrame, int32_t firstFrame, int32_t lastFrame);

// Whether a click on thumbnail k moves the start mark (isStart) or the end mark. The marks never
// cross and never leave the used entries 0..last.
bool ClickMovesMark(int k, bool isStart, int start, int end, int last);

// Colour behind a thumbnail; None is the system button face.
enum class MarkColour { None, Trigger, Start, StartTrigger, End, EndTrigger, StartEnd, StartEndTrigger };
MarkColour ColourOf(bool start, bool end, bool trigger);
struct Rgb {
    int r, g, b;
};
// The colour's red, green and blue (None has no colour of its own).
Rgb RgbOf(MarkColour colour);
