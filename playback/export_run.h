// The two exports of the open data file, run on the user-interface thread with the export progress
// window up: a numbered bitmap sequence, or one AVI movie.
#pragma once

#include <cstdint>

// True from the start of an export to its end; nothing else may start from the player meanwhile.
bool ExportRunning();
// Stops the running export after the frame in hand (closing the player asks for this).
void RequestExportCancel();

// Frames start, start + interval, ... up to end as export folder + "00012.bmp" and so on.
void ExportBitmapSequence(int32_t start, int32_t end, int32_t interval);
// Frames start..end as one movie at rate frames per second, to a file the operator chooses.
void ExportAvi(int32_t start, int32_t end, int32_t rate);
