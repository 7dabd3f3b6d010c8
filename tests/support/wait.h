// Waiting for something the event loop brings about, inside a GoogleTest case. (QtTest's QTRY
// macros report through QtTest and return silently here, so they must not be used.)
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>

// Processes events until done() holds or ms milliseconds have passed; the final value of done().
template <typename Pred> bool WaitUntil(Pred done, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QTest::qWait(5);
    }
    return true;
}
