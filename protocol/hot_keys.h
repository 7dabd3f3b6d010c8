// The eight navigation keys (Page Up, Page Down, Home, End, Left, Up, Right, Down without
// modifiers): while the player (view mode 3) or the preview window (view mode 4) is the working
// window they are the program's own, whichever window has the focus, and go to it as ids 0 to 7.
// In every other view mode they reach the focused widget as usual.
#pragma once

#include <functional>

class QKeyEvent;

// Id 0..7 of a navigation key, or -1 for any other key (or one with modifiers).
int HotKeyId(const QKeyEvent& event);

// Where the keys go in view modes 3 (player) and 4 (preview window); set by those windows.
using HotKeyHandler = std::function<void(int id)>;
void SetPlayerHotKeyHandler(HotKeyHandler handler);
void SetPreviewHotKeyHandler(HotKeyHandler handler);

// Routes one key id by g_lngViewMode.
void RouteHotKey(int id);

void RegisterHotKeys();   // installs the application-wide key filter
void UnregisterHotKeys(); // removes it
