#include "protocol/main_control.h"

#include "base/shared_state.h"

namespace {
MainControl* g_control = nullptr;
}

void SetMainControl(MainControl* control) {
    g_control = control;
}

void SetMainControls(int state) {
    if (g_control) g_control->SetMainControls(state);
}
void UntickConnect() {
    if (g_control) g_control->UntickConnect();
}
void CloseTCPCom() {
    if (g_control) g_control->CloseTCPCom();
}
void CloseingTCPCom() {
    if (g_control) g_control->CloseingTCPCom();
}
void ConnectionCompleted() {
    if (g_control) g_control->ConnectionCompleted();
}
void DataPortFailed() {
    if (g_control) g_control->DataPortFailed();
}
void UpdateLinkOpen() {
    g_blnLinkOpen = g_blnCmdOpen && g_blnDataOpen;
}
