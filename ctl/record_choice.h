// Turns the readable record settings of the command line ("300FPS", "512x512", "1/1000",
// "Delay2", regions, trigger position, frames after the trigger) into a RecordMode, by the rules
// of the record settings dialog: a high-speed rate fixes the image size, the shutter list depends
// on the speed and the size, a strobe delay needs the first shutter entry, and the frames after
// a centred trigger must fit the region.
#pragma once

#include "base/shared_types.h"

#include <QString>
#include <optional>

struct RecordChoice {
    QString rate;     // a frame-rate or slow-rate caption; empty keeps the camera's
    QString size;     // "200x200" ...; empty keeps the camera's (or the rate's)
    QString shutter;  // a shutter caption; empty keeps the camera's where the list offers it
    QString strobe;   // "Not Use", "Delay0" ... "Delay7"
    int regions = -1; // 1 to 4; -1 keeps the camera's
    QString trigger;  // "start", "center", "end"; empty keeps the camera's
    int post = -1;    // frames after a centred trigger; -1: the camera's if it fits, else half the region
};

struct RecordChoiceResult {
    std::optional<RecordMode> mode; // set when the choice is allowed
    QString error;                  // why not, in the dialog's terms
};

// current: the camera's record mode; memCode: its memory size code (for region capacity).
RecordChoiceResult ResolveRecordChoice(const RecordChoice& choice, const RecordMode& current,
                                       int32_t memCode);

// The words of the choice, checked before any camera is asked: empty, or what is wrong.
QString CheckRecordWords(const RecordChoice& choice);
