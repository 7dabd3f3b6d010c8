#include "base/blocking_wait.h"

#include <QThread>

namespace {
int g_waitPercent = 100;
}

void BlockingWait(int milliseconds) {
    const int scaled = milliseconds * g_waitPercent / 100;
    if (scaled > 0) QThread::msleep(static_cast<unsigned long>(scaled));
}

void SetWaitScale(int percent) {
    g_waitPercent = percent < 0 ? 0 : percent;
}
