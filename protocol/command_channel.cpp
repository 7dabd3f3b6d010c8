#include "protocol/command_channel.h"

#include "base/blocking_wait.h"
#include "base/main_window_parts.h"
#include "base/shared_state.h"
#include "base/text_fields.h"
#include "base/trace.h"
#include "base/ui_port.h"
#include "link/ctr.h"
#include "protocol/command_ids.h"
#include "protocol/command_set.h"
#include "protocol/main_control.h"

#include <QTimer>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
bool g_completionPending = false; // second line seen, data link not yet reported open
bool g_readOutPending = false;    // the read-out is queued, the window still shows "connecting"
bool g_inHandler = false;         // a reply handler is running (its message box may be open)
QStringList g_deferredLines;      // lines that arrived while it ran, in order
constexpr int16_t kMaxReplyLines = 1000;

void StartCommandTimeOut() {
    if (QTimer* t = MainParts().tmrComTimeOut) t->start();
}

void StopCommandTimeOut() {
    if (QTimer* t = MainParts().tmrComTimeOut) t->stop();
}

bool IsReplyLine(const QString& line) {
    return line.size() >= 4 && IsDigits(line.left(3)) && line.at(3) == u' ';
}

void OpenDataLink() {
    ctr* data = MainParts().ctrTCPData;
    WriteTrace(QStringLiteral("Try Open Data Port IP=") + (data ? data->ServerName() : QString()) +
               QStringLiteral(" Port=") + QString::number(data ? data->ServerPort() : 0));
    g_strConnectStage = QStringLiteral("tcpc-d");
    BlockingWait(100);
    if (data) data->TCPConnect();
}

// The read-out has drained the ring: the connection is made even when its last queries (STAT,
// NPIC) failed and never reached the reply that normally says so.
void EndReadOutWhenDrained() {
    if (!g_readOutPending || !g_blnLinkOpen || g_blnCmdBusy || g_intQueueRead != g_intQueueWrite) return;
    g_readOutPending = false;
    SetMainControls(1);
    Ui().CloseNotice();
}

void CompleteConnection() {
    g_strConnectStage.clear();
    if (!g_blnLinkOpen) { // the read-out could not be queued yet
        g_completionPending = true;
        return;
    }
    g_completionPending = false;
    // Whatever the lost link left armed (a transfer, the data time-out) ends here.
    ConnectionCompleted();
    g_lngDataMode = 0;
    g_intShowBuf = 0;
    g_intRecvBuf = 0;
    // A "Date/Time" request of the lost connection must not open the dialog at this read-out.
    g_blnTimeDialogPending = false;
    ResetCommandChannel();
    QueueInitialReadOut();
    // Armed only once all 17 are queued: a send lets replies in, and the ring may run dry
    // between two of them.
    g_readOutPending = true;
    EndReadOutWhenDrained();
}

// The ring moves on past the command in flight; the next one goes out if the link allows.
void AdvanceQueue() {
    IncWrap(g_intQueueRead, 0, kCmdQueueSlots - 1);
    g_blnCmdBusy = false;
    g_lngCurCmd = 0;
    if (g_blnLinkOpen) {
        if (g_intQueueRead != g_intQueueWrite) SendNextCommand();
        EndReadOutWhenDrained();
        return;
    }
    while (g_intQueueRead != g_intQueueWrite) {
        WriteTrace(QStringLiteral("※未送信コマンド") +
                   g_CmdQueue[static_cast<std::size_t>(g_intQueueRead)].Text);
        IncWrap(g_intQueueRead, 0, kCmdQueueSlots - 1);
    }
}

} // namespace

std::array<ReplyHandler, 54>& ReplyHandlers() {
    static std::array<ReplyHandler, 54> handlers;
    return handlers;
}

void IncWrap(int16_t& index, int16_t low, int16_t high) {
    index = static_cast<int16_t>(index + 1);
    if (index > high) index = low;
}

void CompletePendingConnection() {
    if (g_completionPending && g_blnLinkOpen && g_strConnectStage.isEmpty()) CompleteConnection();
}

void ResetCommandChannel() {
    g_intQueueRead = 0;
    g_intQueueWrite = 0;
    g_blnCmdBusy = false;
    g_lngCurCmd = 0;
    g_readOutPending = false;
    // A multi-line reply cut off by a time-out must not go on collecting into the next connection.
    g_blnCollectLines = false;
    g_strReplyLines = QStringList{QString()};
    g_intReplyLineCount = 0;
}

const std::any& SentWithCommand() {
    static const std::any none;
    return g_blnCmdBusy ? g_CmdQueue[static_cast<std::size_t>(g_intQueueRead)].Sent : none;
}

void EnqueueCommand(int32_t id, const QString& text, int16_t extra, std::any sent) {
    if (!g_blnLinkOpen) return;
    int16_t next = g_intQueueWrite;
    IncWrap(next, 0, kCmdQueueSlots - 1);
    if (next == g_intQueueRead) {
        // The ring is full: taking this one would overwrite a command not yet sent.
        WriteTrace(QStringLiteral("Command queue full, refused: ") + text);
        return;
    }
    g_CmdQueue[static_cast<std::size_t>(g_intQueueWrite)] = CommandEntry{id, text, extra, std::move(sent)};
    g_intQueueWrite = next;
    if (!g_blnCmdBusy) SendNextCommand();
}

