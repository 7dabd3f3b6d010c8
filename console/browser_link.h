// The thumbnail browser the console's "Save" opens (built with the data-path windows).
#pragma once

// Shows the browser modeless (view mode 2); false when this build has none.
bool OpenThumbnailBrowser();
// Closes the browser and its preview window, where open.
void CloseThumbnailBrowserWindow();
