// Replies to download and single-frame requests: "150" hands the data port its mode, "226"
// is the camera's half of the closing handshake, 55x are the camera's refusals.
#include "base/main_window_parts.h"
#include "base/shared_state.h"
#include "base/text_fields.h"
#include "base/ui_port.h"
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

} // namespace

void OnReplyRQDL(const QString& line) {
    const ReplyFields f(line, QStringLiteral(" "), 3);
    const QString code = f[1].left(3);
    if (code == QLatin1String("150")) {
        int32_t frames = 0;
        int32_t bytes = 0;
        // The byte count becomes the data file's 32-bit size field with the headers added.
        if (f.Count() >= 3 && ParseDigits32(f[2], frames) && ParseDigits32(f[3], bytes) &&
            bytes <= std::numeric_limits<int32_t>::max() - kDataFileHeadersBytes) {
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
    NoDataWillCome(true);
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
    NoDataWillCome(false);
    RefusalMessage(kTitleThumbnail, code);
    FinishCommand();
}
