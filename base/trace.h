// The trace of the program's conversation with the camera, shown in the "Debug Window".
#pragma once

#include <QDateTime>
#include <QString>

// "yyyy/mm/dd ddd hh:nn:ss" with English weekday abbreviations, e.g. "2026/12/07 Mon 05:32:28".
QString TraceStamp(const QDateTime& when);

// Records one trace line (time stamp + " --- " + text) when tracing is on; otherwise does nothing.
void WriteTrace(const QString& text);
