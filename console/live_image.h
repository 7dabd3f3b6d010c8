// The live picture: each live frame the data-port receiver completes is drawn through the image
// library into the record console's picImage, or discarded, and its buffer freed for the receiver.
#pragma once

#include "zrkimage.h"

#include <cstdint>

// Shows every completed live buffer from g_intShowBuf on, frees each and advances g_intShowBuf.
// Entered again while it runs (a message box or a send lets events in), it leaves the buffers to
// the call already running, which takes every buffer completed meanwhile before it returns.
void ShowLiveImage();

// A frame that failed to draw stops live output once (LVSP and "MODE REC" queued, one message);
// frames arriving until that is answered are discarded silently. This re-arms it: live output
// was started afresh or has ended.
void ResetLiveStop();
bool LiveStopPending();

// Frames drawn since the program started (for the console's live-health line).
uint64_t LiveFramesShown();

// The drawing call, CombRGB_Live's signature. Tests put in their own; nullptr: the image library.
using LiveDrawFunction = int32_t (*)(const ZRK_SURFACE* surface, const uint8_t* frameBuffer, int32_t W,
                                     int32_t H, int32_t dispW, int32_t dispH, const uint16_t* gains,
                                     int32_t gamma, const ZRK_ENHANCE* sharpen, ZRK_FRAME_HEADER* headerOut,
                                     int16_t* status);
void SetLiveDrawFunction(LiveDrawFunction draw);
