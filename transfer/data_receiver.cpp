#include "transfer/data_receiver.h"

#include "base/main_window_parts.h"
#include "base/shared_state.h"
#include "base/trace.h"
#include "protocol/command_ids.h"
#include "protocol/main_control.h"
#include "protocol/reply_common.h"
#include "transfer/held_data.h"
#include "transfer/receiver_internals.h"

#include <QTimer>
#include <algorithm>

namespace {

int g_depth = 0;       // > 0 while the receiver is handling a chunk (it may wait in a message box)
int64_t g_discard = 0; // rest of a refused frame record still to come
uint64_t g_aborts = 0;

// The request in flight has been sent and its "150" not yet handled: data now is its data.
bool AwaitingFirstReply() {
    if (g_lngDataMode != 0 || !g_blnCmdBusy) return false;
    if (g_lngCurCmd == CommandId::RQDL) return g_blnFileFirst && g_blnDlDataWait;
    if (IsDownloadCommand(g_lngCurCmd)) return g_blnThumbFirst && g_blnThumbDataWait;
    return false;
}

void OnGap() {
    if (g_lngDataMode == 1) {
        receiver::LiveGap();
    } else if (g_lngDataMode == 2 || g_lngDataMode == 3) {
        // Joining the data across lost bytes would store a wrong file or picture, and the rest of
        // the stream can no longer be told apart: the request ends now (a file kept as written)
        // and so does the connection, with the data port's one message.
        WriteTrace(QStringLiteral("Image data lost, request given up"));
        AbortTransfer();
        DataPortFailed();
    }
}

void Dispatch(const char* data, int32_t length) {
    switch (g_lngDataMode) {
    case 1:
        RecvLiveData(data, length); // keeps the data time-out running while it drops chunks
        return;
    // Download and single frame switch the data time-out on or off themselves: a stop and restart
    // for every chunk would allocate in the event dispatcher.
    case 2:
    case 3:
        if (g_lngDataMode == 2) {
            RecvDownloadData(data, length);
        } else {
            RecvThumbNailData(data, length);
        }
        return;
    case 0:
        receiver::StopDataTimeOut();
        WriteTrace(QStringLiteral("Invalid Data = ") + QString::number(length));
        return;
    default:
        receiver::StopDataTimeOut();
        return;
    }
}

// Hands over held chunks in order, as long as nothing makes them wait again.
void Drain() {
    ++g_depth;
    while (!held::Empty() && !AwaitingFirstReply()) {
        const char* data = nullptr;
        int32_t length = 0;
        bool gapBefore = false;
        held::Front(data, length, gapBefore);
        const uint64_t generation = held::Generation();
        if (gapBefore) OnGap();
        if (held::Generation() != generation) continue; // the gap ended the request and cleared all
        Dispatch(data, length);
        if (held::Generation() == generation) held::Pop(); // else an abort cleared it meanwhile
    }
    // Bytes lost behind the last held chunk: what comes next must not be joined to it.
    if (held::Empty() && !AwaitingFirstReply() && held::TakeGap()) OnGap();
    --g_depth;
}

} // namespace

namespace receiver {

void StartDataTimeOut() {
    // Restarting a timer allocates in the event dispatcher: a timer started less than a hundredth
    // of its interval ago is left running, so chunks cost no allocation and the time-out still
    // comes within 1 % of its interval after the last chunk.
    QTimer* timer = MainParts().tmrDataTimeOut;
    if (timer && timer->isActive()) {
        const int interval = timer->interval();
        if (timer->remainingTime() >= interval - std::max(interval / 100, 1)) return;
    }
    StartTimer(timer);
}

void StopDataTimeOut() {
    StopTimer(MainParts().tmrDataTimeOut);
}

void KeepDataTimeOutRunning() {
    if (!TimerActive(MainParts().tmrDataTimeOut)) StartTimer(MainParts().tmrDataTimeOut);
}

void StartCommandTimeOut() {
    StartTimer(MainParts().tmrComTimeOut);
}

uint64_t Aborts() {
    return g_aborts;
}

void DiscardNext(int64_t bytes) {
    g_discard = std::max<int64_t>(bytes, 0);
}

} // namespace receiver

void RecvImageData(const char* data, int32_t length) {
    if (!data || length <= 0) return;
    if (g_discard > 0) {
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(g_discard, length));
        g_discard -= n;
        data += n;
        length -= n;
        if (length == 0) return;
    }
    if (g_depth == 0 && held::Empty() && !held::GapPending() && !AwaitingFirstReply()) {
        ++g_depth;
        Dispatch(data, length);
        --g_depth;
        if (!held::Empty()) Drain(); // chunks that came in while a message box was up
        return;
    }
    if (!held::Hold(data, length))
        WriteTrace(QStringLiteral("Image data dropped, no room to hold it = ") + QString::number(length));
    if (g_depth == 0) Drain();
}

void ReleaseHeldData() {
    if (g_depth == 0) Drain(); // else the receiver, still inside a chunk, drains when it returns
}

void AbortTransfer() {
    ++g_aborts;
    held::Clear();
    g_discard = 0;
    receiver::CloseDataFile();
    receiver::CloseDownloadProgress();
    g_strSaveFile.clear();
    g_lngDataMode = 0;
    g_blnFileFirst = g_blnDlDataWait = g_blnDlReplyWait = false;
    g_blnThumbFirst = g_blnThumbHeader = g_blnThumbDataWait = g_blnThumbReplyWait = false;
    g_lngThumbFill = 0;
    receiver::ResetLiveAssembly();
    receiver::StopDataTimeOut();
}
