#include "protocol/main_supervisor.h"

#include "base/app_state.h"
#include "base/blocking_wait.h"
#include "base/frm_trace.h"
#include "base/main_window_parts.h"
#include "base/open_windows.h"
#include "base/shared_state.h"
#include "base/trace.h"
#include "base/ui_port.h"
#include "link/ctr.h"
#include "protocol/command_set.h"
#include "protocol/frm_main.h"
#include "protocol/hot_keys.h"
#include "protocol/main_targets.h"
#include "protocol/network_setup.h"
#include "protocol/reply_handlers.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

const QString kComTitle = QStringLiteral("TCP/IP COM");
MainSupervisor* g_supervisor = nullptr;

QString TrueFalse(bool b) {
    return b ? QStringLiteral("True") : QStringLiteral("False");
}

QString Dotted(const Address& a) {
    return QStringLiteral("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
}

} // namespace

MainTargets& Targets() {
    static MainTargets targets;
    return targets;
}

MainSupervisor::MainSupervisor(frmMain* window)
    : QObject(nullptr), ctrTCPCmd(new ctr(this)), ctrTCPData(new ctr(this)), tmrGetState(new QTimer(this)),
      tmrComTimeOut(new QTimer(this)), tmrDataTimeOut(new QTimer(this)), tmrTCPClose(new QTimer(this)),
      m_window(window) {
    ctrTCPData->setReceiveMode(1);
    tmrGetState->setInterval(2000);
    tmrComTimeOut->setInterval(60000);
    tmrDataTimeOut->setInterval(60000);
    tmrTCPClose->setInterval(1500);

    MainWindowParts& parts = MainParts();
    parts.ctrTCPCmd = ctrTCPCmd;
    parts.ctrTCPData = ctrTCPData;
    parts.tmrGetState = tmrGetState;
    parts.tmrComTimeOut = tmrComTimeOut;
    parts.tmrDataTimeOut = tmrDataTimeOut;
    parts.tmrTCPClose = tmrTCPClose;
    parts.showAddress = [w = m_window](const QString& caption, const QString& address) {
        if (w) w->ShowAddress(caption, address);
    };
    SetMainControl(this);

    connect(ctrTCPCmd, &ctr::Connect, this, &MainSupervisor::OnCmdConnect);
    connect(ctrTCPCmd, &ctr::DataReceive, this, [this](int, const QString& text) { m_receive.Feed(text); });
    connect(ctrTCPCmd, &ctr::Error, this, [this](int, int, const QString& description, const QString&) {
        WriteTrace(QStringLiteral("Cmd Port Error ") + description + Where(ctrTCPCmd));
    });
    connect(ctrTCPCmd, &ctr::Closing, this, &MainSupervisor::OnCmdClosing);
    connect(ctrTCPData, &ctr::Connect, this, &MainSupervisor::OnDataConnect);
    connect(ctrTCPData, &ctr::Closing, this, &MainSupervisor::OnDataClosing);
    connect(ctrTCPData, &ctr::Error, this, [this](int, int, const QString& description, const QString&) {
        WriteTrace(QStringLiteral("Data Port Error ") + description + Where(ctrTCPData));
    });
    // The data view is only valid during the emission: a direct connection, handed on unchanged.
    connect(
        ctrTCPData, &ctr::DataBinaryReceive, this,
        [](int, QByteArrayView data, int count) {
            if (Targets().dataChunk) Targets().dataChunk(data.data(), count);
        },
        Qt::DirectConnection);

    connect(tmrGetState, &QTimer::timeout, this, [this] {
        tmrGetState->stop();
        RequestSTAT();
    });
    connect(tmrComTimeOut, &QTimer::timeout, this, &MainSupervisor::OnComTimeOut);
    connect(tmrDataTimeOut, &QTimer::timeout, this, &MainSupervisor::OnDataTimeOut);
    connect(tmrTCPClose, &QTimer::timeout, this, [this] {
        tmrTCPClose->stop();
        if (m_window) m_window->chkTCPConnect->setEnabled(true);
    });

    frmMain* w = m_window;
    connect(w->chkTCPConnect, &QCheckBox::toggled, this, &MainSupervisor::OnConnectToggled);
    connect(w->cmdRec, &QPushButton::clicked, this, &MainSupervisor::OnRecord);
    connect(w->cmdPlay, &QPushButton::clicked, this, &MainSupervisor::OnPlay);
    connect(w->cmdTime, &QPushButton::clicked, this, &MainSupervisor::OnDateTime);
    connect(w->cmdSetIP, &QPushButton::clicked, this, &MainSupervisor::OnChangeIP);
    connect(w->cmdSetTcp, &QPushButton::clicked, this, &MainSupervisor::OnSetTcp);
    connect(w->cmdSyncMode, &QPushButton::clicked, this, [] {
        if (Targets().showSyncMode) Targets().showSyncMode();
    });
    connect(w->cmdVersion, &QPushButton::clicked, this, [] {
        if (Targets().showVersion) Targets().showVersion();
    });
    connect(w->mnuAbout, &QAction::triggered, this, [] {
        if (Targets().showAbout) Targets().showAbout();
    });

    RegisterHotKeys();
    w->lblIP->setText(ClientIPText());
    g_blnLinkOpen = false;
    SetMainControls(2);
}

