// zrkctl's connection to the camera: the program's own start-up, main window supervisor, command
// channel, reply handlers and data-port receiver, run without a display. Commands are sent with
// the program's senders and waited for by running the event loop until the channel is idle.
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

// Exit statuses a script can tell apart.
enum ExitStatus {
    kExitOk = 0,
    kExitFailed = 1,   // the camera or the program refused or failed; the message says why
    kExitUsage = 2,    // the command line is wrong
    kExitNoCamera = 3, // no connection, or the connection was lost
    kExitTimedOut = 4, // a wait ran past its limit
};

class CtlSession {
public:
    explicit CtlSession(ConsoleUi& ui);
    ~CtlSession();

    // Starts the program's core with the settings file Zrk1.ini beside the executable, then
    // connects and waits for the read-out. kExitOk, or why not (the message is already out).
    int Connect(const CameraAddress& address, int timeoutMs);

    // Runs the event loop until done() holds (true), the connection is lost or a failure message
    // is shown (false), or timeoutMs passes (false, timedOut set).
    bool WaitFor(const std::function<bool()>& done, int timeoutMs);
    // Sends through send() and waits until the command channel has nothing queued or in flight.
    // False when a failure message was shown or the connection was lost.
    bool Run(const std::function<void()>& send, int timeoutMs = 60000);

    bool ChannelIdle() const;
    bool Connected() const;
    // "Connect" is still ticked: connected, or the supervisor is reconnecting.
    bool ConnectTicked() const;
    bool timedOut() const { return m_timedOut; }
    // The exit status of the last failure seen (failure message or lost connection).
    int FailureStatus() const;

    // The camera's clock as read at connection, invalid when it gave none.
    QDateTime cameraClock;

private:
    ConsoleUi& m_ui;
    bool m_started = false;
    bool m_timedOut = false;
    bool m_everConnected = false;
};
