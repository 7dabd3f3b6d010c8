// Packed arithmetic with SSE2: 16 columns per step.
#include "kernels.h"

#include <emmintrin.h>

namespace zrk::image {
namespace {

inline __m128i load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void store(uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}
inline __m128i half(__m128i x) {
    return _mm_and_si128(_mm_srli_epi16(x, 1), _mm_set1_epi8(0x7f));
}
inline __m128i add(__m128i a, __m128i b) {
    return _mm_add_epi8(a, b);
}
inline __m128i pick(__m128i mask, __m128i ifSet, __m128i ifClear) {
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
}

// Columns c .. c+15; reads columns c-1 .. c+16 of the three rows.
inline void step(const uint8_t* above, const uint8_t* row, const uint8_t* below, unsigned c, bool oddRow,
                 uint8_t* red, uint8_t* green, uint8_t* blue) {
    // Lanes at even columns: the odd lanes when c is odd.
    const __m128i even = _mm_set1_epi16((c & 1) ? static_cast<short>(0xff00) : 0x00ff);
    const __m128i vLeft = add(half(load(above + c - 1)), half(load(below + c - 1)));
    const __m128i vCentre = add(half(load(above + c)), half(load(below + c)));
    const __m128i vRight = add(half(load(above + c + 1)), half(load(below + c + 1)));
    const __m128i centre = load(row + c);
    const __m128i diagonal = add(half(vLeft), half(vRight));
    const __m128i across = add(half(load(row + c - 1)), half(load(row + c + 1)));
    const __m128i orthogonal = add(half(vCentre), half(across));
    const __m128i greenAtGreen = add(half(centre), half(diagonal));
    if (oddRow) {
        store(red + c, pick(even, across, centre));
        store(green + c, pick(even, greenAtGreen, orthogonal));
        store(blue + c, pick(even, vCentre, diagonal));
    } else {
        store(red + c, pick(even, diagonal, vCentre));
        store(green + c, pick(even, orthogonal, greenAtGreen));
        store(blue + c, pick(even, centre, across));
    }
}

void interpolate(const uint8_t* above, const uint8_t* row, const uint8_t* below, unsigned w, bool oddRow,
                 uint8_t* red, uint8_t* green, uint8_t* blue) {
    constexpr unsigned lanes = 16;
    if (w < lanes + 2) {
        interpolatePackedPortable(above, row, below, w, oddRow, red, green, blue);
        return;
    }
    unsigned c = 1;
    for (; c + lanes <= w - 1; c += lanes)
        step(above, row, below, c, oddRow, red, green, blue);
    // The last step overlaps the previous one so that no read passes column w-1.
    if (c < w - 1) step(above, row, below, w - 1 - lanes, oddRow, red, green, blue);
    red[0] = green[0] = blue[0] = 0;
    red[w - 1] = green[w - 1] = blue[w - 1] = 0;
}

void applyGain(uint8_t* line, unsigned w, unsigned gain) {
    const __m128i factor = _mm_set1_epi16(static_cast<short>(gain));
    const __m128i zero = _mm_setzero_si128();
    for (unsigned i = 0; i < w; i += 16) {
        const __m128i v = load(line + i);
        const __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(v, zero), factor), 7);
        const __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(v, zero), factor), 7);
        store(line + i, _mm_packus_epi16(lo, hi)); // saturation gives the limit of 255
    }
}

} // namespace

const RowKernels* packedSse2() {
    static const RowKernels kernels{"packed-sse2",      interpolate, applyGain, interleavePortable,
                                    bgrToRgb32Portable, nullptr,     nullptr,   nullptr,
                                    doubleLinePortable};
    return &kernels;
}

} // namespace zrk::image
