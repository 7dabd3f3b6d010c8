// The main window's operations that other modules call (reply handlers, the record console,
// the player). They forward to the installed control, so the callers run and are tested
// without the window; with none installed they do nothing.
#pragma once

class MainControl {
public:
    virtual ~MainControl() = default;
    // 0 connecting, 1 connected and read out, 2 disconnected.
    virtual void SetMainControls(int state) = 0;
    // Unticks "Connect": closes both links (the disconnect path).
    virtual void UntickConnect() = 0;
    // Closes the working windows by view mode, then unticks "Connect".
    virtual void CloseTCPCom() = 0;
    // "Camera connection lost. Cannot communicate.", then CloseTCPCom.
    virtual void CloseingTCPCom() = 0;
    // The camera's second line completed a connection; the read-out is about to be queued.
    virtual void ConnectionCompleted() {}
    // The data port lost bytes of a request: its stream cannot be followed any more, so the
    // connection ends now with the data port's one message instead of after its time-out.
    virtual void DataPortFailed() {}
};

// Installs control (not owned); nullptr removes it.
void SetMainControl(MainControl* control);

void SetMainControls(int state);
void UntickConnect();
void CloseTCPCom();
void CloseingTCPCom();
void ConnectionCompleted();
void DataPortFailed();
// g_blnLinkOpen = g_blnCmdOpen and g_blnDataOpen.
void UpdateLinkOpen();
