// zrkctl's connection to the camera: the program's own start-up, main window supervisor, command
// channel, reply handlers and data-port receiver, run without a display. Commands are sent with
// the program's senders and waited for by running the event loop until the channel is idle.
//
// A command succeeds only on positive evidence: any failure message shown since start-up, any
// drop of either link (even one the supervisor silently reconnects) and any stop signal end every
// later wait at once, and main turns a command's success into a failure if one came meanwhile.
#pragma once

#include "ctl/console_ui.h"

#include <QDateTime>
#include <QString>
#include <functional>

struct CameraAddress {
    QString host; // empty: the settings file's
    int commandPort = 0;
    int dataPort = 0;
};

// Exit statuses a script can tell apart; a stop signal gives 128 + the signal (ctl_signals.h).
enum ExitStatus {
    kExitOk = 0,
    kExitFailed = 1,   // the camera or the program refused or failed; the message says why
    kExitUsage = 2,    // the command line is wrong
    kExitNoCamera = 3, // no connection, or the connection was lost or timed out
    kExitTimedOut = 4, // a wait of zrkctl's own (--timeout) ran past its limit
};

class CtlSession {
public:
    CtlSession(ConsoleUi& ui, const CameraAddress& address, int connectTimeoutMs);
    ~CtlSession();

    // Starts the program's core with the settings file Zrk1.ini beside the executable, connects and
    // waits for the read-out. Called by each command once its arguments are checked. kExitOk, or
    // why not (the message is already out, naming the address).
    int Connect();
    // Unticks "Connect" (ends any transfer, closes both links); safe to call twice.
    void Close();

    // Runs the event loop until done() holds (true); or a failure message, a link drop or a stop
    // signal came (false); or timeoutMs passed (false, timedOut set). With channelFirst, a command
    // in flight at that moment is given the channel's own time-out first.
    bool WaitFor(const std::function<bool()>& done, int timeoutMs, bool channelFirst = true);
    // Sends through send() and waits until the command channel has nothing queued or in flight.
    // The channel's own command time-out ends a silent camera first, with its message.
    bool Run(const std::function<void()>& send);
    // As Run, for tidying up after a stop signal or a time-out: the signal does not end it.
    bool Tidy(const std::function<void()>& send);

    bool ChannelIdle() const;
    bool Connected() const;
    bool timedOut() const { return m_timedOut; }
    // No failure message and no link drop so far.
    bool Clean() const;
    int LinkDrops() const { return m_drops; }
    // The exit status of the failure seen (failure message, drop, lost connection).
    int FailureStatus() const;
    // "HOST:PORT" of the command port.
    QString Where() const;
    // Says on standard error what happened to the connection, once (main calls it for status 3).
    void ReportConnection();

    // The camera's closing "226" of the current download has been handled.
    bool Saw226() const;
    void Forget226();

    // The camera's clock as read at connection, invalid when it gave none.
    QDateTime cameraClock;

private:
    ConsoleUi& m_ui;
    CameraAddress m_address;
    int m_connectTimeoutMs;
    bool m_started = false;
    bool m_connected = false; // the read-out completed
    bool m_linked = false;    // the command link came up at least once
    bool m_reported = false;
    bool m_timedOut = false;
    bool m_stoppable = true;
    int m_drops = 0;
};
