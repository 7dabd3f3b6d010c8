// Fixed code tables of the camera: image sizes, rate and shutter codes, region capacities.
#pragma once

#include <cstdint>

namespace zrkcam {

struct ImageSizeInfo {
    int width;
    int height;
    int baseRate; // frames per second that rate code 0 means
};

constexpr int kImageSizeCount = 4;
constexpr int kFrameHeaderBytes = 128;
constexpr int kMaxFrameBytes = 512 * 512 + kFrameHeaderBytes;

// Returns nullptr for a code outside 0..3.
const ImageSizeInfo* imageSize(int code);
int frameBytes(int sizeCode); // header + W*H, 0 for an unknown size

int64_t memoryBytes(int memoryCode); // 0 for an unknown code
int regionCapacity(int memoryCode, int sizeCode, int partition);

// A rate code of 0..2 is a high-speed rate, anything larger a slow one.
bool isHighRate(int rateCode);
bool rateValidForSize(int sizeCode, int rateCode);
bool shutterValid(int sizeCode, int rateCode, int shutterCode);
// True when the shutter code is the first of its list ("Open" fast, "1/30" slow): only then the strobe is
// used.
bool shutterIsFirst(int rateCode, int shutterCode);

// Nominal recording rate in frames per second (slow rates give fractions).
double frameRate(int sizeCode, int rateCode);

int gammaValue(int index); // 0 for an unknown index

struct Rgb {
    int red;
    int green;
    int blue;
};
Rgb presetRgb(int preset);

} // namespace zrkcam
