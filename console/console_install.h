// The record console's part of the program: its Targets() entries ("Record" and closing the
// console) and what the window hooks forward to it.
#pragma once

#include "base/shared_types.h"

#include <cstdint>

// Sets Targets().showRecordConsole and closeRecordConsole.
void InstallConsole();

// Opens the console (g_lngViewMode is already 1) or brings the open one forward.
void ShowRecordConsoleWindow();
// Closes the console and the windows it opened, as its close box does; nothing when none is open.
void CloseRecordConsoleWindow();

// The console's display hooks: each does nothing while no console exists.
namespace console {
void ShowRecordMode(const RecordMode& mode);
void SizePreviewArea(int32_t imageSize);
void ShowRegionCounts();
void UpdateButtons();
void ClearPicture();
void ShowGain(int32_t gainCode);
void ShowAnalogGain(int32_t analogGainCode);
} // namespace console
