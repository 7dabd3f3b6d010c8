// The thumbnail browser and the preview window as the rest of the program reaches them.
#pragma once

#include <cstdint>

// Opens the browser (the record console's "Save"): view mode 2, shown without blocking. An open
// browser is brought to the front.
void ShowThumbnailBrowser();
// Closes the browser and the preview window with it, if open.
void CloseThumbnailBrowser();

// What the data-port receiver asks of the two windows (WindowForwarder's browser section).
void BrowserDrawThumbNail(int32_t index);
void BrowserDrawPreviewFrame();
void BrowserPreviewPlaybackStep();

// Routes the navigation keys of view mode 4 to the preview window.
void InstallBrowser();
