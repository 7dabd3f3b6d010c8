// Replies to the camera clock: setting it, and reading it for the date/time dialog.
#include "base/shared_state.h"
#include "protocol/command_channel.h"
#include "protocol/command_ids.h"
#include "protocol/reply_common.h"
#include "protocol/reply_handlers.h"
#include "protocol/window_hooks.h"

#include <optional>

namespace {

const QString kTitleTime = QStringLiteral("Date/Time Setup");
constexpr int64_t kSecondsPerDay = 24 * 60 * 60;

QDateTime SystemClock() {
    return QDateTime::currentDateTime();
}
ClockFunction g_clock = SystemClock;

// The camera's year, month, day, hour, minute and second as one moment. Values beyond their
// range roll over (month 13 is January of the next year, day 0 the last day of the month
// before, hour 24 the next day); years 0..29 and 30..99 are 2000..2029 and 1930..1999.
std::optional<QDateTime> ComposeCameraTime(const ReplyFields& f) {
    int16_t v[6] = {};
    for (int i = 0; i < 6; ++i)
        if (!ParseDigits16(f[i + 2], v[i])) return std::nullopt;
    int year = v[0];
    if (year < 30)
        year += 2000;
    else if (year < 100)
        year += 1900;
    QDate date = QDate(year, 1, 1).addMonths(v[1] - 1).addDays(v[2] - 1);
    const int64_t seconds = int64_t{v[3]} * 3600 + int64_t{v[4]} * 60 + v[5];
    date = date.addDays(seconds / kSecondsPerDay);
    const QTime time = QTime(0, 0).addSecs(static_cast<int>(seconds % kSecondsPerDay));
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    return QDateTime(date, time);
}

} // namespace

void SetReplyClock(ClockFunction clock) {
    g_clock = clock ? clock : SystemClock;
}

bool DateInDialogRange(const QDate& date) {
    // The frame header shows years as "20" and two digits, so the century is the natural end.
    return date.isValid() && date >= QDate(2000, 1, 1) && date <= QDate(2099, 12, 31);
}

void OnReplyTIME(const QString& line) {
    if (g_lngCurCmd == CommandId::TIME_Set) {
        if (!IsSuccess(line)) ReplyMessage(kTitleTime, QStringLiteral("Cannot change date/time."));
        FinishCommand();
        return;
    }
    if (g_lngCurCmd != CommandId::TIME_Get) {
        FinishCommand();
        return;
    }
    if (!IsSuccess(line)) {
        g_blnTimeDialogPending = false; // the next read-out must not open the dialog by itself
        ReplyMessage(kTitleTime, QStringLiteral("Cannot get date/time."));
        FinishCommand();
        return;
    }
    std::optional<QDateTime> moment = ComposeCameraTime(ReplyFields(line, QStringLiteral(" "), 7));
    if (!moment || !DateInDialogRange(moment->date())) {
        ReplyMessage(kTitleTime, QStringLiteral("Camera time data invalid. Reset from PC."));
        moment = g_clock();
        if (!DateInDialogRange(moment->date())) {
            ReplyMessage(kTitleTime, QStringLiteral("PC date/time range cannot support software range."));
            g_blnTimeDialogPending = false;
            FinishCommand();
            return;
        }
    }
    if (g_blnTimeDialogPending) {
        g_blnTimeDialogPending = false; // one request, one dialog
        Hooks().OpenDateTimeDialog(*moment);
    }
    FinishCommand();
}
