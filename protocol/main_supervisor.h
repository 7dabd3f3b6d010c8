// The main window's life: load (links, timers, key hook), show, and unload (closes everything).
#pragma once

void LoadMainWindow();
void ShowMainWindow();
void ShowTraceWindow();
void UnloadMainWindow();
