// Message boxes and questions of the record console and its dialogs. While one is open a lost
// link is only noted (g_blnLostDuringMsgBox); the scope's end gives the held-back notice and
// closes the windows, so no window is deleted under the handler that asked.
#pragma once

class ConsoleMessageScope {
public:
    ConsoleMessageScope();
    ~ConsoleMessageScope();
    ConsoleMessageScope(const ConsoleMessageScope&) = delete;
    ConsoleMessageScope& operator=(const ConsoleMessageScope&) = delete;

private:
    bool m_outer; // not nested in another box's scope: this one ends it
};
