// Per-row building blocks of the reconstruction, in one table per arithmetic and instruction set.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gamma.h"

namespace zrk::image {

// Line buffers handed to the kernels hold this many bytes, so a vector step may run past column W - 1.
constexpr unsigned kLineCapacity = 512 + 64;

struct RowKernels {
    const char* name;
    // Fills columns 0 .. w-1 of the three line buffers for one raw row, from the row and the rows
    // directly above and below; columns 0 and w-1 become 0. oddRow: the row reads green, red, ...
    // Reads only columns 0 .. w-1 of the three rows.
    void (*interpolate)(const uint8_t* above, const uint8_t* row, const uint8_t* below, unsigned w,
                        bool oddRow, uint8_t* red, uint8_t* green, uint8_t* blue);
    // line[i] = min(255, (line[i] * gain) >> 7) for i < w; may touch up to kLineCapacity bytes.
    void (*applyGain)(uint8_t* line, unsigned w, unsigned gain);
    // Writes exactly 3 * w bytes: blue, green, red of each column.
    void (*interleave)(const uint8_t* blue, const uint8_t* green, const uint8_t* red, unsigned w,
                       uint8_t* out);
    // n pixels of blue, green, red bytes to 32-bit 0xffRRGGBB in host order; reads exactly 3 * n bytes.
    void (*bgrToRgb32)(const uint8_t* bgr, unsigned n, uint8_t* out);

    // Fused forms (null where a table has none), for w >= kFusedMinWidth. One raw row interpolated
    // and toned in one pass, columns 1 .. w-2 only (the caller writes columns 0 and w-1), straight
    // into a bitmap row (blue, green, red per pixel) or into three plane rows.
    void (*rowToBitmap)(const uint8_t* above, const uint8_t* row, const uint8_t* below, unsigned w,
                        bool oddRow, const Tone& tone, uint8_t* out);
    void (*rowToPlanes)(const uint8_t* above, const uint8_t* row, const uint8_t* below, unsigned w,
                        bool oddRow, const Tone& tone, uint8_t* blue, uint8_t* green, uint8_t* red);
    // Unsharp mask of the three planes (blue, green, red; w x h, stride w) and interleave in one pass
    // into the bitmap rows, for radius 1 .. kFusedMaxRadius; the planes are only read.
    void (*sharpenToBitmap)(const uint8_t* const planes[3], unsigned w, unsigned h, unsigned radius,
                            int factor, uint8_t* out, std::size_t stride);

    // One line of a picture drawn at twice its size: 2n pixels of 0xffRRGGBB from two source rows of n
    // such pixels weighted in quarters (weightFirst + weightSecond = 4), 3/4 and 1/4 across
    // (draw_double.cpp).
    void (*doubleLine)(const uint8_t* first, const uint8_t* second, unsigned weightFirst,
                       unsigned weightSecond, unsigned n, uint8_t* out);
};

constexpr unsigned kFusedMinWidth = 34;
constexpr unsigned kFusedMaxRadius = 3;

// Packed arithmetic: each operand halved (remainder dropped) before it is summed.
extern const RowKernels kPackedPortable;
// Scalar arithmetic: weighted sums with one final shift.
extern const RowKernels kScalar;
// Vector forms of the packed arithmetic; null where this build or this processor lacks them.
const RowKernels* packedSse2();
const RowKernels* packedAvx2();

// Shared by the vector kernels for widths too narrow for one vector step.
void interpolatePackedPortable(const uint8_t* above, const uint8_t* row, const uint8_t* below, unsigned w,
                               bool oddRow, uint8_t* red, uint8_t* green, uint8_t* blue);
void applyGainPortable(uint8_t* line, unsigned w, unsigned gain);
void bgrToRgb32Portable(const uint8_t* bgr, unsigned n, uint8_t* out);
void doubleLinePortable(const uint8_t* first, const uint8_t* second, unsigned weightFirst,
                        unsigned weightSecond, unsigned n, uint8_t* out);
// The same from source pixel `from` on, with both outermost destination pixels (vector forms' tail).
void doubleLineFrom(const uint8_t* first, const uint8_t* second, unsigned weightFirst, unsigned weightSecond,
                    unsigned n, unsigned from, uint8_t* out);
void interleavePortable(const uint8_t* blue, const uint8_t* green, const uint8_t* red, unsigned w,
                        uint8_t* out);

} // namespace zrk::image
