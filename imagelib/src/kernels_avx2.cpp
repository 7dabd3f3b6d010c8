// Packed arithmetic with AVX2: 32 columns per step. Built with -mavx2; only called after the
// processor has been asked for AVX2.
#include "kernels_avx2.h"

namespace zrk::image {
namespace {

inline __m256i load(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
inline void store(uint8_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}
inline __m256i half(__m256i x) {
    return _mm256_and_si256(_mm256_srli_epi16(x, 1), _mm256_set1_epi8(0x7f));
}
inline __m256i add(__m256i a, __m256i b) {
    return _mm256_add_epi8(a, b);
}
inline __m256i pick(__m256i mask, __m256i ifSet, __m256i ifClear) {
    return _mm256_blendv_epi8(ifClear, ifSet, mask);
}

inline void step(const uint8_t* above, const uint8_t* row, const uint8_t* below, unsigned c, bool oddRow,
                 uint8_t* red, uint8_t* green, uint8_t* blue) {
    const __m256i even = _mm256_set1_epi16((c & 1) ? static_cast<short>(0xff00) : 0x00ff);
    const __m256i vLeft = add(half(load(above + c - 1)), half(load(below + c - 1)));
    const __m256i vCentre = add(half(load(above + c)), half(load(below + c)));
    const __m256i vRight = add(half(load(above + c + 1)), half(load(below + c + 1)));
    const __m256i centre = load(row + c);
    const __m256i diagonal = add(half(vLeft), half(vRight));
    const __m256i across = add(half(load(row + c - 1)), half(load(row + c + 1)));
    const __m256i orthogonal = add(half(vCentre), half(across));
    const __m256i greenAtGreen = add(half(centre), half(diagonal));
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
    constexpr unsigned lanes = 32;
    if (w < lanes + 2) {
        packedSse2()->interpolate(above, row, below, w, oddRow, red, green, blue);
        return;
    }
    unsigned c = 1;
    for (; c + lanes <= w - 1; c += lanes)
        step(above, row, below, c, oddRow, red, green, blue);
    if (c < w - 1) step(above, row, below, w - 1 - lanes, oddRow, red, green, blue);
    red[0] = green[0] = blue[0] = 0;
    red[w - 1] = green[w - 1] = blue[w - 1] = 0;
}

void applyGain(uint8_t* line, unsigned w, unsigned gain) {
    const __m256i factor = _mm256_set1_epi16(static_cast<short>(gain));
    const __m256i zero = _mm256_setzero_si256();
    for (unsigned i = 0; i < w; i += 32) {
        const __m256i v = load(line + i);
        const __m256i lo = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(v, zero), factor), 7);
        const __m256i hi = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(v, zero), factor), 7);
        store(line + i, _mm256_packus_epi16(lo, hi)); // unpack and pack both work per 128-bit lane
    }
}

// Byte shuffles that spread 16 bytes of one colour over the three 16-byte blocks of 16 BGR pixels.
// Plain arrays: this file is built for AVX2, and library templates instantiated here could be shared
// with code that runs on processors without it.
struct ShuffleMasks {
    alignas(32) uint8_t mask[3][3][32]; // [block][colour], the same pattern in both 128-bit lanes
};

constexpr ShuffleMasks makeMasks() {
    ShuffleMasks m{};
    for (unsigned block = 0; block < 3; ++block)
        for (unsigned byte = 0; byte < 16; ++byte) {
            const unsigned n = 16 * block + byte, pixel = n / 3, colour = n % 3;
            for (unsigned c = 0; c < 3; ++c) {
                const uint8_t v = c == colour ? static_cast<uint8_t>(pixel) : 0x80;
                m.mask[block][c][byte] = v;
                m.mask[block][c][byte + 16] = v;
            }
        }
    return m;
}

constexpr ShuffleMasks kMasks = makeMasks();

