// Opening a data file for playback: the open dialog, the checks, then the player.
#pragma once

// True when a player is open afterwards (a failed open leaves an open player as it was).
bool OpenDataFile();
