#include "reconstruct.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "gamma.h"
#include "geometry.h"
#include "sharpen.h"

namespace zrk::image {
namespace {

void applyGamma(uint8_t* line, unsigned w, const uint8_t* table) {
    // Column 0 keeps its 0; the curve applies from column 1 on.
    for (unsigned c = 1; c < w; ++c)
        line[c] = table[line[c]];
}

void interleavePlanes(const Planes& planes, unsigned w, unsigned h, uint8_t* out, const RowKernels& kernels) {
    const std::size_t stride = bitmapStride(w);
    for (unsigned k = 0; k < h; ++k)
        kernels.interleave(planes.blue + k * w, planes.green + k * w, planes.red + k * w, w,
                           out + k * stride);
}

// Stage after stage on line buffers: the form every table has, and the reference for the fused one.
void reconstructStaged(const uint8_t* raw, uint8_t* out, unsigned w, unsigned h, Gains gains, unsigned gamma,
                       bool sharpening, const Planes& planes, const RowKernels& kernels) {
    const uint8_t* table = gamma == 100 ? nullptr : gammaTable(gamma);
    const std::size_t stride = bitmapStride(w);

    alignas(32) uint8_t lines[3][kLineCapacity];
    uint8_t* const red = lines[0];
    uint8_t* const green = lines[1];
    uint8_t* const blue = lines[2];
    const uint8_t gain[3] = {gains.red, gains.green, gains.blue};

    // Raw row r becomes plane (and bitmap) row h-1-r: the bitmap is stored bottom-up. Without
    // sharpening a finished line goes straight to the output; the unsharp mask needs whole planes.
    for (unsigned r = 0; r < h; ++r) {
        const unsigned planeRow = h - 1 - r;
        if (r == 0 || r == h - 1) {
            // The outermost rows have no neighbour on one side: black.
            std::memset(lines, 0, sizeof lines);
        } else {
            kernels.interpolate(raw + (r - 1) * w, raw + r * w, raw + (r + 1) * w, w, (r & 1) != 0, red,
                                green, blue);
            for (int p = 0; p < 3; ++p)
                if (gain[p] != 128) kernels.applyGain(lines[p], w, gain[p]);
        }
        if (table && planeRow >= 1)
            for (auto* line : {red, green, blue})
                applyGamma(line, w, table);
        if (sharpening) {
            std::memcpy(planes.red + planeRow * w, red, w);
            std::memcpy(planes.green + planeRow * w, green, w);
            std::memcpy(planes.blue + planeRow * w, blue, w);
        } else {
            kernels.interleave(blue, green, red, w, out + planeRow * stride);
        }
    }
}

// Gains and gamma folded into one table per colour, built once here and applied inside the vector pass.
// Black after the tone (the curve may lift it: gamma 0) fills column w-1 and the top picture line, as
// the staged form gives them; column 0 and the bottom line stay 0.
void reconstructFused(const uint8_t* raw, uint8_t* out, unsigned w, unsigned h, Gains gains, unsigned gamma,
                      bool sharpening, const Planes& planes, const RowKernels& kernels) {
    Tone tone;
    const uint8_t gain[3] = {gains.blue, gains.green, gains.red};
    makeTone(gain, gamma, tone);
    uint8_t black[3] = {0, 0, 0};
    if (tone.kind == Tone::Kind::Table)
        for (int c = 0; c < 3; ++c)
            black[c] = tone.table[c][0];
    const std::size_t stride = bitmapStride(w);

    for (unsigned r = 0; r < h; ++r) {
        const unsigned planeRow = h - 1 - r;
        const bool inner = r != 0 && r != h - 1;
        const uint8_t* above = raw + (r - 1) * w;
        const uint8_t* row = raw + r * w;
        const uint8_t* below = raw + (r + 1) * w;
        if (sharpening) {
            uint8_t* const plane[3] = {planes.blue + planeRow * w, planes.green + planeRow * w,
                                       planes.red + planeRow * w};
            if (inner)
                kernels.rowToPlanes(above, row, below, w, (r & 1) != 0, tone, plane[0], plane[1], plane[2]);
            for (int c = 0; c < 3; ++c) {
                if (!inner) std::memset(plane[c] + 1, r == 0 ? black[c] : 0, w - 2);
                plane[c][0] = 0;
                plane[c][w - 1] = r == h - 1 ? 0 : black[c];
            }
            continue;
        }
        uint8_t* const line = out + planeRow * stride;
        if (inner) kernels.rowToBitmap(above, row, below, w, (r & 1) != 0, tone, line);
        const uint8_t fill = r == h - 1 ? 0 : 1; // the bottom line is black whatever the tone
        for (unsigned x = inner ? w - 1 : 1; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                line[3 * x + c] = fill ? black[c] : 0;
        line[0] = line[1] = line[2] = 0;
    }
}

} // namespace

bool reconstructFrame(const uint8_t* raw, uint8_t* out, unsigned w, unsigned h, Gains gains, unsigned gamma,
                      Sharpen sharpen, const Planes& planes, const RowKernels& kernels) {
    if (!frameSizeSupported(w, h)) return false;
    const int factor = sharpen.strength / 100; // whole-number factor: 50 and 150 act as 0 and 1
    const bool sharpening = sharpen.radius > 0 && factor != 0;
    const bool fused = kernels.rowToBitmap && w >= kFusedMinWidth;
    if (fused)
        reconstructFused(raw, out, w, h, gains, gamma, sharpening, planes, kernels);
    else
        reconstructStaged(raw, out, w, h, gains, gamma, sharpening, planes, kernels);
    if (!sharpening) return true;

    // Beyond the plane's own size a larger square sums the same pixels.
    const unsigned radius = std::min<unsigned>(static_cast<unsigned>(sharpen.radius), std::max(w, h));
    if (fused && kernels.sharpenToBitmap && radius <= kFusedMaxRadius) {
        const uint8_t* const colour[3] = {planes.blue, planes.green, planes.red};
        kernels.sharpenToBitmap(colour, w, h, radius, factor, out, bitmapStride(w));
        return true;
    }
    uint8_t* const colour[3] = {planes.red, planes.green, planes.blue};
    unsharpMask(colour, planes.blur, w, h, static_cast<int>(radius), sharpen.strength);
    // Only now may the output be written: it may share memory with the blur planes.
    interleavePlanes(planes, w, h, out, kernels);
    return true;
}

} // namespace zrk::image
