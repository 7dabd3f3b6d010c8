#include "console/console_message.h"

#include "base/shared_state.h"
#include "protocol/main_control.h"

ConsoleMessageScope::ConsoleMessageScope() : m_outer(!g_blnMsgBoxOpen) {
    g_blnMsgBoxOpen = true;
}

ConsoleMessageScope::~ConsoleMessageScope() {
    if (!m_outer) return;
    g_blnMsgBoxOpen = false;
    if (g_blnLostDuringMsgBox) {
        g_blnLostDuringMsgBox = false;
        CloseingTCPCom();
    }
}
