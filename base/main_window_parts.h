// What the start-up and settings code reaches of the main window: its two camera links, its four
// timers and its address display. The main window fills this in when it loads; until then (and
// in tests without one) the pointers are null and those steps are skipped.
#pragma once

#include <QString>
#include <functional>

class ctr;
class QTimer;

struct MainWindowParts {
    ctr* ctrTCPCmd = nullptr;
    ctr* ctrTCPData = nullptr;
    QTimer* tmrGetState = nullptr;
    QTimer* tmrComTimeOut = nullptr;
    QTimer* tmrDataTimeOut = nullptr;
    QTimer* tmrTCPClose = nullptr;
    // Shows the camera address: window caption and the label beside "Camera IP :".
    std::function<void(const QString& caption, const QString& address)> showAddress;
};

MainWindowParts& MainParts();
