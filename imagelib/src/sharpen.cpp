#include "sharpen.h"

#include <algorithm>

namespace zrk::image {
namespace {

// Radius 1 divides only by 4, 6 and 9, sums of at most 9 * 255. Over that range the multiplies below
// give the exact quotients, and unlike divisions they vectorise.
constexpr unsigned divide(unsigned x, unsigned divisor) {
    return divisor == 9 ? (x * 7282u) >> 16 : divisor == 6 ? (x * 10923u) >> 16 : x >> 2;
}

constexpr bool exactUpTo(unsigned divisor, unsigned largest) {
    for (unsigned x = 0; x <= largest; ++x)
        if (divide(x, divisor) != x / divisor) return false;
    return true;
}
static_assert(exactUpTo(9, 9 * 255) && exactUpTo(6, 6 * 255) && exactUpTo(4, 4 * 255));

template <unsigned Rows> void blurRowRadius1(const uint16_t* columnSums, unsigned w, uint8_t* out) {
    out[0] = static_cast<uint8_t>(divide(columnSums[0] + columnSums[1], 2 * Rows));
    for (unsigned x = 1; x + 1 < w; ++x)
        out[x] =
            static_cast<uint8_t>(divide(columnSums[x - 1] + columnSums[x] + columnSums[x + 1], 3 * Rows));
    out[w - 1] = static_cast<uint8_t>(divide(columnSums[w - 2] + columnSums[w - 1], 2 * Rows));
}

void blurRadius1(const uint8_t* plane, unsigned w, unsigned h, uint8_t* blur) {
    uint16_t sums[512];
    for (unsigned y = 0; y < h; ++y) {
        const unsigned top = y == 0 ? 0 : y - 1;
        const unsigned bottom = std::min(h - 1, y + 1);
        const uint8_t* a = plane + top * w;
        const uint8_t* c = plane + bottom * w;
        if (bottom - top == 2) {
            const uint8_t* b = plane + y * w;
            for (unsigned x = 0; x < w; ++x)
                sums[x] = static_cast<uint16_t>(a[x] + b[x] + c[x]);
            blurRowRadius1<3>(sums, w, blur + y * w);
        } else {
            for (unsigned x = 0; x < w; ++x) // y is top or bottom itself
                sums[x] = static_cast<uint16_t>(a[x] + c[x]);
            blurRowRadius1<2>(sums, w, blur + y * w);
        }
    }
}

// Any radius: running column sums over the clipped rows, then a clipped window along the row.
void blurAnyRadius(const uint8_t* plane, unsigned w, unsigned h, unsigned radius, uint8_t* blur) {
    uint32_t sums[512] = {};
    unsigned top = 0, bottom = 0; // rows [top, bottom) are in sums
    for (unsigned y = 0; y < h; ++y) {
        const unsigned wantTop = y > radius ? y - radius : 0;
        const unsigned wantBottom = std::min(h, y + radius + 1);
        for (; bottom < wantBottom; ++bottom)
            for (unsigned x = 0; x < w; ++x)
                sums[x] += plane[bottom * w + x];
        for (; top < wantTop; ++top)
            for (unsigned x = 0; x < w; ++x)
                sums[x] -= plane[top * w + x];
        const unsigned rows = bottom - top;
        // Window [left, right) along the row, slid one column at a time.
        unsigned left = 0, right = 0;
        uint32_t window = 0;
        for (unsigned x = 0; x < w; ++x) {
            const unsigned wantLeft = x > radius ? x - radius : 0;
            const unsigned wantRight = std::min(w, x + radius + 1);
            for (; right < wantRight; ++right)
                window += sums[right];
            for (; left < wantLeft; ++left)
                window -= sums[left];
            blur[y * w + x] = static_cast<uint8_t>(window / (rows * (right - left)));
        }
    }
}

void sharpenPlane(uint8_t* plane, const uint8_t* blur, unsigned count, int factor) {
    for (unsigned i = 0; i < count; ++i) {
        const int value = plane[i];
        const int result = value + (value - static_cast<int>(blur[i])) * factor;
        plane[i] = static_cast<uint8_t>(std::clamp(result, 0, 255));
    }
}

} // namespace

void unsharpMask(uint8_t* const planes[3], uint8_t* const blur[3], unsigned w, unsigned h, int radius,
                 int strength) {
    const int factor = strength / 100; // whole-number factor: 50 and 150 act as 0 and 1
    if (radius <= 0 || factor == 0) return;
    // Beyond the plane's own size a larger square sums the same pixels.
    const unsigned r = std::min<unsigned>(static_cast<unsigned>(radius), std::max(w, h));
    for (int p = 0; p < 3; ++p) {
        if (r == 1)
            blurRadius1(planes[p], w, h, blur[p]);
        else
            blurAnyRadius(planes[p], w, h, r, blur[p]);
    }
    for (int p = 0; p < 3; ++p)
        sharpenPlane(planes[p], blur[p], w * h, factor);
}

} // namespace zrk::image
