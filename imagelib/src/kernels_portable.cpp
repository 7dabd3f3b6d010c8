// Plain C++ kernels: the scalar arithmetic, and the packed arithmetic one byte at a time.
#include "kernels.h"

#include <cstring>

namespace zrk::image {
namespace {

inline unsigned half(unsigned x) {
    return x >> 1;
}
inline uint8_t limit(unsigned x) {
    return static_cast<uint8_t>(x > 255 ? 255 : x);
}

void interpolateScalar(const uint8_t* above, const uint8_t* row, const uint8_t* below, unsigned w,
                       bool oddRow, uint8_t* red, uint8_t* green, uint8_t* blue) {
    red[0] = green[0] = blue[0] = 0;
    for (unsigned c = 1; c + 1 < w; ++c) {
        const unsigned up = above[c], down = below[c], left = row[c - 1], right = row[c + 1];
        const unsigned diagonals = above[c - 1] + above[c + 1] + below[c - 1] + below[c + 1];
        const uint8_t centre = row[c];
        const uint8_t across = limit((64 * (left + right)) >> 7);
        const uint8_t vertical = limit((64 * (up + down)) >> 7);
        const uint8_t orthogonal = limit((32 * (up + down + left + right)) >> 7);
        const uint8_t diagonal = limit((32 * diagonals) >> 7);
        const uint8_t greenAtGreen = limit((128 * centre + 32 * diagonals) >> 8);
        const bool evenColumn = (c & 1) == 0;
        if (oddRow) {
            red[c] = evenColumn ? across : centre;
            green[c] = evenColumn ? greenAtGreen : orthogonal;
            blue[c] = evenColumn ? vertical : diagonal;
        } else {
            red[c] = evenColumn ? diagonal : vertical;
            green[c] = evenColumn ? orthogonal : greenAtGreen;
            blue[c] = evenColumn ? centre : across;
        }
    }
    red[w - 1] = green[w - 1] = blue[w - 1] = 0;
}

void applyGainScalar(uint8_t* line, unsigned w, unsigned gain) {
    for (unsigned i = 0; i < w; ++i) {
        const unsigned product = line[i] * gain;
        line[i] = product >= 32640 ? 255 : static_cast<uint8_t>(product >> 7);
    }
}

} // namespace

void interpolatePackedPortable(const uint8_t* above, const uint8_t* row, const uint8_t* below, unsigned w,
                               bool oddRow, uint8_t* red, uint8_t* green, uint8_t* blue) {
    red[0] = green[0] = blue[0] = 0;
    for (unsigned c = 1; c + 1 < w; ++c) {
        // Every sum is of two halved bytes, so it never passes 254 (the reason for this rounding).
        const unsigned vLeft = half(above[c - 1]) + half(below[c - 1]);
        const unsigned vCentre = half(above[c]) + half(below[c]);
        const unsigned vRight = half(above[c + 1]) + half(below[c + 1]);
        const unsigned diagonal = half(vLeft) + half(vRight);
        const unsigned across = half(row[c - 1]) + half(row[c + 1]);
        const unsigned orthogonal = half(vCentre) + half(across);
        const unsigned greenAtGreen = half(row[c]) + half(diagonal);
        const unsigned centre = row[c];
        const bool evenColumn = (c & 1) == 0;
        unsigned r, g, b;
        if (oddRow) {
            r = evenColumn ? across : centre;
            g = evenColumn ? greenAtGreen : orthogonal;
            b = evenColumn ? vCentre : diagonal;
        } else {
            r = evenColumn ? diagonal : vCentre;
            g = evenColumn ? orthogonal : greenAtGreen;
            b = evenColumn ? centre : across;
        }
        red[c] = static_cast<uint8_t>(r);
        green[c] = static_cast<uint8_t>(g);
        blue[c] = static_cast<uint8_t>(b);
    }
    red[w - 1] = green[w - 1] = blue[w - 1] = 0;
}

void applyGainPortable(uint8_t* line, unsigned w, unsigned gain) {
    for (unsigned i = 0; i < w; ++i)
        line[i] = limit((line[i] * gain) >> 7);
}

void interleavePortable(const uint8_t* blue, const uint8_t* green, const uint8_t* red, unsigned w,
                        uint8_t* out) {
    for (unsigned x = 0; x < w; ++x) {
        out[3 * x] = blue[x];
        out[3 * x + 1] = green[x];
        out[3 * x + 2] = red[x];
    }
}

void bgrToRgb32Portable(const uint8_t* bgr, unsigned n, uint8_t* out) {
    for (unsigned x = 0; x < n; ++x, bgr += 3, out += 4) {
        const uint32_t v = 0xff000000u | uint32_t{bgr[2]} << 16 | uint32_t{bgr[1]} << 8 | bgr[0];
        std::memcpy(out, &v, 4);
    }
}

const RowKernels kPackedPortable{"packed-portable",
                                 interpolatePackedPortable,
                                 applyGainPortable,
                                 interleavePortable,
                                 bgrToRgb32Portable,
                                 nullptr,
                                 nullptr,
                                 nullptr,
                                 doubleLinePortable};
const RowKernels kScalar{"scalar", interpolateScalar, applyGainScalar, interleavePortable, bgrToRgb32Portable,
                         nullptr,  nullptr,           nullptr,         doubleLinePortable};

} // namespace zrk::image
