#include "ctl/ctl_session.h"

#include "base/blocking_wait.h"
#include "base/main_window_parts.h"
#include "base/settings.h"
#include "base/shared_state.h"
#include "ctl/ctl_signals.h"
#include "link/ctr.h"
#include "program/startup.h"
#include "program/window_forwarder.h"
#include "protocol/frm_main.h"
#include "protocol/main_supervisor.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

namespace {
// The program's hooks, except that the date/time dialog the read-out would open only records
// the camera's clock for "info", and the download's closing "226" is noted as evidence.
class CtlHooks final : public WindowForwarder {
public:
    QDateTime* clock = nullptr;
    bool saw226 = false;
    void OpenDateTimeDialog(const QDateTime& moment) override {
        if (clock) *clock = moment;
        g_blnTimeDialogPending = false;
    }
    void EndDownload() override {
        saw226 = true; // only the "226" handler calls this hook
        WindowForwarder::EndDownload();
    }
};
CtlHooks g_hooks;

frmMain* MainWindow() {
    return Supervisor() ? Supervisor()->window() : nullptr;
}

// The channel's command time-out (Zrk1.ini's [TIMEOUT] Command).
int CommandTimeOutMs() {
    return Supervisor() ? Supervisor()->tmrComTimeOut->interval() : 60000;
}
} // namespace

CtlSession::CtlSession(ConsoleUi& ui, const CameraAddress& address, int connectTimeoutMs)
    : m_ui(ui), m_address(address), m_connectTimeoutMs(connectTimeoutMs) {}

CtlSession::~CtlSession() {
    if (!m_started) return;
    Close();
    ShutDown();
    SetHooks(nullptr);
}

void CtlSession::Close() {
    if (frmMain* w = MainWindow(); w && w->chkTCPConnect->isChecked()) w->chkTCPConnect->setChecked(false);
}

bool CtlSession::ChannelIdle() const {
    return !g_blnCmdBusy && g_intQueueRead == g_intQueueWrite;
}

bool CtlSession::Connected() const {
    const frmMain* w = MainWindow();
    return w && w->chkTCPConnect->isChecked() && g_blnLinkOpen;
}

bool CtlSession::Clean() const {
    return m_ui.failures() == 0 && m_drops == 0;
}

bool CtlSession::Saw226() const {
    return g_hooks.saw226;
}

void CtlSession::Forget226() {
    g_hooks.saw226 = false;
}

QString CtlSession::Where() const {
    const MainWindowParts& parts = MainParts();
    if (!m_started || !parts.ctrTCPCmd) return m_address.host;
    return QStringLiteral("%1:%2").arg(parts.ctrTCPCmd->ServerName()).arg(parts.ctrTCPCmd->ServerPort());
}

int CtlSession::FailureStatus() const {
    // The link's own messages ("TCP/IP COM": time-outs, a lost camera) and any drop of a link
    // mean the camera is gone; any other message is the program refusing or failing.
    if (m_drops > 0 || m_ui.lastMessage().startsWith(QStringLiteral("TCP/IP COM:"))) return kExitNoCamera;
    if (m_ui.failures() > 0) return kExitFailed;
    return m_started && !Connected() ? kExitNoCamera : kExitFailed;
}

void CtlSession::ReportConnection() {
    if (m_reported) return;
    m_reported = true;
    if (!m_linked)
        std::fprintf(stderr, "zrkctl: cannot connect to the camera at %s\n", qPrintable(Where()));
    else if (m_ui.lastMessage().contains(QLatin1String("Time out")))
        std::fprintf(stderr, "zrkctl: the camera at %s stopped answering; the connection was closed\n",
                     qPrintable(Where()));
    else if (!m_connected)
        std::fprintf(stderr,
                     "zrkctl: the camera at %s closed the connection before its read-out; it serves one "
                     "client at a time: is another one connected?\n",
                     qPrintable(Where()));
    else
        std::fprintf(stderr, "zrkctl: the connection to the camera at %s was lost\n", qPrintable(Where()));
}