MainSupervisor::~MainSupervisor() {
    Unload();
    if (g_supervisor == this) g_supervisor = nullptr;
}

QString MainSupervisor::Where(const ctr* link) const {
    return QStringLiteral(" IP=") + link->ServerName() + QStringLiteral(" Port=") +
           QString::number(link->ServerPort());
}

void MainSupervisor::SetMainControls(int state) {
    if (!m_window) return;
    frmMain* w = m_window;
    const bool connecting = state == 0, connected = state == 1;
    if (state != 2) w->chkTCPConnect->setEnabled(connected);
    w->cmdSetIP->setEnabled(state == 2);
    w->cmdPlay->setEnabled(!connecting);
    w->cmdRec->setEnabled(connected);
    auto setupButtons = [&](bool tcpTime, bool syncVersion) {
        w->cmdSetTcp->setEnabled(tcpTime);
        w->cmdTime->setEnabled(tcpTime);
        w->cmdSyncMode->setEnabled(syncVersion);
        w->cmdVersion->setEnabled(syncVersion);
    };
    if (!connected) {
        setupButtons(false, false);
        return;
    }
    if (g_lngDataState == 0) {
        setupButtons(true, true);
    } else if (g_lngDataState == 1 || g_lngDataState == 2) {
        w->cmdSetTcp->setEnabled(false);
        w->cmdTime->setEnabled(false);
        if (g_lngRunState == 0 || g_lngRunState == 1) {
            w->cmdSyncMode->setEnabled(g_lngRunState == 0);
            w->cmdVersion->setEnabled(g_lngRunState == 0);
        }
    }
}

void MainSupervisor::OnConnectToggled(bool checked) {
    if (checked)
        ConnectTicked();
    else
        ConnectUnticked();
}

void MainSupervisor::ConnectTicked() {
    SetMainControls(0);
    if (g_blnDataOpen) CloseDataPort();
    WriteTrace(QStringLiteral("Try Open Cmd Port") + Where(ctrTCPCmd));
    g_strConnectStage = QStringLiteral("tcpc-c");
    m_reconnecting = false;
    BlockingWait(1000);
    ctrTCPCmd->TCPConnect();
    // Connecting is never open-ended: a camera that accepts and then stays silent, or a data
    // link that never opens, ends in the command time-out like an unanswered command.
    tmrComTimeOut->start();
    Ui().ShowNotice(kComTitle, QStringLiteral("Connecting to camera.\r\nWait..."));
}

void MainSupervisor::ConnectUnticked() {
    if (m_window) m_window->chkTCPConnect->setEnabled(false);
    tmrGetState->stop();
    tmrComTimeOut->stop();
    EndTransfers();
    m_reconnecting = false;
    // A link still connecting is stopped as well, so it cannot come up behind an unticked box.
    if (g_blnCmdOpen || ctrTCPCmd->State(0) != 0) {
        CloseCmdPort();
        m_reconnect = false;
    }
    if (g_blnDataOpen || ctrTCPData->State(0) != 0) {
        BlockingWait(500);
        CloseDataPort();
    }
    g_strConnectStage.clear();
    UpdateLinkOpen();
    SetMainControls(2);
    tmrTCPClose->start();
}

