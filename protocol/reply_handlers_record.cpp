// Replies of the recording flow: start, stop, trigger, clear, run state, the region counts and
// trigger positions (multi-line replies), camera mode and live output.
#include "base/main_window_parts.h"
#include "base/shared_state.h"
#include "base/status_line.h"
#include "base/text_fields.h"
#include "base/ui_port.h"
#include "protocol/command_channel.h"
#include "protocol/command_ids.h"
#include "protocol/command_set.h"
#include "protocol/main_control.h"
#include "protocol/reply_common.h"
#include "protocol/reply_handlers.h"
#include "protocol/window_hooks.h"

#include <algorithm>

namespace {

const QString kTitleRecord = QStringLiteral("Record Control");
const QString kTitleTrig = QStringLiteral("Software Trigger");
const QString kTitleRacl = QStringLiteral("Image Data Clear");
const QString kTitleStat = QStringLiteral("Camera Status");
const QString kTitleNpic = QStringLiteral("Recored Frame Count Information");
const QString kTitlePtrg = QStringLiteral("Trigger Position Information");
const QString kTitleMode = QStringLiteral("Camera Mode Setup");
const QString kTitlePreview = QStringLiteral("Preview Output");

// Continuation lines start afresh at element 1 (element 0 stays empty).
void ResetReplyLines() {
    g_strReplyLines = QStringList{QString()};
    g_intReplyLineCount = 0;
}

void StopCollecting() {
    g_blnCollectLines = false;
    ResetReplyLines();
}

// The collected continuation line for region i (0-based), or nullptr when the camera sent none.
const QString* RegionLine(int region) {
    const int index = region + 1;
    if (index > g_intReplyLineCount || index >= g_strReplyLines.size()) return nullptr;
    return &g_strReplyLines.at(index);
}

enum class MultiLine { Start, End, Other };

// Shared head of the two multi-line replies. Returns Other when the handler is done with the line.
MultiLine BeginMultiLine(const QString& line, const QString& title) {
    const ReplyFields f(line, QStringLiteral(" "), 3);
    if (!IsSuccess(f[1])) {
        ReplyMessage(title, kMsgCommandInvalid);
        StopCollecting(); // an error ends the reply: nothing more belongs to it
        FinishCommand();
        return MultiLine::Other;
    }
    if (f.Count() >= 3 && f[3] == QLatin1String("Start")) {
        ResetReplyLines();
        g_blnCollectLines = true;
        return MultiLine::Other; // stays in flight; the channel collects the lines
    }
    if (f.Count() >= 3 && f[3] == QLatin1String("End")) return MultiLine::End;
    // Not a line of this reply: the command stays in flight, but the command time-out (stopped
    // when the line arrived) runs again so that a reply which never ends cannot hold the queue.
    RestartCommandTimeOut();
    return MultiLine::Other;
}

// "region recorded/capacity" → {recorded, capacity}; anything else → {0, 0}.
RegionCount ParseRegionLine(const QString* text) {
    if (!text) return {};
    const ReplyFields words(*text, QStringLiteral(" "), 3);
    const ReplyFields parts(words[2], QStringLiteral("/"), 2);
    RegionCount rc;
    if (parts.Count() != 2 || !ParseDigits16(parts[1], rc.Recorded) || !ParseDigits16(parts[2], rc.Capacity))
        return {};
    return rc;
}

void UpdateDataState() {
    // The partition comes from a checked reply or the settings dialog; clamp it all the same,
    // since it picks a region.
    const auto p = static_cast<std::size_t>(std::clamp(g_RecMode.Partition, 0, 3));
    const RegionCount& last = g_RegionFrames[p];
    if (g_RegionFrames[0].Recorded == 0)
        g_lngDataState = 0;
    else if (last.Recorded == 0)
        g_lngDataState = 1;
    else if (g_lngRunState == 0)
        g_lngDataState = 2;
    else if (g_lngRunState == 1)
        g_lngDataState = last.Recorded == last.Capacity ? 2 : 1;
}

} // namespace

void OnReplyRCST(const QString& line) {
    const QString code = ReplyFields(line, QStringLiteral(" "), 1)[1];
    if (code == QLatin1String("200")) {
        RequestSTAT();
        StartTimer(MainParts().tmrGetState); // poll the state while recording
    } else if (code == QLatin1String("500")) {
        ReplyMessage(kTitleRecord, QStringLiteral("Record already started."));
    } else if (code == QLatin1String("501")) {
        ReplyMessage(kTitleRecord, QStringLiteral("Command invlid while in preview mode."));
    } else if (code == QLatin1String("502")) {
        ReplyMessage(kTitleRecord, QStringLiteral("Cannot record. No available space."));
    } else {
        ReplyMessage(kTitleRecord, kMsgCommandInvalid);
    }
    FinishCommand();
}

void OnReplyRCSP(const QString& line) {
    const QString code = ReplyFields(line, QStringLiteral(" "), 1)[1];
    if (code == QLatin1String("200")) {
        StopTimer(MainParts().tmrGetState);
        RequestSTAT();
    } else if (code == QLatin1String("500")) {
        ReplyMessage(kTitleRecord, QStringLiteral("Record already stopped."));
    } else if (code == QLatin1String("501")) {
        ReplyMessage(kTitleRecord, QStringLiteral("Command invlid while in preview mode."));
    } else {
        ReplyMessage(kTitleRecord, kMsgCommandInvalid);
    }
    FinishCommand();
}

void OnReplyTRIG(const QString& line) {
    if (IsSuccess(line)) {
        Ui().ShowStatus(status_text::TriggerAccepted(g_RecMode.PostCount));
    } else {
        if (line.left(3) == QLatin1String("500"))
            ReplyMessage(kTitleTrig, QStringLiteral("Post record in process. Trigger not possible."));
        else
            ReplyMessage(kTitleTrig, kMsgCommandInvalid);
    }
    FinishCommand();
}

