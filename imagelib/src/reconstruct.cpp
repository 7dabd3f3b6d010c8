#include "reconstruct.h"

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

} // namespace

bool reconstructFrame(const uint8_t* raw, uint8_t* out, unsigned w, unsigned h, Gains gains, unsigned gamma,
                      Sharpen sharpen, const Planes& planes, const RowKernels& kernels) {
    if (!frameSizeSupported(w, h)) return false;
    const uint8_t* table = gamma == 100 ? nullptr : gammaTable(gamma);
    const bool sharpening = sharpen.radius > 0 && sharpen.strength / 100 != 0;
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

    if (sharpening) {
        uint8_t* const colour[3] = {planes.red, planes.green, planes.blue};
        unsharpMask(colour, planes.blur, w, h, sharpen.radius, sharpen.strength);
        // Only now may the output be written: it may share memory with the blur planes.
        for (unsigned k = 0; k < h; ++k)
            kernels.interleave(planes.blue + k * w, planes.green + k * w, planes.red + k * w, w,
                               out + k * stride);
    }
    return true;
}

} // namespace zrk::image