void MainSupervisor::UntickConnect() {
    if (!m_window) return;
    if (m_window->chkTCPConnect->isChecked())
        m_window->chkTCPConnect->setChecked(false);
    else if (g_blnCmdOpen || g_blnDataOpen)
        ConnectUnticked(); // already unticked: still close
}

void MainSupervisor::CloseCmdPort() {
    WriteTrace(QStringLiteral("Try Close Cmd Port") + Where(ctrTCPCmd));
    ctrTCPCmd->TCPClose(0);
    g_blnCmdOpen = false;
}

void MainSupervisor::CloseDataPort() {
    WriteTrace(QStringLiteral("Try Close Data Port") + Where(ctrTCPData));
    ctrTCPData->TCPClose(0);
    g_blnDataOpen = false;
}

void MainSupervisor::OnCmdConnect() {
    WriteTrace(QStringLiteral("Conect Cmd Port") + Where(ctrTCPCmd));
    m_receive.Clear();
    ClearDeferredReplies();
    g_blnCmdOpen = true;
    // Every working connection arms one silent reconnect; the reconnect's own link does not, so
    // a camera that accepts and drops before completing the connection is given up on.
    m_reconnect = !m_reconnecting;
    UpdateLinkOpen();
}

void MainSupervisor::OnCmdClosing() {
    WriteTrace(QStringLiteral("Close Cmd Port") + Where(ctrTCPCmd));
    EndTransfers(); // nothing of a transfer survives its link
    if (m_reconnect) {
        // A working link was dropped: one silent attempt to bring it back.
        m_reconnect = false;
        m_reconnecting = true;
        ctrTCPCmd->TCPClose(0);
        g_blnCmdOpen = false;
        if (g_blnDataOpen) {
            WriteTrace(QStringLiteral("Try Close Data Port") + Where(ctrTCPData));
            ctrTCPData->TCPClose(0);
            g_blnDataOpen = false;
        }
        UpdateLinkOpen();
        BlockingWait(3000);
        WriteTrace(QStringLiteral("Try Open Cmd Port") + Where(ctrTCPCmd));
        g_strConnectStage = QStringLiteral("tcpc-c");
        ctrTCPCmd->TCPConnect();
        tmrComTimeOut->start(); // as when "Connect" is ticked
        return;
    }
    // Given up: nothing of this connection may fire under the message or after it.
    StopConnectionTimers();
    WriteTrace(QStringLiteral("Can't Open Cmd port") + Where(ctrTCPCmd));
    WriteTrace(QStringLiteral("g_blnCmdOpen=") + TrueFalse(g_blnCmdOpen) + QStringLiteral(" g_blnDataOpen=") +
               TrueFalse(g_blnDataOpen));
    ctrTCPCmd->TCPClose(0);
    g_blnCmdOpen = false;
    UpdateLinkOpen();
    if (g_blnMsgBoxOpen)
        g_blnLostDuringMsgBox = true;
    else
        CloseingTCPCom();
}

void MainSupervisor::OnDataConnect() {
    WriteTrace(QStringLiteral("Conect Data Port") + Where(ctrTCPData));
    g_blnDataOpen = true;
    UpdateLinkOpen();
    // The camera's second line may have come in before this event: finish the connection now.
    CompletePendingConnection();
}

void MainSupervisor::OnDataClosing() {
    WriteTrace(QStringLiteral("Close Data Port") + Where(ctrTCPData));
    ctrTCPData->TCPClose(0);
    g_blnDataOpen = false;
    UpdateLinkOpen();
}

void MainSupervisor::CloseingTCPCom() {
    Ui().MessageBox(kComTitle, QStringLiteral("Camera connection lost. Cannot communicate."),
                    MsgIcon::Information, MsgButtons::Ok);
    CloseTCPCom();
}

void MainSupervisor::CloseTCPCom() {
    switch (g_lngViewMode) {
    case 0:
        Ui().CloseNotice();
        break;
    case 1:
    case 2:
    case 4:
        if (Targets().closeRecordConsole) Targets().closeRecordConsole();
        break;
    default:
        break;
    }
    UntickConnect();
}

