#include "protocol/main_supervisor.h"

#include "app/main_window_parts.h"
#include "app/open_windows.h"
#include "app/shared_state.h"
#include "link/ctr.h"
#include "protocol/frm_main.h"

#include <QTimer>

void LoadMainWindow() {
    auto* window = new frmMain();
    Windows().frmMain = window;
    MainWindowParts& parts = MainParts();
    parts.ctrTCPCmd = new ctr(window);
    parts.ctrTCPData = new ctr(window);
    parts.ctrTCPData->setReceiveMode(1);
    parts.tmrGetState = new QTimer(window);
    parts.tmrComTimeOut = new QTimer(window);
    parts.tmrDataTimeOut = new QTimer(window);
    parts.tmrTCPClose = new QTimer(window);
    parts.tmrGetState->setInterval(2000);
    parts.tmrTCPClose->setInterval(1500);
    parts.showAddress = [window](const QString& caption, const QString& address) {
        window->ShowAddress(caption, address);
    };
}

void ShowMainWindow() {
    if (Windows().frmMain) Windows().frmMain->show();
}

void ShowTraceWindow() {
    if (Windows().frmTrace) Windows().frmTrace->show();
}

void UnloadMainWindow() {
    MainParts() = MainWindowParts{};
    delete Windows().frmMain.data();
    delete Windows().frmTrace.data();
}
