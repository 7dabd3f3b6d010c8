// What the player keeps while a file is open: the file, the enhancement pair it draws and exports
// with, and the export folder.
#pragma once

#include "playback/play_file.h"

#include <QString>

struct PlaybackState {
    PlayFile file;
    ZRK_ENHANCE enhance{0, 100};  // radius 0 (off), strength 100 each time a file is opened
    QString exportFolder;         // ends in the path separator once chosen
    bool exportFrameData = false; // the conversion dialog's "Frame data (CSV)" tick, as last confirmed
};

PlaybackState& Playback();
