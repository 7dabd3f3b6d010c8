// The data-port receiver: every chunk of the data link comes in through RecvImageData and is
// routed by g_lngDataMode to the live, single-frame or download receiver. A request ends through
// EndDownload / EndThumbNail once both its data and the camera's closing "226" are in.
#pragma once

#include <cstdint>

// Entry point for each chunk of the data link (Targets().dataChunk).
void RecvImageData(const char* data, int32_t length);

// One per data mode; called by RecvImageData only.
void RecvLiveData(const char* data, int32_t length);
void RecvThumbNailData(const char* data, int32_t length);
void RecvDownloadData(const char* data, int32_t length);

// Closing handshake: called by the data side when the data is complete and by the reply
// handlers (through the window hooks) when "226" arrives; whichever comes second finishes.
void EndDownload();
void EndThumbNail();

// The "150" of a download or single-frame request has been handled (accepted or refused): data
// that came ahead of it is handed over now, in order.
void ReleaseHeldData();

// Ends whatever transfer is armed or running (Targets().abortTransfer): the data file is closed
// and kept as written, the progress window closes, every transfer flag and the live assembly are
// reset, held data is dropped and the data time-out stops. Safe to call at any time, repeatedly.
void AbortTransfer();
