// The camera's picture source: a pure function from (region, frame, recording settings) to a frame record,
// so that every recorded frame can be re-created byte for byte at download time and by tests.
#pragma once

#include <cstdint>

namespace zrkcam {

struct CivilTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Wall-clock arithmetic without time zones: the camera clock is plain calendar numbers.
int64_t toEpochSeconds(const CivilTime& t);
CivilTime fromEpochSeconds(int64_t secs);
bool civilTimeValid(const CivilTime& t);

// Everything a frame is recorded with that shows up in its header or its picture.
struct RecordSettings {
    int imageSize = 1;
    int rateCode = 0;
    int shutterCode = 3;
    int strobeDelay = 0;
    int gainCode = 0;
    int analogGain = 0;
    int red = 128;
    int green = 128;
    int blue = 128;
    int gamma = 100;
    bool operator==(const RecordSettings&) const = default;
};

// What one memory region holds after a recording.
struct Recording {
    RecordSettings settings;
    int64_t startEpochMs = 0; // camera clock at sequence frame 0
    uint32_t firstSeq = 0;    // sequence number (since the recording started) of the first kept frame
    int frames = 0;           // kept frames
    int triggerIndex = -1;    // kept-frame index of the trigger frame, -1 when none or not kept
    int realFrameBase = 0;    // memory slot number of the region's first frame
};

// Per-frame values that vary along a recording or a live stream.
struct FrameStamp {
    int region = -1;     // -1 marks a live frame
    uint32_t number = 0; // drawn into the picture: index in the region, or the live frame counter
    uint32_t seq = 0;
    int64_t epochMs = 0;
    uint16_t realFrame = 0;
    bool trigger = false;
};

FrameStamp recordedStamp(const Recording& rec, int region, int index);

// Writes frameBytes(settings.imageSize) bytes: the 128-byte header and the W x H blue/green - green/red
// mosaic. Returns the byte count, 0 for an unknown image size (nothing written).
int renderFrame(const RecordSettings& settings, const FrameStamp& stamp, uint8_t* out);

// The analog input value recorded with a frame.
int16_t analogValue(int analogGain, uint32_t seq, double fps);

} // namespace zrkcam
