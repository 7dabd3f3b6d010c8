// The console's live-health line while live output runs: frames shown per second, frames the
// receive side dropped since the stream started, and the data port's rate.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <cstdint>

struct LiveCountersSnapshot {
    uint64_t shown = 0;   // frames drawn
    uint64_t dropped = 0; // frames the receive side discarded
    uint64_t bytes = 0;   // bytes received on the data port
};

// The program's counters now (dropped and bytes are 0 where the receiver does not count them).
LiveCountersSnapshot ReadLiveCounters();

// "Live: 30.0 frames/s shown, 0 dropped, 1.20 MB/s" for what changed over seconds.
QString LiveHealthText(const LiveCountersSnapshot& streamStart, const LiveCountersSnapshot& before,
                       const LiveCountersSnapshot& now, double seconds);

class LiveHealth {
public:
    // Called about once a second: the new text, or an empty one while live output is off.
    QString Tick(bool live, const LiveCountersSnapshot& now);

private:
    bool m_running = false;
    LiveCountersSnapshot m_start, m_last;
    QElapsedTimer m_clock;
};
