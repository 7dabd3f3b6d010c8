// Replies to the record mode: the query checks every field of the camera's record before it
// replaces g_RecMode; the set may pass through an interim reply while the image size changes.
#include "base/main_window_parts.h"
#include "base/shared_state.h"
#include "base/ui_port.h"
#include "protocol/code_tables.h"
#include "protocol/command_channel.h"
#include "protocol/command_set.h"
#include "protocol/record_mode_index.h"
#include "protocol/reply_common.h"
#include "protocol/reply_handlers.h"
#include "protocol/window_hooks.h"

#include <optional>

namespace {

const QString kTitleRmod = QStringLiteral("Record Setup");

// The record in the query reply; nullopt after the message of the first check that fails.
std::optional<RecordMode> DecodeRecordMode(const ReplyFields& f) {
    const auto fail = [](const QString& text, MsgIcon icon = MsgIcon::Information) {
        ReplyMessage(kTitleRmod, text, icon);
        return std::nullopt;
    };
    RecordMode m{0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    if (!ParseInRange(f[2], 0, 3, m.ImageSize))
        return fail(QStringLiteral("Invalid image size."), MsgIcon::None);
    int32_t rate = 0;
    if (!ParseInRange(f[3], 0, 17999, rate)) return fail(QStringLiteral("Invalid frame rate."));
    const bool low = rate > 2; // the camera tells the speed mode by the rate code alone
    if (low) {
        m.SpeedMode = 1;
        m.RateLow = LowRateIndex(m.ImageSize, rate);
        if (m.RateLow < 0)
            return fail(QStringLiteral("Frame rate incorrect for image size at low speed record."));
    } else {
        m.RateHigh = HighRateIndex(m.ImageSize, rate);
        if (m.RateHigh < 0)
            return fail(QStringLiteral("Frame rate incorrect for image size at high speed record."));
    }
    int32_t shutterCode = 0;
    int32_t shutter = 0;
    if (low) {
        if (!ParseInRange(f[4], 1, 20, shutterCode))
            return fail(QStringLiteral("Invalid shutter speed for low speed record."));
        shutter = m.ShutterLow = LowShutterIndex(m.ImageSize, shutterCode);
        if (shutter < 0)
            return fail(QStringLiteral("Shutter speed incorrect for image size at low speed record."));
    } else {
        if (!ParseInRange(f[4], 0, 10, shutterCode))
            return fail(QStringLiteral("Invalid shutter speed for high speed record."));
        shutter = m.ShutterHigh = HighShutterIndex(m.ImageSize, shutterCode);
        if (shutter < 0)
            return fail(QStringLiteral("Shutter speed incorrect for image size at high speed record."));
    }
    // The strobe only works with the slowest shutter ("Open" / "1/30"); otherwise it is off.
    if (shutter == 0 && !ParseInRange(f[5], 0, 8, m.StrobeDelay))
        return fail(low ? QStringLiteral("Invalid strobe delay for low speed record.")
                        : QStringLiteral("Invalid strobe delay for high speed record."));
    if (!ParseInRange(f[6], 0, 3, m.Partition)) return fail(QStringLiteral("Region segment value invalid."));
    if (!ParseInRange(f[7], 0, 3, m.TrigMode)) return fail(QStringLiteral("Trigger mode value invalid."));
    const int32_t capacity = RegionCapacity(g_lngMemSize, m.ImageSize, m.Partition);
    int32_t post = 0;
    if (!ParseInRange(f[8], 0, capacity, post)) return fail(QStringLiteral("Post count value invalid."));
    m.PostCount = m.TrigMode == 0 ? capacity : m.TrigMode == 1 ? post : 0;
    return m;
}

} // namespace

void OnReplyRMOD(const QString& line) {
    // No FinishCommand here: the channel ends this command itself.
    const ReplyFields f(line, QStringLiteral(" "), 8);
    if (!IsSuccess(f[1]) || f.Count() < 8) {
        ReplyMessage(kTitleRmod, kMsgCommandInvalid);
        return;
    }
    if (const std::optional<RecordMode> mode = DecodeRecordMode(f)) g_RecMode = *mode;
}

void OnReplyRMODSet(const QString& line) {
    const ReplyFields f(line, QStringLiteral(" "), 4);
    if (f.Count() < 1) {
        ReplyMessage(kTitleRmod, kMsgCommandInvalid);
        FinishCommand();
        return;
    }
    if (line.startsWith(u'2')) {
        g_RecMode = SentValue(g_RecModeNew);
        if (ConsoleOpen()) Hooks().ConsoleShowRecordMode(g_RecMode);
        Ui().CloseNotice();
        RequestSTAT();
        FinishCommand();
        if (ConsoleOpen()) Hooks().ConsoleSizePreviewArea(g_RecMode.ImageSize);
        return;
    }
    if (line.startsWith(u'1')) {
        // The camera is changing its image size; the final reply follows and is timed again.
        Ui().ShowNotice(kTitleRmod, QStringLiteral("Changing image size.\r\nWait..."));
        RestartCommandTimeOut();
        return;
    }
    Ui().CloseNotice(); // an interim 1xx may have put up "Changing image size"
    ReplyMessage(kTitleRmod, QStringLiteral("Cannot change record setiing."));
    FinishCommand();
}