void SendNextCommand() {
    if (!g_blnLinkOpen || g_blnCmdBusy) return;
    if (g_intQueueRead == g_intQueueWrite) return; // nothing waiting
    const CommandEntry& entry = g_CmdQueue[static_cast<std::size_t>(g_intQueueRead)];
    g_lngCurCmd = entry.Id;
    if (IsDownloadCommand(entry.Id)) {
        if (g_lngCamMode != 0) { // the camera cannot download while it streams live
            AdvanceQueue();
            return;
        }
        if (entry.Id == CommandId::RQDL) {
            g_blnFileFirst = g_blnDlReplyWait = g_blnDlDataWait = true;
        } else {
            g_blnThumbFirst = g_blnThumbReplyWait = g_blnThumbDataWait = true;
        }
    }
    g_blnCmdBusy = true; // set before the send: the send lets the reply in
    StartCommandTimeOut();
    const QString text = entry.Text;
    WriteTrace(QStringLiteral("->") + text);
    if (ctr* link = MainParts().ctrTCPCmd) link->DataSend(0, text + kCrLf);
}

void FinishCommand() {
    // Only the command in flight can be finished: a second call for it would let the read
    // index run past the write index and lose the ring.
    if (!g_blnCmdBusy) return;
    AdvanceQueue();
}

void QueueInitialReadOut() {
    RequestTIME();
    RequestVERS(0);
    RequestVERS(1);
    RequestVERS(2);
    RequestSTIP();
    RequestSTGW();
    RequestDRAM();
    RequestMODE();
    RequestRMOD();
    RequestGAIN();
    RequestANIG();
    RequestSMOD();
    RequestGAMM();
    RequestWBPR(6);
    RequestWBPR(7);
    RequestWBPR(0);
    RequestSTAT();
}

void DispatchReply(const QString& line) {
    if (g_inHandler) {
        // A handler's message box lets the link deliver more lines; they wait until it has
        // finished with its own reply, so the order of replies and commands stays matched.
        g_deferredLines.append(line);
        return;
    }
    WriteTrace(QStringLiteral("<-") + line);
    if (line.startsWith(QStringLiteral("    ")) && g_blnCollectLines) {
        // The longest real reply has one line per region; a camera that never ends one is cut off.
        if (g_intReplyLineCount >= kMaxReplyLines) {
            WriteTrace(QStringLiteral("Too many continuation lines, dropped"));
            return;
        }
        g_strReplyLines.append(line.mid(4));
        ++g_intReplyLineCount;
        // A multi-line reply still holds the queue: keep the time-out running until its end.
        if (g_blnCmdBusy) StartCommandTimeOut();
    }
    if (!IsReplyLine(line)) return;

    if (g_strConnectStage == QLatin1String("tcpc-c")) {
        OpenDataLink();
        return;
    }
    if (g_strConnectStage == QLatin1String("tcpc-d")) {
        CompleteConnection();
        return;
    }
    StopCommandTimeOut();
    const int32_t id = g_lngCurCmd;
    if (id <= 0 || id > CommandId::Last) return;
    const ReplyHandler& handler = ReplyHandlers()[static_cast<std::size_t>(id)];
    if (!handler) return;
    g_inHandler = true;
    handler(line);
    if (id == CommandId::RMOD_Get) FinishCommand();
    g_inHandler = false;
    // A command its handler keeps in flight (a multi-line reply, an interim line, a line it
    // ignored) is still owed a reply: the time-out runs again. Transfers wait on the data
    // time-out instead.
    if (g_blnCmdBusy && g_lngCurCmd == id && !IsDownloadCommand(id)) StartCommandTimeOut();
    while (!g_inHandler && !g_deferredLines.isEmpty())
        DispatchReply(g_deferredLines.takeFirst());
}

void ClearDeferredReplies() {
    g_deferredLines.clear();
}

void ReplyAssembler::Clear() {
    m_buffer.clear();
    m_scanned = 0;
    m_discarding = false;
}

void ReplyAssembler::DropLongLine() {
    WriteTrace(QStringLiteral("Reply line longer than ") + QString::number(kMaxLine) +
               QStringLiteral(" characters dropped"));
}

void ReplyAssembler::Feed(const QString& chunk) {
    m_buffer += chunk;
    // Only the new text (and a CR just before it) can hold a terminator not yet seen.
    qsizetype from = m_scanned;
    for (;;) {
        const qsizetype end = m_buffer.indexOf(kCrLf, from);
        if (end < 0) break;
        const QString line = m_buffer.left(end);
        m_buffer.remove(0, end + 2);
        from = 0;
        if (m_discarding) {
            m_discarding = false; // the tail of a line already dropped and traced
            continue;
        }
        // One rule however the bytes were cut: a line over the cap is never a reply.
        if (line.size() > kMaxLine) {
            DropLongLine();
            continue;
        }
        m_dispatch(line);
    }
    // A trailing CR may be the first half of the terminator; it is not part of the line.
    const bool trailingCr = m_buffer.endsWith(u'\r');
    if (m_discarding || m_buffer.size() - (trailingCr ? 1 : 0) > kMaxLine) {
        if (!m_discarding) DropLongLine();
        m_discarding = true;
        m_buffer = trailingCr ? QStringLiteral("\r") : QString();
    }
    m_scanned = m_buffer.isEmpty() ? 0 : m_buffer.size() - 1;
}
