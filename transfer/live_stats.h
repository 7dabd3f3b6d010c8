// Health counters of the live stream, kept by the live receiver for the console's status line.
#pragma once

#include <cstdint>

struct LiveStats {
    uint64_t framesCompleted = 0; // frames assembled whole and handed to the display
    uint64_t framesDropped = 0;   // frames the receive side discarded (next buffer busy, chunk cut)
    uint64_t bytesReceived = 0;   // live bytes taken from the data port
};

const LiveStats& LiveCounters();
