// Drawing at exactly twice the bitmap's size, the live picture's case (200 x 200 shown at 400 x 400).
// Each destination pixel lies a quarter of a source pixel from its nearest source centre, so the
// general scaler's linear weights are 3/4 and 1/4 along each axis (one source pixel alone at the
// outermost destination pixels). Its rounding, (sum * 4096 * 4096 / 16 + 2^23) >> 24, is then exactly
// (sum + 8) >> 4 with the weights counted in quarters: the same pixels, from 16-bit sums.
#include "draw.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Destination pixels 1 .. 2n-2 of one line from the vertical sums v (four 16-bit values per source
// pixel, weights in quarters): pixel 2x+1 = 3/4 of x and 1/4 of x+1, pixel 2x+2 the other way round.
// Returns the first source pixel x it has not done; the caller finishes from there.
unsigned doubleAcrossVector(const uint16_t* v, unsigned n, uint8_t* out) {
    unsigned x = 0;
#if defined(__SSE2__)
    // One step: source pixels x, x+1 and x+1, x+2 as two 64-bit halves each
    //   here = [V(x)   | V(x+1)]   next = [V(x+1) | V(x+2)]
    //   odd  = 3 here + next -> [out 2x+1 | out 2x+3]; even = here + 3 next -> [out 2x+2 | out 2x+4]
    const __m128i rounding = _mm_set1_epi16(8);
    for (; x + 2 < n; x += 2) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + 4 * x));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + 4 * x + 4));
        const __m128i odd = _mm_add_epi16(_mm_add_epi16(_mm_slli_epi16(here, 1), here), next);
        const __m128i even = _mm_add_epi16(_mm_add_epi16(_mm_slli_epi16(next, 1), next), here);
        const __m128i first = _mm_srli_epi16(_mm_add_epi16(_mm_unpacklo_epi64(odd, even), rounding), 4);
        const __m128i second = _mm_srli_epi16(_mm_add_epi16(_mm_unpackhi_epi64(odd, even), rounding), 4);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * (2 * x + 1)), _mm_packus_epi16(first, second));
    }
#endif
    return x;
}

// Vertical sums of two rows of n bytes with weights in quarters.
void sumRows(const uint8_t* first, const uint8_t* second, unsigned weightFirst, unsigned weightSecond,
             unsigned n, uint16_t* sums) {
    unsigned i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i wf = _mm_set1_epi16(static_cast<short>(weightFirst));
    const __m128i ws = _mm_set1_epi16(static_cast<short>(weightSecond));
    for (; i + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(second + i));
        const __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), wf),
                                         _mm_mullo_epi16(_mm_unpacklo_epi8(b, zero), ws));
        const __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(a, zero), wf),
                                         _mm_mullo_epi16(_mm_unpackhi_epi8(b, zero), ws));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + i), lo);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + i + 8), hi);
    }
#endif
    for (; i < n; ++i)
        sums[i] = static_cast<uint16_t>(weightFirst * first[i] + weightSecond * second[i]);
}

void doubleLine(const uint16_t* v, unsigned n, uint8_t* out) {
    for (int c = 0; c < 4; ++c)
        out[c] = finish(4 * v[c]);
    for (unsigned x = doubleAcrossVector(v, n, out); x + 1 < n; ++x)
        for (int c = 0; c < 4; ++c) {
            const unsigned a = v[4 * x + c], b = v[4 * x + 4 + c];
            out[4 * (2 * x + 1) + c] = finish(3 * a + b);
            out[4 * (2 * x + 2) + c] = finish(a + 3 * b);
        }
    for (int c = 0; c < 4; ++c)
        out[4 * (2 * n - 1) + c] = finish(4 * v[4 * (n - 1) + c]);
}

} // namespace

bool drawDoubled(const BitmapView& b, const ZRK_SURFACE& s, const RowKernels& kernels) {
    constexpr unsigned kMaxPixels = 1024;
    const unsigned w = b.width, h = b.height;
    if (w == 0 || h == 0 || w > kMaxPixels) return false;
    // The two source rows in use as 0xffRRGGBB (alpha comes out 255 again: 16 quarters of 255, rounded).
    alignas(16) uint8_t rows[2][4 * kMaxPixels];
    long cached[2] = {-1, -1};
    alignas(16) uint16_t sums[4 * kMaxPixels];
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
        sumRows(first, second, p.weightFirst, p.weightSecond, 4 * w, sums);
        doubleLine(sums, w, s.pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(s.stride));
    }
    return true;
}

} // namespace zrk::image
