// The numbers each frame of a data file carries, one row a frame: its place in the file and in
// camera memory, the recording clock, the time from the trigger, the trigger mark and the analog
// value. Written as CSV (RFC 4180, "." as the decimal point whatever the locale) or JSON; shared by
// the conversion dialog, zrkctl and the Python reader's tests.
#pragma once

#include "playback/play_file.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

struct FrameRow {
    int32_t index = 0;         // in the file, from 0
    ZRK_FRAME_HEADER header{}; // the frame's own header
};

struct FrameTable {
    int32_t triggerFrame = -1; // the file's TriggerFrame, -1 when none lies inside the file
    int32_t recordSpeed = 0;   // the first frame's record speed and image size codes
    int32_t imageSizeCode = -1;
    QList<FrameRow> rows;
    QString error; // the operator's message when a frame could not be read; rows before it stay
};

// The size's base rate when the record speed code is one the camera records with at that image
// size (the high-speed list, or a slow rate: base x seconds per frame - 1), else 0. A frame then
// lasts (code + 1) / base seconds.
int32_t RateBase(int32_t recordSpeedCode, int32_t imageSizeCode);
// Seconds of frame index after the trigger frame (negative before it); none without a trigger
// inside the file or without a known rate.
std::optional<double> SecondsFromTrigger(const FrameTable& table, int32_t index);
// The player's text beside the frame number: "+0.012500 s", "-1.000000 s"; empty without a trigger.
QString TriggerTimeText(const PlayFile& file, int32_t index);
// "2026-12-07T16:42:23" from the header's clock, "20" + year % 100 as the player shows it; empty
// for a date or time that does not exist.
QString IsoDateTime(const ZRK_FRAME_HEADER& header);
// Seconds with six decimals and "." as the decimal point.
QString SecondsText(double seconds);

// Reads the headers of frames start, start + step, ... up to end (clamped to the file). Stops at
// the first frame that lies outside the file or cannot be read ("Cannot read ZRK file.") or has no
// magic ("No header in ZRK data.").
FrameTable ReadFrameTable(const PlayFile& file, int32_t start, int32_t end, int32_t step = 1);

QByteArray FrameTableCsv(const FrameTable& table);
QByteArray FrameTableJson(const PlayFile& file, const FrameTable& table);
// Writes the CSV whole or not at all; refuses to replace the data file itself. False on failure.
bool WriteFrameTableCsv(const QString& path, const PlayFile& file, const FrameTable& table);
