// Watches the latest batch of thumbnail requests until none of it is queued or in flight, then
// closes the waiting window. However the batch's last request ends (drawn, refused by the camera,
// skipped because the camera is live, dropped with a lost link) the browser is not left disabled,
// and this holds after the browser itself has closed.
#pragma once

#include <cstdint>

// Starts watching the batch with this tag (replacing any earlier batch, whose requests come first).
void WatchThumbnailBatch(uint32_t tag);
// The batch being watched, 0 when none.
uint32_t WatchedThumbnailBatch();