int CtlSession::Connect() {
    if (m_connected) return kExitOk;
    // The command-line tool reads the program's own settings file, whatever its own name.
    SetIniBaseName(QStringLiteral("Zrk1"));
    if (!StartUp(StartUpOptions{QCoreApplication::applicationDirPath()})) return kExitFailed;
    m_started = true;
    // The program's fixed waits give a person's camera time between steps; a script's run has one
    // connection from start to end, so they are skipped (no reconnect is waited for either).
    SetWaitScale(0);
    g_hooks.clock = &cameraClock;
    SetHooks(&g_hooks);

    MainWindowParts& parts = MainParts();
    if (!m_address.host.isEmpty()) {
        parts.ctrTCPCmd->setServerName(m_address.host);
        parts.ctrTCPData->setServerName(m_address.host);
    }
    if (m_address.commandPort > 0) parts.ctrTCPCmd->setServerPort(m_address.commandPort);
    if (m_address.dataPort > 0) parts.ctrTCPData->setServerPort(m_address.dataPort);
    for (ctr* link : {parts.ctrTCPCmd, parts.ctrTCPData}) {
        link->SetServerData(); // the new address and port take effect
        QObject::connect(link, &ctr::Closing, link, [this] { ++m_drops; });
    }
    QObject::connect(parts.ctrTCPCmd, &ctr::Connect, parts.ctrTCPCmd, [this] { m_linked = true; });

    frmMain* w = MainWindow();
    if (!w) return kExitFailed;
    if (m_ui.showTrace) g_blnDebug = true; // every trace line of the program goes to standard error
    w->chkTCPConnect->setChecked(true);
    // Connected: the read-out's last reply enabled "Record"/"Play" and nothing is left queued.
    const bool ok = WaitFor(
        [&] {
            return Connected() && w->cmdPlay->isEnabled() && w->chkTCPConnect->isEnabled() && ChannelIdle();
        },
        m_connectTimeoutMs, false); // --connect-timeout is the script's own limit
    if (ok) {
        m_connected = true;
        return kExitOk;
    }
    if (const int s = StopSignal()) {
        std::fprintf(stderr, "interrupted: no connection made to the camera at %s\n", qPrintable(Where()));
        return StopStatus(s);
    }
    if (m_timedOut) {
        std::fprintf(stderr, "zrkctl: no connection to the camera at %s within %d s\n", qPrintable(Where()),
                     m_connectTimeoutMs / 1000);
        m_reported = true;
        return kExitNoCamera;
    }
    return Connected() && m_drops == 0 ? kExitFailed : kExitNoCamera;
}

bool CtlSession::WaitFor(const std::function<bool()>& done, int timeoutMs, bool channelFirst) {
    m_timedOut = false;
    QElapsedTimer clock;
    clock.start();
    QTimer wake; // a sleeping loop looks at the clock, the link and the signals at least this often
    wake.start(20);
    for (;;) {
        // Past the limit done() is not asked again (it may send), only the channel is waited for.
        const bool late = clock.elapsed() >= timeoutMs;
        if (!late && done()) break;
        if (m_stoppable && (!Clean() || StopSignal() != 0)) return false;
        if (m_started && !MainWindow()->chkTCPConnect->isChecked()) return false; // closed for good
        // A command still in flight gets the channel's own time-out first: a silent camera is
        // reported as such (status 3), not as a wait that ran out.
        if (late && (!(channelFirst && g_blnCmdBusy) ||
                     clock.elapsed() >= int64_t(timeoutMs) + CommandTimeOutMs() + 5000)) {
            m_timedOut = true;
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return !m_stoppable || Clean();
}

bool CtlSession::Run(const std::function<void()>& send) {
    send();
    // A backstop only: the channel's own time-out comes first, with its message.
    return WaitFor([this] { return ChannelIdle(); }, CommandTimeOutMs() + 15000);
}

bool CtlSession::Tidy(const std::function<void()>& send) {
    if (!Connected()) return false;
    m_stoppable = false;
    send();
    const bool ok = WaitFor([this] { return ChannelIdle(); }, 5000, false);
    m_stoppable = true;
    return ok;
}
