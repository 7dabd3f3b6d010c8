#include "transfer/browser_batch_watch.h"

#include "base/ui_port.h"
#include "transfer/browser_requests.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>

namespace {

constexpr int kPollMs = 20;
uint32_t g_watched = 0;
QPointer<QTimer> g_timer;

void Check() {
    if (g_watched != 0 && PendingRequests(g_watched) > 0) return;
    g_watched = 0;
    if (g_timer) g_timer->stop();
    Ui().CloseNotice();
}

} // namespace

void WatchThumbnailBatch(uint32_t tag) {
    g_watched = tag;
    if (!g_timer) {
        g_timer = new QTimer(QCoreApplication::instance());
        QObject::connect(g_timer, &QTimer::timeout, [] { Check(); });
    }
    g_timer->start(kPollMs);
}

uint32_t WatchedThumbnailBatch() {
    return g_watched;
}