void OnReplyRACL(const QString& line) {
    const ReplyFields f(line, QStringLiteral(" "), 2);
    if (IsSuccess(f[1]))
        RequestNPIC();
    else {
        // The camera keeps its frames while live output uses the data port.
        if (g_lngCamMode == 1) Ui().ShowStatus(status_text::ClearRefusedWhileLive());
        ReplyMessage(kTitleRacl, QStringLiteral("Cannot clear image data."));
    }
    FinishCommand();
}

void OnReplySTAT(const QString& line) {
    const QString code = ReplyFields(line, QStringLiteral(" "), 1)[1];
    QTimer* poll = MainParts().tmrGetState;
    if (code == QLatin1String("211")) {
        g_lngRunState = 0;
        StopTimer(poll);
    } else if (code == QLatin1String("212")) {
        g_lngRunState = 1;
        if (!TimerActive(poll)) StartTimer(poll);
    } else if (code == QLatin1String("213")) {
        g_lngRunState = 0;
    } else if (code == QLatin1String("214")) {
        g_lngRunState = 3;
    } else {
        ReplyMessage(kTitleStat, kMsgCommandInvalid);
        FinishCommand();
        return;
    }
    RequestNPIC();
    FinishCommand();
}

void OnReplyNPIC(const QString& line) {
    if (BeginMultiLine(line, kTitleNpic) != MultiLine::End) return;
    for (int i = 0; i < 4; ++i)
        g_RegionFrames[static_cast<std::size_t>(i)] = ParseRegionLine(RegionLine(i));
    UpdateDataState();
    if (ConsoleOpen()) {
        Hooks().ConsoleShowRegionCounts();
        Hooks().ConsoleUpdateButtons();
    }
    // The first region count after connecting completes the connection sequence.
    SetMainControls(1);
    Ui().CloseNotice();
    StopCollecting();
    FinishCommand();
}

void OnReplyPTRG(const QString& line) {
    if (BeginMultiLine(line, kTitlePtrg) != MultiLine::End) return;
    for (int i = 0; i < 4; ++i) {
        int32_t position = -1;
        if (const QString* text = RegionLine(i)) {
            const ReplyFields f(*text, QStringLiteral(" "), 3);
            int32_t value = 0;
            if (f.Count() == 2 && ParseDigits32(f[2], value)) position = value;
        }
        g_lngTrigPos[static_cast<std::size_t>(i)] = position;
    }
    StopCollecting();
    FinishCommand();
}

void OnReplyMODE(const QString& line) {
    const int32_t id = g_lngCurCmd;
    const ReplyFields f(line, QStringLiteral(" "), 2);
    if (id != CommandId::MODE_Get && id != CommandId::MODE_Set) {
        // not a MODE command: only end it
    } else if (f.Count() < 2) {
        ReplyMessage(kTitleMode, kMsgCommandInvalid);
    } else if (!IsSuccess(f[1])) {
        ReplyMessage(kTitleMode, id == CommandId::MODE_Set
                                     ? QStringLiteral("cannot change camera mode settings.")
                                     : QStringLiteral("Cannot get camera mode data."));
    } else if (f[2] == QLatin1String("REC")) {
        g_lngCamMode = 0;
        // The console may be hidden behind the thumbnail browser; its picture goes either way.
        if (g_lngViewMode == 1 || g_lngViewMode == 2) Hooks().ConsoleClearPicture();
    } else if (f[2] == QLatin1String("LIVE")) {
        g_lngCamMode = 1;
        // Live frames flow only after LVST; not while the record settings dialog is open.
        if (ConsoleOpen() && !g_blnRecSetupOpen) SendLVST();
    } else {
        ReplyMessage(kTitleMode, kMsgParameterInvalid);
    }
    FinishCommand();
}

void OnReplyLVST(const QString& line) {
    const ReplyFields f(line, QStringLiteral(" "), 2);
    if (f.Count() < 1) {
        ReplyMessage(kTitlePreview, kMsgCommandInvalid);
    } else if (!IsSuccess(f[1])) {
        ReplyMessage(kTitlePreview, QStringLiteral("Cannot start preview image output."));
    } else {
        g_lngDataMode = 1;
        // Every stream starts clean: both live buffers free, no frame half assembled, and the
        // receiver waits for a chunk that begins with the signature (frame size 0).
        g_lngFrameSize = 0;
        g_lngFrameFill = 0;
        g_intRecvBuf = 0;
        g_intShowBuf = 0;
        for (FrameBuffer& buffer : g_PreviewBuf)
            buffer.inUse = 0;
        // The preview starts with the camera's own settings.
        g_GammaNew = g_Gamma;
        g_WBNew = g_WB;
        if (ConsoleOpen()) Hooks().ConsoleUpdateButtons();
        StartTimer(MainParts().tmrDataTimeOut);
    }
    FinishCommand();
}

void OnReplyLVSP(const QString& line) {
    const ReplyFields f(line, QStringLiteral(" "), 2);
    if (f.Count() < 1) {
        ReplyMessage(kTitlePreview, kMsgCommandInvalid);
    } else if (!IsSuccess(f[1])) {
        ReplyMessage(kTitlePreview, QStringLiteral("Cannot stop preview image output."));
    } else {
        g_lngDataMode = 0;
        if (ConsoleOpen()) {
            Hooks().ConsoleClearPicture();
            Hooks().ConsoleUpdateButtons();
        }
        // No more frames are expected, console or not: a running data time-out would later drop
        // a healthy connection.
        StopTimer(MainParts().tmrDataTimeOut);
    }
    FinishCommand();
}