void MainSupervisor::ConnectionCompleted() {
    m_reconnect = true;
    m_reconnecting = false;
    // A transfer of the lost link can never finish: its time-out must not end this connection.
    EndTransfers();
}

void MainSupervisor::EndTransfers() {
    tmrDataTimeOut->stop();
    if (Targets().abortTransfer) Targets().abortTransfer();
}

void MainSupervisor::StopConnectionTimers() {
    tmrGetState->stop();
    tmrComTimeOut->stop();
    tmrDataTimeOut->stop();
}

void MainSupervisor::TimeOut(const QString& text) {
    StopConnectionTimers(); // the other time-out must not stack its message on this one
    EndTransfers();         // no more data is taken in under the message
    g_blnMsgBoxOpen = true;
    Ui().MessageBox(kComTitle, text, MsgIcon::Information, MsgButtons::Ok);
    CloseTCPCom();
    g_blnMsgBoxOpen = false;
    // A link lost while the message was up is closed by now; no second message for it.
    g_blnLostDuringMsgBox = false;
}

void MainSupervisor::OnComTimeOut() {
    TimeOut(QStringLiteral("Time out control command port\r\nCommunication end."));
}

void MainSupervisor::OnDataTimeOut() {
    TimeOut(QStringLiteral("Time out image data port\r\nCommunication end."));
}

void MainSupervisor::DataPortFailed() {
    OnDataTimeOut();
}

void MainSupervisor::OnRecord() {
    if (!Targets().showRecordConsole) return; // no console in this build
    g_lngViewMode = 1;
    Targets().showRecordConsole();
    if (m_window) m_window->hide();
}

void MainSupervisor::OnPlay() {
    g_lngViewMode = 3;
    UntickConnect();
    const bool opened = Targets().openDataFile && Targets().openDataFile();
    if (!opened && g_lngViewMode == 3) g_lngViewMode = 0; // no player came up: back to the main window
}

void MainSupervisor::OnDateTime() {
    g_blnTimeDialogPending = true;
    RequestTIME();
}

void MainSupervisor::OnChangeIP() {
    Address chosen{};
    if (Network().NetboxSetupDlg(g_bytClientIP, chosen) == 0) return;
    ApplyClientIP(Dotted(chosen));
}

void MainSupervisor::OnSetTcp() {
    Address ip{}, gateway{};
    uint8_t mask = 0;
    const int result =
        Network().TcpIpSetupDlg(g_bytCamIP, g_bytCamMaskBits, g_bytCamGateway, ip, mask, gateway);
    if (result < 1 || result > 3) return;
    g_bytCamIPNew = ip;
    g_bytCamMaskBitsNew = mask;
    g_bytCamGatewayNew = gateway;
    if (result == 1) {
        SendSTIP(ip, mask);
    } else if (result == 2) {
        SendSTGW(gateway);
    } else {
        SendSTGW(gateway);
        SendSTIP(ip, mask);
    }
}

void MainSupervisor::Unload() {
    if (m_unloaded) return;
    m_unloaded = true;
    UnregisterHotKeys();
    UntickConnect();
    tmrTCPClose->stop();
    Ui().CloseNotice();
    if (Targets().closeRecordConsole) Targets().closeRecordConsole();
    if (Targets().closeOtherWindows) Targets().closeOtherWindows();
    if (Windows().frmTrace) Windows().frmTrace->close();
    SetMainControl(nullptr);
    MainParts() = MainWindowParts{};
}

MainSupervisor* Supervisor() {
    return g_supervisor;
}

void LoadMainWindow() {
    InstallReplyHandlers();
    auto* window = new frmMain();
    Windows().frmMain = window;
    g_supervisor = new MainSupervisor(window);
}

void ShowMainWindow() {
    if (Windows().frmMain) Windows().frmMain->show();
}

void ShowTraceWindow() {
    TraceWindow(true)->show();
}

void UnloadMainWindow() {
    delete g_supervisor; // unloads: closes the links while the window still exists
    delete Windows().frmMain.data();
    delete Windows().frmTrace.data();
}
