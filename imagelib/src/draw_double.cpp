// Drawing at exactly twice the bitmap's size, the live picture's case (200 x 200 shown at 400 x 400).
// Each destination pixel lies a quarter of a source pixel from its nearest source centre, so the
// general scaler's linear weights are 3/4 and 1/4 along each axis (one source pixel alone at the
// outermost destination pixels). Its rounding, (sum * 4096 * 4096 / 16 + 2^23) >> 24, is then exactly
// (sum + 8) >> 4 with the weights counted in quarters: the same pixels, from 16-bit sums.
#include "draw.h"

#include <cstring>

namespace zrk::image {
namespace {

// Source row j and weight (in quarters) of the two rows that make destination line y of 2h lines.
struct RowPair {
    unsigned first, second, weightFirst, weightSecond;
};

RowPair rowsFor(unsigned y, unsigned h) {
    if (y == 0) return {0, 0, 4, 0};
    if (y == 2 * h - 1) return {h - 1, h - 1, 4, 0};
    const unsigned j = (y - 1) / 2;
    return (y & 1) ? RowPair{j, j + 1, 3, 1} : RowPair{j, j + 1, 1, 3};
}

inline uint8_t finish(unsigned sum) {
    return static_cast<uint8_t>((sum + 8) >> 4);
}

} // namespace

void doubleLineFrom(const uint8_t* first, const uint8_t* second, unsigned weightFirst, unsigned weightSecond,
                    unsigned n, unsigned from, uint8_t* out) {
    const auto v = [&](unsigned x, int c) {
        return weightFirst * first[4 * x + c] + weightSecond * second[4 * x + c];
    };
    for (int c = 0; c < 4; ++c) {
        out[c] = finish(4 * v(0, c));
        out[4 * (2 * n - 1) + c] = finish(4 * v(n - 1, c));
    }
    for (unsigned x = from; x + 1 < n; ++x)
        for (int c = 0; c < 4; ++c) {
            const unsigned a = v(x, c), b = v(x + 1, c);
            out[4 * (2 * x + 1) + c] = finish(3 * a + b);
            out[4 * (2 * x + 2) + c] = finish(a + 3 * b);
        }
}

void doubleLinePortable(const uint8_t* first, const uint8_t* second, unsigned weightFirst,
                        unsigned weightSecond, unsigned n, uint8_t* out) {
    doubleLineFrom(first, second, weightFirst, weightSecond, n, 0, out);
}

bool drawDoubled(const BitmapView& b, const ZRK_SURFACE& s, const RowKernels& kernels) {
    constexpr unsigned kMaxPixels = 1024;
    const unsigned w = b.width, h = b.height;
    if (w == 0 || h == 0 || w > kMaxPixels) return false;
    // The two source rows in use as 0xffRRGGBB (alpha comes out 255 again: 16 quarters of 255, rounded).
    alignas(16) uint8_t rows[2][4 * kMaxPixels];
    long cached[2] = {-1, -1};
    auto rgb32Row = [&](unsigned j) -> const uint8_t* {
        for (int i = 0; i < 2; ++i)
            if (cached[i] == static_cast<long>(j)) return rows[i];
        const int slot = cached[0] < cached[1] ? 0 : 1; // rows only move down: drop the older
        cached[slot] = j;
        kernels.bgrToRgb32(b.pixels + (h - 1 - j) * b.stride, w, rows[slot]); // picture row j, bottom-up
        return rows[slot];
    };
    for (unsigned y = 0; y < 2 * h; ++y) {
        const RowPair p = rowsFor(y, h);
        const uint8_t* first = rgb32Row(p.first);
        const uint8_t* second = rgb32Row(p.second);
        kernels.doubleLine(first, second, p.weightFirst, p.weightSecond, w,
                           s.pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(s.stride));
    }
    return true;
}

} // namespace zrk::image
