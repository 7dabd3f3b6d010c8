#include "ctl/ctl_session.h"

#include "base/main_window_parts.h"
#include "base/settings.h"
#include "base/shared_state.h"
#include "program/startup.h"
#include "program/window_forwarder.h"
#include "link/ctr.h"
#include "protocol/frm_main.h"
#include "protocol/main_supervisor.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>

namespace {
// The program's hooks, except that the date/time dialog the read-out would open only records
// the camera's clock for "info".
class CtlHooks final : public WindowForwarder {
public:
    QDateTime* clock = nullptr;
    void OpenDateTimeDialog(const QDateTime& moment) override {
        if (clock) *clock = moment;
        g_blnTimeDialogPending = false;
    }
};
CtlHooks g_hooks;

frmMain* MainWindow() {
    return Supervisor() ? Supervisor()->window() : nullptr;
}
} // namespace

CtlSession::CtlSession(ConsoleUi& ui) : m_ui(ui) {}

CtlSession::~CtlSession() {
    if (!m_started) return;
    if (frmMain* w = MainWindow(); w && w->chkTCPConnect->isChecked()) w->chkTCPConnect->setChecked(false);
    ShutDown();
}

bool CtlSession::ChannelIdle() const {
    return !g_blnCmdBusy && g_intQueueRead == g_intQueueWrite;
}

bool CtlSession::ConnectTicked() const {
    const frmMain* w = MainWindow();
    return w && w->chkTCPConnect->isChecked();
}

bool CtlSession::Connected() const {
    const frmMain* w = MainWindow();
    return w && w->chkTCPConnect->isChecked() && g_blnLinkOpen;
}

int CtlSession::FailureStatus() const {
    // The link's own messages ("TCP/IP COM": time-outs, a lost camera) mean the camera is gone;
    // any other message is the program refusing or failing with the link still up or closed by it.
    if (m_ui.lastMessage().startsWith(QStringLiteral("TCP/IP COM:"))) return kExitNoCamera;
    if (m_ui.failures() > 0) return kExitFailed;
    return m_everConnected && !Connected() ? kExitNoCamera : kExitFailed;
}

int CtlSession::Connect(const CameraAddress& address, int timeoutMs) {
    // The command-line tool reads the program's own settings file, whatever its own name.
    SetIniBaseName(QStringLiteral("Zrk1"));
    if (!StartUp(StartUpOptions{QCoreApplication::applicationDirPath()})) return kExitFailed;
    m_started = true;
    g_hooks.clock = &cameraClock;
    SetHooks(&g_hooks);

    MainWindowParts& parts = MainParts();
    if (!address.host.isEmpty()) {
        parts.ctrTCPCmd->setServerName(address.host);
        parts.ctrTCPData->setServerName(address.host);
    }
    if (address.commandPort > 0) parts.ctrTCPCmd->setServerPort(address.commandPort);
    if (address.dataPort > 0) parts.ctrTCPData->setServerPort(address.dataPort);
    for (ctr* link : {parts.ctrTCPCmd, parts.ctrTCPData})
        link->SetServerData(); // the new address and port take effect

    frmMain* w = MainWindow();
    if (!w) return kExitFailed;
    if (m_ui.showTrace) g_blnDebug = true; // every trace line of the program goes to standard error
    const int failuresBefore = m_ui.failures();
    w->chkTCPConnect->setChecked(true);
    // Connected: the read-out's last reply enabled "Record"/"Play" and nothing is left queued.
    const bool ok = WaitFor(
        [&] {
            return Connected() && w->cmdPlay->isEnabled() && w->chkTCPConnect->isEnabled() && ChannelIdle();
        },
        timeoutMs);
    if (ok && m_ui.failures() == failuresBefore) {
        m_everConnected = true;
        return kExitOk;
    }
    if (m_timedOut) {
        std::fprintf(stderr, "zrkctl: no connection to the camera within %d s\n", timeoutMs / 1000);
        return kExitNoCamera;
    }
    return Connected() ? kExitFailed : kExitNoCamera;
}

bool CtlSession::WaitFor(const std::function<bool()>& done, int timeoutMs) {
    m_timedOut = false;
    const int failuresBefore = m_ui.failures();
    QElapsedTimer clock;
    clock.start();
    QTimer wake; // a sleeping loop looks at the clock and the link at least this often
    wake.start(20);
    while (!done()) {
        if (m_ui.failures() != failuresBefore) return false;
        // A dropped link gets its silent reconnect first; lost is when the supervisor gives up.
        if (m_everConnected && !ConnectTicked()) return false;
        if (clock.elapsed() >= timeoutMs) {
            m_timedOut = true;
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return m_ui.failures() == failuresBefore;
}

bool CtlSession::Run(const std::function<void()>& send, int timeoutMs) {
    const int failuresBefore = m_ui.failures();
    send();
    const bool ok = WaitFor([this] { return ChannelIdle(); }, timeoutMs);
    return ok && m_ui.failures() == failuresBefore;
}
