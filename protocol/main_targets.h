// The windows the main window opens that belong to other subsystems. Each subsystem sets its
// entry when it is linked in; an empty entry means that window is not available.
#pragma once

#include <functional>

struct MainTargets {
    std::function<void()> showRecordConsole;  // "Record"
    std::function<void()> closeRecordConsole; // closes the console and its child windows
    std::function<bool()> openDataFile;       // "Play": true when the player opened
    std::function<void()> showSyncMode;       // "Master/Slave"
    std::function<void()> showVersion;        // "Version"
    std::function<void()> showAbout;          // "About ZRK-1 Control program"
    std::function<void()> closeOtherWindows;  // unload: player, date/time, sync, version, about
    // Every chunk of the data link, unchanged (the data-port receiver).
    std::function<void(const char* data, int count)> dataChunk;
    // Ends whatever transfer is armed or running (download, single frame, live assembly) after
    // the connection ended or was made anew: closes and keeps the file as written, closes the
    // progress window, clears the transfer state and stops the data time-out. Idempotent.
    std::function<void()> abortTransfer;
    // The "150" of a download or single-frame request has been handled (accepted or refused):
    // data that reached the data port ahead of it is handed over now, in order (data-port receiver).
    std::function<void()> releaseHeldData;
};

MainTargets& Targets();
