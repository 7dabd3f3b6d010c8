#include "transfer/browser_preview_range.h"

std::optional<PreviewRange> RangeOf(const PreviewParams& params) {
    PreviewRange range;
    range.recorded = int32_t{params.start.Offset} + params.start.FrameNo;
    range.startOffset = params.start.Offset;
    range.endOffset = params.end.Offset;
    if (range.endOffset < 1 || range.startOffset < range.endOffset || range.startOffset > range.recorded)
        return std::nullopt;
    return range;
}

namespace {

QString TwoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

QString FrameDateText(const ZRK_FRAME_HEADER& header) {
    return QStringLiteral("20") + TwoDigits(header.year % 100) + u'/' + TwoDigits(header.month) + u'/' +
           TwoDigits(header.day) + u' ' + TwoDigits(header.hour) + u':' + TwoDigits(header.minute) + u':' +
           TwoDigits(header.second);
}

std::optional<QDateTime> FrameDateTime(const ZRK_FRAME_HEADER& header) {
    if (header.year < 0) return std::nullopt; // "20-1..." is no year
    const QDate date(2000 + header.year % 100, header.month, header.day);
    const QTime time(header.hour, header.minute, header.second);
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    return QDateTime(date, time);
}
