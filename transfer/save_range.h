// The "Save" of the thumbnail browser and the preview window: proposes a file name, asks for
// the data file, checks the free space, arms the download and queues the RQDL.
#pragma once

#include <cstdint>

class QWidget;

// region is 0-based; offset counts back from the region's end (last frame = 1); trigOffset is
// the trigger frame's position in the range or -1. owner is the window the progress window
// stands over. True when the request was queued.
bool SaveRange(int32_t region, int32_t offset, int32_t count, int16_t idNumber, int32_t trigOffset,
               QWidget* owner = nullptr);

// A download is armed (its RQDL queued or in flight) or running: the windows disable "Save",
// and SaveRange refuses, so a running download can be neither redirected nor dropped.
bool DownloadBusy();
