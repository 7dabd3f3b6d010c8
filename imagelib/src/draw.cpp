#include "draw.h"

#include <algorithm>
#include <cstring>

namespace zrk::image {
namespace {

// Weights along one axis add up to this; 4096 keeps a 2-D sum of 8-bit values within 32 bits.
constexpr uint32_t kOne = 4096;
constexpr unsigned kMaxTaps = 512 + 2;

inline uint32_t rgb32(const uint8_t* bgr) {
    return 0xff000000u | uint32_t{bgr[2]} << 16 | uint32_t{bgr[1]} << 8 | bgr[0];
}

inline uint8_t* surfaceRow(const ZRK_SURFACE& s, unsigned y) {
    return s.pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(s.stride);
}

// Source pixels that make destination pixel i along one axis: indices first .. first+count-1 with the
// weights written to weights. Shrinking averages the covered area exactly; growing interpolates
// linearly between the two nearest source centres.
unsigned axisTaps(unsigned i, unsigned src, unsigned dst, unsigned& first, uint16_t* weights) {
    if (src == dst) {
        first = i;
        weights[0] = kOne;
        return 1;
    }
    if (src > dst) {
        // Destination pixel i covers [i*src, (i+1)*src) in units of 1/dst source pixels.
        const uint64_t lo = uint64_t{i} * src, hi = lo + src;
        first = static_cast<unsigned>(lo / dst);
        const unsigned last = static_cast<unsigned>((hi - 1) / dst);
        uint64_t covered = 0;
        uint32_t assigned = 0;
        for (unsigned j = first; j <= last; ++j) {
            covered +=
                std::min<uint64_t>(hi, uint64_t{j + 1} * dst) - std::max<uint64_t>(lo, uint64_t{j} * dst);
            // Rounding the running total keeps the weights' sum exactly kOne.
            const auto total = static_cast<uint32_t>((covered * kOne + src / 2) / src);
            weights[j - first] = static_cast<uint16_t>(total - assigned);
            assigned = total;
        }
        return last - first + 1;
    }
    const int64_t numerator = int64_t{2 * i + 1} * src - dst; // centre of i in units of 1/(2*dst)
    const int64_t denominator = int64_t{2} * dst;
    if (numerator <= 0) {
        first = 0;
        weights[0] = kOne;
        return 1;
    }
    const auto left = static_cast<unsigned>(numerator / denominator);
    if (left >= src - 1) {
        first = src - 1;
        weights[0] = kOne;
        return 1;
    }
    const auto fraction = static_cast<uint32_t>(((numerator % denominator) * kOne + dst) / denominator);
    first = left;
    weights[0] = static_cast<uint16_t>(kOne - fraction);
    weights[1] = static_cast<uint16_t>(fraction);
    return 2;
}

void drawOneToOne(const BitmapView& b, const ZRK_SURFACE& s, const RowKernels& kernels) {
    for (unsigned y = 0; y < b.height; ++y)
        kernels.bgrToRgb32(b.pixels + (b.height - 1 - y) * b.stride, b.width, surfaceRow(s, y));
}

// Column table: first source column and tap count per destination column, weights back to back.
bool buildColumnTable(const BitmapView& b, unsigned dw, const ScaleScratch& scratch) {
    if (scratch.spanCapacity < 2 * std::size_t{dw}) return false;
    std::size_t used = 0;
    for (unsigned x = 0; x < dw; ++x) {
        if (scratch.weightCapacity - used < kMaxTaps) return false;
        unsigned first = 0;
        const unsigned count = axisTaps(x, b.width, dw, first, scratch.weights + used);
        scratch.spans[2 * x] = static_cast<uint16_t>(first);
        scratch.spans[2 * x + 1] = static_cast<uint16_t>(count);
        used += count;
    }
    return true;
}

inline uint8_t finish(uint32_t sum) {
    return static_cast<uint8_t>(std::min<uint32_t>(255, (sum + (1u << 23)) >> 24));
}

inline void putPixel(uint8_t* dst, uint32_t blue, uint32_t green, uint32_t red) {
    const uint8_t bgr[3] = {finish(blue), finish(green), finish(red)};
    const uint32_t v = rgb32(bgr);
    std::memcpy(dst, &v, 4);
}

// Two passes: each source row filtered across once (kept while the next destination row may need it),
// then each destination row as a weighted sum of those.
void drawSeparable(const BitmapView& b, const ZRK_SURFACE& s, unsigned dw, unsigned dh,
                   const ScaleScratch& scratch) {
    const std::size_t rowLength = 3 * std::size_t{dw};
    uint32_t* cache[2] = {scratch.rows, scratch.rows + rowLength};
    long cachedRow[2] = {-1, -1};
    uint32_t* sum = scratch.rows + 2 * rowLength;

    auto filteredRow = [&](unsigned j) -> const uint32_t* {
        for (int i = 0; i < 2; ++i)
            if (cachedRow[i] == static_cast<long>(j)) return cache[i];
        const int slot = cachedRow[0] < cachedRow[1] ? 0 : 1; // rows only move down: drop the older
        cachedRow[slot] = j;
        uint32_t* out = cache[slot];
        const uint8_t* src = b.pixels + (b.height - 1 - j) * b.stride; // picture row j, stored bottom-up
        const uint16_t* weights = scratch.weights;
        for (unsigned x = 0; x < dw; ++x, out += 3) {
            const uint8_t* p = src + 3 * std::size_t{scratch.spans[2 * x]};
            const unsigned columns = scratch.spans[2 * x + 1];
            uint32_t blue = 0, green = 0, red = 0;
            for (unsigned tx = 0; tx < columns; ++tx, p += 3) {
                blue += weights[tx] * uint32_t{p[0]};
                green += weights[tx] * uint32_t{p[1]};
                red += weights[tx] * uint32_t{p[2]};
            }
            weights += columns;
            out[0] = blue;
            out[1] = green;
            out[2] = red;
        }
        return cache[slot];
    };

    uint16_t rowWeights[kMaxTaps];
    for (unsigned y = 0; y < dh; ++y) {
        unsigned firstRow = 0;
        const unsigned rows = axisTaps(y, b.height, dh, firstRow, rowWeights);
        std::fill(sum, sum + rowLength, 0u);
        for (unsigned ty = 0; ty < rows; ++ty) {
            const uint32_t* row = filteredRow(firstRow + ty);
            const uint32_t weight = rowWeights[ty];
            for (std::size_t i = 0; i < rowLength; ++i)
                sum[i] += weight * row[i];
        }
        uint8_t* dst = surfaceRow(s, y);
        for (unsigned x = 0; x < dw; ++x)
            putPixel(dst + 4 * x, sum[3 * x], sum[3 * x + 1], sum[3 * x + 2]);
    }
}

// Without room for row sums: every destination pixel straight from its source pixels.
void drawDirect(const BitmapView& b, const ZRK_SURFACE& s, unsigned dw, unsigned dh,
                const ScaleScratch& scratch) {
    uint16_t rowWeights[kMaxTaps];
    for (unsigned y = 0; y < dh; ++y) {
        unsigned firstRow = 0;
        const unsigned rows = axisTaps(y, b.height, dh, firstRow, rowWeights);
        uint8_t* dst = surfaceRow(s, y);
        const uint16_t* weights = scratch.weights;
        for (unsigned x = 0; x < dw; ++x) {
            const unsigned firstColumn = scratch.spans[2 * x], columns = scratch.spans[2 * x + 1];
            uint32_t sum[3] = {0, 0, 0};
            for (unsigned ty = 0; ty < rows; ++ty) {
                const uint8_t* src = b.pixels + (b.height - 1 - (firstRow + ty)) * b.stride + 3 * firstColumn;
                uint32_t row[3] = {0, 0, 0};
                for (unsigned tx = 0; tx < columns; ++tx)
                    for (int c = 0; c < 3; ++c)
                        row[c] += weights[tx] * uint32_t{src[3 * tx + c]};
                for (int c = 0; c < 3; ++c)
                    sum[c] += rowWeights[ty] * row[c];
            }
            weights += columns;
            putPixel(dst + 4 * x, sum[0], sum[1], sum[2]);
        }
    }
}

} // namespace

int drawScaled(const BitmapView& b, const ZRK_SURFACE& s, unsigned dw, unsigned dh,
               const ScaleScratch& scratch) {
    if (!buildColumnTable(b, dw, scratch)) return ZRK_STATUS_SCALE;
    if (scratch.rows && scratch.rowCapacity >= 9 * std::size_t{dw})
        drawSeparable(b, s, dw, dh, scratch);
    else
        drawDirect(b, s, dw, dh, scratch);
    return ZRK_STATUS_OK;
}

int checkDrawTarget(const ZRK_SURFACE* surface, unsigned width4, unsigned h, int16_t dispW, int16_t dispH) {
    if (!surface || !surface->pixels || surface->width <= 0 || surface->height <= 0 ||
        surface->stride % 4 != 0 || int64_t{surface->stride} < int64_t{surface->width} * 4 ||
        reinterpret_cast<uintptr_t>(surface->pixels) % 4 != 0)
        return ZRK_STATUS_SURFACE;
    if (dispW == static_cast<int16_t>(width4) && dispH == static_cast<int16_t>(h))
        return width4 <= static_cast<unsigned>(surface->width) && h <= static_cast<unsigned>(surface->height)
                   ? ZRK_STATUS_OK
                   : ZRK_STATUS_SURFACE;
    if (dispW <= 0 || dispH <= 0) return ZRK_STATUS_SCALE;
    if (dispW > surface->width || dispH > surface->height) return ZRK_STATUS_SURFACE;
    return ZRK_STATUS_OK;
}

int drawBitmap(const BitmapView& bitmap, const ZRK_SURFACE& surface, int16_t dispW, int16_t dispH,
               const ScaleScratch& scratch, const RowKernels& kernels) {
    if (dispW == static_cast<int16_t>(bitmap.width) && dispH == static_cast<int16_t>(bitmap.height)) {
        drawOneToOne(bitmap, surface, kernels);
        return ZRK_STATUS_OK;
    }
    if (dispW <= 0 || dispH <= 0) return ZRK_STATUS_SCALE;
    if (static_cast<unsigned>(dispW) == 2 * bitmap.width &&
        static_cast<unsigned>(dispH) == 2 * bitmap.height && drawDoubled(bitmap, surface, kernels))
        return ZRK_STATUS_OK;
    return drawScaled(bitmap, surface, static_cast<unsigned>(dispW), static_cast<unsigned>(dispH), scratch);
}

} // namespace zrk::image
