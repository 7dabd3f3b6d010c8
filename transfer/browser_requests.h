// Single-frame requests of the browser and the preview window, each stamped with the tag of the
// batch or preview session that queued it. A frame that arrives for a tag that is no longer
// current (its window closed, or a newer batch replaced it) is only finished, never drawn.
// The tag travels beside the command ring, one entry per ring slot, written before the command
// is queued: the send lets replies in, so the frame may be complete before the enqueue returns.
#pragma once

#include "base/shared_types.h"

#include <cstdint>

// A fresh tag, never 0 (0 stands for "no request of ours").
uint32_t NewRequestTag();

// Queues the single frame {region, offset, 1} as thumbnail slot 0..15 (ids 37..52) or the preview
// frame (slot 16, id 53), carrying extra in the command entry. False when it was not queued.
bool QueueFrameRequest(int32_t slot, const DownloadRequest& request, int16_t extra, uint32_t tag);

// Tag of the single-frame request in flight, 0 when none (or when the command in flight is not one).
uint32_t InFlightTag();
// Extra value of the command in flight (the preview frame's frame number).
int16_t InFlightExtra();

// Requests with this tag still queued or in flight; the one in flight left out when asked.
int PendingRequests(uint32_t tag, bool countInFlight = true);
