// The player's texts for the codes and values of a frame header. A code or date out of range gives
// an empty text, never a look-up past a table.
#pragma once

#include "imagelib/include/zrk_frame_header.h"

#include <QString>
#include <cstdint>

QString SizeCaption(int32_t imageSizeCode);
// Record speed: codes 0..2 are the high-speed rates of the image size, above 2 the slow rates.
QString RecordSpeedCaption(int32_t recordSpeedCode, int32_t imageSizeCode);
// One code space serves both speeds: 0..10 the high-speed list, 16..20 the slow shutters.
QString ShutterCaption(int32_t shutterCode);
QString GainCaption(int32_t gainCode);
// "20" + year % 100, month, day, hour, minute, second as a date and time in the short date and
// long time of the system, followed by a space; empty for a date that does not exist.
QString RecordDateText(const ZRK_FRAME_HEADER& header);
// TriggerFrame of the info header, "---" for -1.
QString TriggerFrameText(int32_t triggerFrame);
