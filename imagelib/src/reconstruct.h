// ReconstructFrame: raw mosaic frame to the pixel array of a bottom-up 24-bit bitmap.
#pragma once

#include <cstdint>

#include "kernels.h"

namespace zrk::image {

// White-balance gains, 128 = unity.
struct Gains {
    uint8_t blue;
    uint8_t green;
    uint8_t red;
};

// Gains as the frame header and the callers give them: 16-bit, anything from 256 up acts as 255.
constexpr uint8_t limitGain(unsigned gain) {
    return static_cast<uint8_t>(gain > 255 ? 255 : gain);
}

// Working memory of one reconstruction. Colour planes: at least w * h bytes each; blur planes:
// w * h bytes each, and they may share memory with the output (the output is written last).
struct Planes {
    uint8_t* red;
    uint8_t* green;
    uint8_t* blue;
    uint8_t* blur[3];
};

struct Sharpen {
    int radius;
    int strength;
};

// Writes bitmapStride(w) * h bytes to out, bitmap row 0 being the bottom line of the picture. raw holds
// w * h bytes, top row first. Returns false, touching nothing, for a size frameSizeSupported refuses.
bool reconstructFrame(const uint8_t* raw, uint8_t* out, unsigned w, unsigned h, Gains gains, unsigned gamma,
                      Sharpen sharpen, const Planes& planes, const RowKernels& kernels);

} // namespace zrk::image
