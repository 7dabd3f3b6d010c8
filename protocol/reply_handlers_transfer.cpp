// Replies to download and single-frame requests: "150" hands the data port its mode, "226"
// is the camera's half of the closing handshake, 55x are the camera's refusals.
#include "base/main_window_parts.h"
#include "base/shared_state.h"
#include "base/text_fields.h"
#include "base/ui_port.h"
#include "protocol/code_tables.h"
#include "protocol/command_channel.h"
#include "protocol/command_ids.h"
#include "protocol/main_targets.h"
#include "protocol/reply_common.h"
#include "protocol/reply_handlers.h"
#include "protocol/window_hooks.h"

#include <limits>

namespace {

const QString kTitleDownload = QStringLiteral("Download");
const QString kTitleThumbnail = QStringLiteral("Thumbnail Download");
constexpr int32_t kDataFileHeadersBytes = 32; // the data file's two headers in front of the data

void RefusalMessage(const QString& title, const QString& code) {
    if (code == QLatin1String("550"))
        ReplyMessage(title, QStringLiteral("Invalid region number."));
    else if (code == QLatin1String("551"))
        ReplyMessage(title, QStringLiteral("Invalid offset count."));
    else if (code == QLatin1String("552"))
        ReplyMessage(title, QStringLiteral("Invalid download count."));
    else
        ReplyMessage(title, kMsgCommandInvalid);
}

// After "226" the receiver finishes the request once the data is complete. If the command is
// still in flight and no data time-out covers it (the camera closed a request that never
// started), the command time-out runs again so that the queue cannot stall for good.
template <typename End> void CloseRequest(End end) {
    const int16_t slot = g_intQueueRead;
    end();
    if (g_blnCmdBusy && g_intQueueRead == slot && !TimerActive(MainParts().tmrDataTimeOut))
        RestartCommandTimeOut();
}

// Data that reached the data port before this "150" (or refusal) is handed over now, after the
// data mode and the data time-out are in place.
void ReleaseHeldData() {
    if (Targets().releaseHeldData) Targets().releaseHeldData();
}

// A refused request brings no data: anything that arrived for it is only traced.
void NoDataWillCome(bool download) {
    (download ? g_blnDlDataWait : g_blnThumbDataWait) = false;
    ReleaseHeldData();
}

// A refusal ends the request at whatever stage it reached. After its "150" the transfer is
// aborted (file closed and kept as written, progress closed, state cleared, data time-out
// stopped), so nothing of it waits on behind the handler's one message.
void EndRefused(bool download) {
    if (g_lngDataMode == (download ? 2 : 3)) {
        if (Targets().abortTransfer) Targets().abortTransfer();
        return;
    }
    NoDataWillCome(download);
}

// The numbers of a download's "150": a frame count and exactly that many frame records of the
// current image size. Anything else would write a file no reader can use, or wait for data that
// never comes.
bool UsableStart(const ReplyFields& f, int32_t& frames, int32_t& bytes) {
    if (f.Count() < 3 || !ParseDigits32(f[2], frames) || !ParseDigits32(f[3], bytes)) return false;
    const int32_t size = g_RecMode.ImageSize;
    if (frames < 1 || size < 0 || size >= static_cast<int32_t>(kImageSizes.size())) return false;
    const int64_t expected = static_cast<int64_t>(frames) * kImageSizes[static_cast<size_t>(size)].frameBytes;
    // The byte count becomes the data file's 32-bit size field with the headers added.
    return bytes == expected && bytes <= std::numeric_limits<int32_t>::max() - kDataFileHeadersBytes;
}

} // namespace

void OnReplyRQDL(const QString& line) {
    const ReplyFields f(line, QStringLiteral(" "), 3);
    const QString code = f[1].left(3);
    if (code == QLatin1String("150")) {
        int32_t frames = 0;
        int32_t bytes = 0;
        if (UsableStart(f, frames, bytes)) {
            g_lngDataMode = 2;
            g_lngDlInfo = frames;
            g_lngDlSize = bytes;
            StartTimer(MainParts().tmrDataTimeOut);
            ReleaseHeldData();
            return; // the data and the closing reply follow
        }
        // The camera sends its data and "226" all the same: the request stays in flight until that
        // "226" (or the command time-out), so the "226" cannot land on the next command.
        NoDataWillCome(true);
        RestartCommandTimeOut();
        ReplyMessage(kTitleDownload, kMsgCommandInvalid);
        return;
    }
    if (code == QLatin1String("226")) {
        g_blnDlReplyWait = false;
        CloseRequest([] { Hooks().EndDownload(); });
        return;
    }
    EndRefused(true);
    RefusalMessage(kTitleDownload, code);
    FinishCommand();
}

void OnReplyThumbnailRQDL(const QString& line) {
    const QString code = ReplyFields(line, QStringLiteral(" "), 3)[1].left(3);
    if (code == QLatin1String("150")) {
        if (g_lngCurCmd == CommandId::ThumbFirst)
            Ui().ShowNotice(kTitleThumbnail,
                            QStringLiteral("Downloading ZRK data for thumbnail.\r\nWait..."));
        g_lngDataMode = 3;
        StartTimer(MainParts().tmrDataTimeOut);
        ReleaseHeldData();
        return;
    }
    if (code == QLatin1String("226")) {
        g_blnThumbReplyWait = false;
        CloseRequest([] { Hooks().EndThumbNail(); });
        return;
    }
    EndRefused(false);
    RefusalMessage(kTitleThumbnail, code);
    FinishCommand();
}