void interleave(const uint8_t* blue, const uint8_t* green, const uint8_t* red, unsigned w, uint8_t* out) {
    unsigned x = 0;
    for (; x + 32 <= w; x += 32) {
        const __m256i b = load(blue + x), g = load(green + x), r = load(red + x);
        uint8_t* o = out + 3 * x;
        for (unsigned block = 0; block < 3; ++block) {
            const auto mask = [&](unsigned c) { return load(kMasks.mask[block][c]); };
            const __m256i v = _mm256_or_si256(
                _mm256_or_si256(_mm256_shuffle_epi8(b, mask(0)), _mm256_shuffle_epi8(g, mask(1))),
                _mm256_shuffle_epi8(r, mask(2)));
            // Low lane: pixels x .. x+15; high lane: pixels x+16 .. x+31.
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 16 * block), _mm256_castsi256_si128(v));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 48 + 16 * block), _mm256_extracti128_si256(v, 1));
        }
    }
    interleavePortable(blue + x, green + x, red + x, w - x, out + 3 * x);
}

// 16 pixels per step: four groups of 4 pixels (12 bytes) spread to 16 bytes, alpha set to 0xff.
void bgrToRgb32(const uint8_t* bgr, unsigned n, uint8_t* out) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xff000000u));
    auto put = [&](uint8_t* o, __m128i v) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_or_si128(_mm_shuffle_epi8(v, spread), alpha));
    };
    auto get = [](const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    unsigned x = 0;
    for (; x + 16 <= n; x += 16) {
        const uint8_t* s = bgr + 3 * x;
        uint8_t* o = out + 4 * x;
        put(o, get(s));
        put(o + 16, get(s + 12));
        put(o + 32, get(s + 24));
        put(o + 48, _mm_srli_si128(get(s + 32), 4)); // bytes 36 .. 47 without reading past 48
    }
    bgrToRgb32Portable(bgr + 3 * x, n - x, out + 4 * x);
}

// Destination pixels 2x+1 .. 2x+8 per step from source pixels x .. x+4 of both rows, 16-bit lanes:
//   here = [x   | x+1 ‖ x+2 | x+3]   next = [x+1 | x+2 ‖ x+3 | x+4]   (4 channels per pixel, ‖ = lane)
//   odd = 3 here + next  -> out 2x+1, 2x+3, 2x+5, 2x+7;  even = here + 3 next -> out 2x+2, ... 2x+8
// Interleaving odd and even per 64 bits puts each lane's four pixels in order for one 32-byte store.
void doubleLine(const uint8_t* first, const uint8_t* second, unsigned weightFirst, unsigned weightSecond,
                unsigned n, uint8_t* out) {
    const __m256i wf = _mm256_set1_epi16(static_cast<short>(weightFirst));
    const __m256i ws = _mm256_set1_epi16(static_cast<short>(weightSecond));
    const __m256i rounding = _mm256_set1_epi16(8);
    const auto pixels4 = [](const uint8_t* p) {
        return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    };
    const auto vertical = [&](unsigned x) {
        return _mm256_add_epi16(_mm256_mullo_epi16(pixels4(first + 4 * x), wf),
                                _mm256_mullo_epi16(pixels4(second + 4 * x), ws));
    };
    // The last step overlaps the one before (same pixels written twice); the outermost pixels, and
    // whole lines of fewer than 5 source pixels, are left to the portable form.
    if (n < 5) return doubleLineFrom(first, second, weightFirst, weightSecond, n, 0, out);
    for (unsigned step = 0; step + 1 < n; step += 4) {
        const unsigned x = step + 5 <= n ? step : n - 5;
        const __m256i here = vertical(x), next = vertical(x + 1);
        const __m256i odd = _mm256_add_epi16(_mm256_add_epi16(_mm256_slli_epi16(here, 1), here), next);
        const __m256i even = _mm256_add_epi16(_mm256_add_epi16(_mm256_slli_epi16(next, 1), next), here);
        const __m256i a = _mm256_srli_epi16(_mm256_add_epi16(_mm256_unpacklo_epi64(odd, even), rounding), 4);
        const __m256i b = _mm256_srli_epi16(_mm256_add_epi16(_mm256_unpackhi_epi64(odd, even), rounding), 4);
        store(out + 4 * (2 * x + 1), _mm256_packus_epi16(a, b));
    }
    doubleLineFrom(first, second, weightFirst, weightSecond, n, n, out);
}

} // namespace

const RowKernels* packedAvx2() {
    static const RowKernels kernels{"packed-avx2",   interpolate,         applyGain,
                                    interleave,      bgrToRgb32,          rowToBitmapAvx2,
                                    rowToPlanesAvx2, sharpenToBitmapAvx2, doubleLine};
    return &kernels;
}

} // namespace zrk::image
