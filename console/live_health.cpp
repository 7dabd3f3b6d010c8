#include "console/live_health.h"

#include "console/live_image.h"

#ifdef ZRK_HAVE_LIVE_STATS
#include "transfer/live_stats.h"
#endif

LiveCountersSnapshot ReadLiveCounters() {
    LiveCountersSnapshot s;
    s.shown = LiveFramesShown();
#ifdef ZRK_HAVE_LIVE_STATS
    const LiveStats& receiver = LiveCounters();
    s.dropped = receiver.framesDropped;
    s.bytes = receiver.bytesReceived;
#endif
    return s;
}

namespace {

// Counters only grow, unless the receiver started them again: then all of now is new.
uint64_t Since(uint64_t then, uint64_t now) {
    return now >= then ? now - then : now;
}

} // namespace

QString LiveHealthText(const LiveCountersSnapshot& streamStart, const LiveCountersSnapshot& before,
                       const LiveCountersSnapshot& now, double seconds) {
    if (seconds <= 0) seconds = 1;
    const double fps = static_cast<double>(Since(before.shown, now.shown)) / seconds;
    const double mbps = static_cast<double>(Since(before.bytes, now.bytes)) / seconds / 1e6;
    return QStringLiteral("Live: %1 frames/s shown, %2 dropped, %3 MB/s")
        .arg(fps, 0, 'f', 1)
        .arg(Since(streamStart.dropped, now.dropped))
        .arg(mbps, 0, 'f', 2);
}

QString LiveHealth::Tick(bool live, const LiveCountersSnapshot& now) {
    if (!live) {
        m_running = false;
        return {};
    }
    if (!m_running) {
        m_running = true;
        m_start = m_last = now;
        m_clock.start();
        return QStringLiteral("Live: starting");
    }
    const double seconds = static_cast<double>(m_clock.restart()) / 1000.0;
    const QString text = LiveHealthText(m_start, m_last, now, seconds);
    m_last = now;
    return text;
}
