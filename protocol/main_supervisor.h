// The main window's camera side: the two links, the four timers, connecting and disconnecting,
// the one automatic reconnect, the time-outs and the buttons. frmMain only draws; this object
// owns the behaviour and is what other modules reach through MainControl.
#pragma once

#include "protocol/command_channel.h"
#include "protocol/frm_main.h"
#include "protocol/main_control.h"

#include <QObject>
#include <QPointer>

class ctr;

class QTimer;

class MainSupervisor final : public QObject, public MainControl {
    Q_OBJECT
public:
    // Window load: creates the links and timers, hooks the keys, shows the address, disconnected.
    // Delete it before the window: its destruction is the window's unload.
    explicit MainSupervisor(frmMain* window);
    ~MainSupervisor() override;

    ctr* ctrTCPCmd;
    ctr* ctrTCPData;
    QTimer* tmrGetState;
    QTimer* tmrComTimeOut;
    QTimer* tmrDataTimeOut;
    QTimer* tmrTCPClose;

    void SetMainControls(int state) override;
    void UntickConnect() override;
    void CloseTCPCom() override;
    void CloseingTCPCom() override;
    void ConnectionCompleted() override;
    void DataPortFailed() override;
    void CloseCmdPort();
    void CloseDataPort();

    // Window unload: closes both links and every other window.
    void Unload();

    frmMain* window() const { return m_window; }

private:
    void OnConnectToggled(bool checked);
    void ConnectTicked();
    void ConnectUnticked();
    void OnCmdConnect();
    void OnCmdClosing();
    void OnDataConnect();
    void OnDataClosing();
    void OnComTimeOut();
    void OnDataTimeOut();
    void TimeOut(const QString& text);
    void EndTransfers();
    void StopConnectionTimers();

    void OnRecord();
    void OnPlay();
    void OnDateTime();
    void OnChangeIP();
    void OnSetTcp();

    QString Where(const ctr* link) const;

    QPointer<frmMain> m_window;
    ReplyAssembler m_receive;    // the command link's text not yet ending in CR LF
    bool m_reconnect = false;    // a working command link gets one silent reconnect
    bool m_reconnecting = false; // that reconnect is under way: a drop before it completes is final
    bool m_unloaded = false;
};

void LoadMainWindow();
void ShowMainWindow();
void ShowTraceWindow();
void UnloadMainWindow();
// The supervisor of the loaded main window, or null.
MainSupervisor* Supervisor();
