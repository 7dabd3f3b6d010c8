// The record console's display rules as plain functions of the shared state: which controls the
// camera's mode and run state allow, how the region counts are coloured, where the live picture
// sits and what the record settings read. The window only applies what these return.
#pragma once

#include "base/shared_types.h"

#include <QRect>
#include <QSize>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// What "Start"'s background becomes when the buttons are updated.
enum class StartBackground { Keep, ButtonFace, Red };

struct ConsoleButtons {
    bool preview, start, stop, trigger, save, clear, record, camera, analogIn;
    StartBackground startBackground;
    bool operator==(const ConsoleButtons&) const = default;
};

// The enabled state of the console's controls, or nothing when this combination of camera mode,
// run state and data state leaves every control as it is.
std::optional<ConsoleButtons> ConsoleButtonStates(int32_t camMode, int32_t runState, int32_t dataState);

enum class RegionColour { Keep, Yellow, LightBlue, Red };
struct RegionLabel {
    QString text;
    RegionColour colour;
    bool operator==(const RegionLabel&) const = default;
};

// The four "Recorded Frame Count" labels. partition is the record mode's highest region index.
std::array<RegionLabel, 4> RegionLabels(const std::array<RegionCount, 4>& regions, int32_t runState,
                                        int32_t partition);

// Red, green, blue of a region colour (Keep has none and gives black).
uint32_t RegionColourRgb(RegionColour colour);

// Where picImage goes for an image size code: the picture (doubled for the two small sizes) with a
// 2-pixel border, centred in the 516 x 516 square at (4, 4). Nothing for an unknown code.
std::optional<QRect> PreviewArea(int32_t imageSize);
// Source and drawn size of a live frame; nothing for an unknown code.
std::optional<QSize> FrameSize(int32_t imageSize);
std::optional<QSize> DrawnSize(int32_t imageSize);

struct RecordModeCaptions {
    QString speed, shutter, size, partition, trigger, postCount;
    bool operator==(const RecordModeCaptions&) const = default;
};
// The "Record Info" captions of a record mode (an unknown code gives an empty caption).
RecordModeCaptions CaptionsOf(const RecordMode& mode);

// "Record - a.b.c.d".
QString ConsoleCaption(const std::array<uint8_t, 4>& cameraAddress);
