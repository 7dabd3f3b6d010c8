#include "playback/header_captions.h"

#include "protocol/code_tables.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

QString SizeCaption(int32_t imageSizeCode) {
    if (imageSizeCode < 0 || imageSizeCode >= static_cast<int32_t>(kImageSizes.size())) return {};
    return QString::fromLatin1(kImageSizes[static_cast<std::size_t>(imageSizeCode)].caption);
}

QString RecordSpeedCaption(int32_t code, int32_t imageSizeCode) {
    if (imageSizeCode < 0 || imageSizeCode >= static_cast<int32_t>(kImageSizes.size())) return {};
    if (code >= 0 && code <= 2) {
        for (const FrameRateInfo& rate : kFrameRates)
            if (rate.imageSize == imageSizeCode && rate.rateCode == code)
                return QString::fromLatin1(rate.caption);
        return {};
    }
    const int64_t base = kImageSizes[static_cast<std::size_t>(imageSizeCode)].baseRate;
    for (std::size_t i = 0; i < kSlowRateSeconds.size(); ++i)
        if (base * kSlowRateSeconds[i] - 1 == code) return QString::fromLatin1(kSlowRateCaptions[i]);
    return {};
}

QString ShutterCaption(int32_t code) {
    if (code >= 16 && code <= 20) return Caption(kShutterLowCaptions, code - 16);
    return Caption(kShutterHighCaptions, code);
}

QString GainCaption(int32_t gainCode) {
    return Caption(kGainCaptions, gainCode);
}

QString RecordDateText(const ZRK_FRAME_HEADER& h) {
    if (h.year < 0) return {};
    const QDate date(2000 + h.year % 100, h.month, h.day);
    const QTime time(h.hour, h.minute, h.second);
    if (!date.isValid() || !time.isValid()) return {};
    const QLocale locale;
    // The long time without a time zone: the camera's clock has none.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*$")));
    return locale.toString(date, QLocale::ShortFormat) + u' ' + locale.toString(time, timeFormat) + u' ';
}

QString TriggerFrameText(int32_t triggerFrame) {
    return triggerFrame == -1 ? QStringLiteral("---") : QString::number(triggerFrame);
}
