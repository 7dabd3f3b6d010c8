#include "playback/frame_table.h"

#include "protocol/code_tables.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTime>
#include <algorithm>
#include <cstring>

namespace {

const char kCsvHeader[] = "index,camera_frame,date_time,time_from_trigger_s,trigger,analog\r\n";

bool SameFile(const QString& a, const QString& b) {
    const QFileInfo x(a), y(b);
    return x.exists() && y.exists() && x.canonicalFilePath() == y.canonicalFilePath();
}

// The table's frame of reference, before any row is read.
FrameTable TableOf(const PlayFile& file) {
    FrameTable table;
    // A trigger the file says lies outside it is no trigger of these frames.
    if (file.info.triggerFrame >= file.firstFrame && file.info.triggerFrame <= file.lastFrame)
        table.triggerFrame = file.info.triggerFrame;
    table.recordSpeed = file.first.recordSpeed;
    table.imageSizeCode = file.first.imageSizeCode;
    return table;
}

} // namespace

int32_t RateBase(int32_t code, int32_t sizeCode) {
    if (sizeCode < 0 || sizeCode >= static_cast<int32_t>(kImageSizes.size())) return 0;
    const int32_t base = kImageSizes[static_cast<std::size_t>(sizeCode)].baseRate;
    bool known = false;
    if (code >= 0 && code <= 2) {
        for (const FrameRateInfo& rate : kFrameRates)
            known = known || (rate.imageSize == sizeCode && rate.rateCode == code);
    } else {
        for (int32_t seconds : kSlowRateSeconds)
            known = known || int64_t{base} * seconds - 1 == code;
    }
    return known ? base : 0;
}

std::optional<double> SecondsFromTrigger(const FrameTable& table, int32_t index) {
    const int32_t base = RateBase(table.recordSpeed, table.imageSizeCode);
    if (table.triggerFrame < 0 || base == 0) return std::nullopt;
    // One correctly rounded division of two whole numbers: any reader dividing so gets the same bits.
    const int64_t ticks = (int64_t{index} - table.triggerFrame) * (int64_t{table.recordSpeed} + 1);
    return static_cast<double>(ticks) / base;
}

QString TriggerTimeText(const PlayFile& file, int32_t index) {
    const std::optional<double> t = SecondsFromTrigger(TableOf(file), index);
    if (!t) return {};
    return (*t > 0 ? QStringLiteral("+") : QString()) + SecondsText(*t) + QStringLiteral(" s");
}

QString IsoDateTime(const ZRK_FRAME_HEADER& h) {
    if (h.year < 0) return {};
    const QDate date(2000 + h.year % 100, h.month, h.day);
    const QTime time(h.hour, h.minute, h.second);
    if (!date.isValid() || !time.isValid()) return {};
    return date.toString(Qt::ISODate) + u'T' + time.toString(Qt::ISODate);
}

QString SecondsText(double seconds) {
    return QString::number(seconds, 'f', 6); // Qt's own formatting: never the locale's comma
}

FrameTable ReadFrameTable(const PlayFile& file, int32_t start, int32_t end, int32_t step) {
    FrameTable table = TableOf(file);
    start = std::max(start, file.firstFrame);
    end = std::min(end, file.lastFrame);
    if (step < 1 || start > end) return table;
    QFile data(file.path);
    if (!data.open(QIODevice::ReadOnly)) {
        table.error = QStringLiteral("Cannot read ZRK file.");
        return table;
    }
    table.rows.reserve((end - start) / step + 1);
    for (int64_t i = start; i <= end; i += step) {
        FrameRow row;
        row.index = static_cast<int32_t>(i);
        // The record must lie inside FileSize and inside the file as it is on disk.
        const bool read = file.FrameInFile(i) &&
                          data.size() >= file.dataOffset + (i + 1) * file.recordBytes() &&
                          data.seek(file.dataOffset + i * file.recordBytes()) &&
                          data.read(reinterpret_cast<char*>(&row.header), sizeof row.header) ==
                              static_cast<qint64>(sizeof row.header);
        if (!read) {
            table.error = QStringLiteral("Cannot read ZRK file.");
            break;
        }
        if (std::memcmp(row.header.magic, "ZRK", 4) != 0) {
            table.error = QStringLiteral("No header in ZRK data.");
            break;
        }
        table.rows.append(row);
    }
    return table;
}

QByteArray FrameTableCsv(const FrameTable& table) {
    QByteArray out(kCsvHeader);
    out.reserve(out.size() + table.rows.size() * 64);
    for (const FrameRow& row : table.rows) {
        const std::optional<double> t = SecondsFromTrigger(table, row.index);
        // No field can hold a comma, a quote or a line break, so none needs quoting.
        out += QByteArray::number(row.index) + ',' + QByteArray::number(row.header.realFrame) + ',' +
               IsoDateTime(row.header).toLatin1() + ',' + (t ? SecondsText(*t).toLatin1() : QByteArray()) +
               ',' + QByteArray::number(row.header.trigger) + ',' + QByteArray::number(row.header.analog) +
               "\r\n";
    }
    return out;
}

QByteArray FrameTableJson(const PlayFile& file, const FrameTable& table) {
    QJsonArray rows;
    for (const FrameRow& row : table.rows) {
        const std::optional<double> t = SecondsFromTrigger(table, row.index);
        const QString date = IsoDateTime(row.header);
        rows.append(QJsonObject{
            {QStringLiteral("index"), row.index},
            {QStringLiteral("camera_frame"), row.header.realFrame},
            {QStringLiteral("date_time"), date.isEmpty() ? QJsonValue() : QJsonValue(date)},
            {QStringLiteral("time_from_trigger_s"), t ? QJsonValue(*t) : QJsonValue()},
            {QStringLiteral("trigger"), row.header.trigger},
            {QStringLiteral("analog"), row.header.analog},
        });
    }
    const int32_t base = RateBase(table.recordSpeed, table.imageSizeCode);
    const QJsonObject whole{
        {QStringLiteral("file"), file.path},
        {QStringLiteral("frame_count"), file.info.frameCount},
        {QStringLiteral("trigger_frame"),
         table.triggerFrame >= 0 ? QJsonValue(table.triggerFrame) : QJsonValue()},
        {QStringLiteral("frame_period_s"),
         base > 0 ? QJsonValue((int64_t{table.recordSpeed} + 1) / static_cast<double>(base)) : QJsonValue()},
        {QStringLiteral("frames"), rows},
    };
    return QJsonDocument(whole).toJson(QJsonDocument::Indented);
}

bool WriteFrameTableCsv(const QString& path, const PlayFile& file, const FrameTable& table) {
    if (SameFile(path, file.path)) return false; // never over the recording itself
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) return false;
    const QByteArray csv = FrameTableCsv(table);
    return out.write(csv) == csv.size() && out.commit();
}
