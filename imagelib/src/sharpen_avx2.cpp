// Unsharp mask (radius 1 .. 3) and interleave in one AVX2 pass over the bitmap rows. The box blur is
// separable: running column sums over the clipped rows (16-bit; at most 7 x 255), then a window of
// 2r+1 of those sums along the row (at most 49 x 255 < 2^14), divided by the count of pixels summed and
// kept as bytes. Only the planes are read; each finished row goes straight to the output, so no blur
// planes are used. Whole factors 1 .. 5 (the program's strengths 100 .. 500) sharpen in byte lanes.
// Built with -mavx2; only called after the processor has been asked for AVX2.
#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "geometry.h"
#include "kernels_avx2.h"
#include "sharpen.h"

namespace zrk::image {
namespace {

using namespace avx2;

constexpr unsigned kPad = 48; // words; the in-register blur reads up to 47 past the row

inline __m256i widen(const uint8_t* p) { // 16 bytes to 16 words
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}
// 32 words to 32 bytes in order, limited to 0 .. 255 (the pack works per 128-bit lane).
inline __m256i packBytes(__m256i lo, __m256i hi) {
    return _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xd8);
}
inline __m256i loadWords(const uint16_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// sums[x] += entering[x] - leaving[x] for x < w; either row may be missing.
void slide(uint16_t* sums, const uint8_t* entering, const uint8_t* leaving, unsigned w) {
    unsigned x = 0;
    for (; x + 16 <= w; x += 16) {
        __m256i s = loadWords(sums + x);
        if (entering) s = _mm256_add_epi16(s, widen(entering + x));
        if (leaving) s = _mm256_sub_epi16(s, widen(leaving + x));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + x), s);
    }
    for (; x < w; ++x)
        sums[x] = static_cast<uint16_t>(sums[x] + (entering ? entering[x] : 0) - (leaving ? leaving[x] : 0));
}

// Every count of pixels a window of radius 3 or less can hold.
struct Divisors {
    Divisor of[(2 * kFusedMaxRadius + 1) * (2 * kFusedMaxRadius + 1) + 1];
};
constexpr Divisors makeDivisors() {
    Divisors d{};
    for (unsigned n = 1; n < std::size(d.of); ++n)
        d.of[n] = divisorFor(n);
    return d;
}
constexpr Divisors kDivisors = makeDivisors();

inline unsigned divide(unsigned x, const Divisor& d) {
    return ((4 * x * d.magic) >> 16) >> d.shift;
}

// sums[-r] + ... + sums[r] for 16 columns, added as a tree.
template <unsigned r> inline __m256i windowSum(const uint16_t* sums) {
    const auto at = [sums](int i) { return loadWords(sums + i); };
    const __m256i inner = _mm256_add_epi16(_mm256_add_epi16(at(-1), at(0)), at(1));
    if constexpr (r == 1) return inner;
    const __m256i ring2 = _mm256_add_epi16(at(-2), at(2));
    if constexpr (r == 2) return _mm256_add_epi16(inner, ring2);
    const __m256i ring3 = _mm256_add_epi16(at(-3), at(3));
    return _mm256_add_epi16(_mm256_add_epi16(inner, ring2), ring3);
}

// The window sum of the 16 columns of `at` from its neighbours in registers. Sums at +-2 and +-3 words
// from any base make half of the unaligned loads straddle two cache lines, which the loads then wait
// on; two lane crossings and byte shifts per offset cost less:
//   ahead  = [at.hi | next.lo], ahead shifted with at by 2k bytes per lane  = sums[x+k .. x+k+15]
//   behind = [prev.hi | at.lo], at shifted with behind by 16-2k bytes per lane = sums[x-k .. x-k+15]
template <unsigned r> inline __m256i windowSumInRegisters(__m256i prev, __m256i at, __m256i next) {
    const __m256i ahead = _mm256_permute2x128_si256(at, next, 0x21);
    const __m256i behind = _mm256_permute2x128_si256(prev, at, 0x21);
    __m256i sum = _mm256_add_epi16(
        at, _mm256_add_epi16(_mm256_alignr_epi8(ahead, at, 2), _mm256_alignr_epi8(at, behind, 14)));
    if constexpr (r >= 2)
        sum = _mm256_add_epi16(
            sum, _mm256_add_epi16(_mm256_alignr_epi8(ahead, at, 4), _mm256_alignr_epi8(at, behind, 12)));
    if constexpr (r >= 3)
        sum = _mm256_add_epi16(
            sum, _mm256_add_epi16(_mm256_alignr_epi8(ahead, at, 6), _mm256_alignr_epi8(at, behind, 10)));
    return sum;
}

// floor(window / d) for every column from 0 in steps of 32, up to 31 past w (the sums have kPad zeros
// beyond it, the blur row room for them), with aligned loads only. One divisor, that of a whole
// (2r+1)-column window, serves the row: the r columns at each end, which see fewer, are put right by
// the caller. Windows stay below 2^14, so ((4x * magic) >> 16) >> shift, the divisor's exact form,
// equals (x * magic) >> (16 + shift - 2): no shift up first. Inner windows hold at least 2 x 3 pixels,
// so the shift is at least 3.
template <unsigned r>
void blurInner(const uint16_t* sums, unsigned w, const Divisor& divisor, uint8_t* blur) {
    const __m256i magic = _mm256_set1_epi16(static_cast<short>(divisor.magic));
    const __m128i shift = _mm_cvtsi32_si128(static_cast<int>(divisor.shift - 2));
    const auto words = [sums](int x) {
        return _mm256_load_si256(reinterpret_cast<const __m256i*>(sums + x));
    };
    __m256i prev = words(-16), at = words(0);
    for (int x = 0; x < static_cast<int>(w); x += 32) {
        const __m256i next = words(x + 16), after = words(x + 32);
        const __m256i lo =
            _mm256_srl_epi16(_mm256_mulhi_epu16(windowSumInRegisters<r>(prev, at, next), magic), shift);
        const __m256i hi =
            _mm256_srl_epi16(_mm256_mulhi_epu16(windowSumInRegisters<r>(at, next, after), magic), shift);
        store(blur + x, packBytes(lo, hi));
        prev = next;
        at = after;
    }
}

// The r columns at each end see fewer columns. The sums are kept between zeros (kPad words on each
// side), so a vector window over the first and the last 16 columns sums exactly the columns inside;
// only those r counts differ, and they are divided one by one. The width is at least 16 + 2r.
template <unsigned r> void blurRow(const uint16_t* sums, unsigned w, unsigned rows, uint8_t* blur) {
    blurInner<r>(sums, w, kDivisors.of[rows * (2 * r + 1)], blur);
    alignas(32) uint16_t left[16], right[16];
    _mm256_store_si256(reinterpret_cast<__m256i*>(left), windowSum<r>(sums));
    _mm256_store_si256(reinterpret_cast<__m256i*>(right), windowSum<r>(sums + w - 16));
    for (unsigned e = 0; e < r; ++e) {
        // Column e and column w-1-e each see r+1+e columns.
        const Divisor& d = kDivisors.of[rows * (r + 1 + e)];
        blur[e] = static_cast<uint8_t>(divide(left[e], d));
        blur[w - 1 - e] = static_cast<uint8_t>(divide(right[15 - e], d));
    }
}

// v + (v - blur) * k limited to 0 .. 255, for 16 pixels in 16-bit lanes. k is within +-255 and d within
// +-limit (limit * |k| <= 32767), so the product fits; where d was cut short the true result is past
// 0 or 255 by more than 255 anyway, and the saturating add and pack give the same limit.
inline __m256i sharpen16(const uint8_t* plane, const uint8_t* blur, __m256i k, __m256i limit) {
    const __m256i v = widen(plane);
    __m256i d = _mm256_sub_epi16(v, widen(blur));
    d = _mm256_max_epi16(_mm256_min_epi16(d, limit), _mm256_sub_epi16(_mm256_setzero_si256(), limit));
    return _mm256_adds_epi16(v, _mm256_mullo_epi16(d, k));
}

// Any whole factor, 32 pixels.
struct AnyFactor {
    __m256i k, limit;
    explicit AnyFactor(int factor)
        : k(_mm256_set1_epi16(static_cast<short>(factor))),
          limit(_mm256_set1_epi16(static_cast<short>(32767 / std::abs(factor)))) {}
    __m256i operator()(const uint8_t* plane, const uint8_t* blur) const {
        return packBytes(sharpen16(plane, blur, k, limit), sharpen16(plane + 16, blur + 16, k, limit));
    }
};

// Factors 1 .. kMaxByteFactor in byte lanes, 32 pixels. Of up = v - blur and down = blur - v (each
// limited at 0) one is 0, so adding up and taking down k times, each limited to 0 .. 255, stops at
// the same limit as v + (v - blur) * k does.
constexpr int kMaxByteFactor = 5;
struct SmallFactor {
    int k;
    __m256i operator()(const uint8_t* plane, const uint8_t* blur) const {
        const __m256i v = load(plane), b = load(blur);
        const __m256i up = _mm256_subs_epu8(v, b), down = _mm256_subs_epu8(b, v);
        __m256i result = v;
        for (int i = 0; i < k; ++i)
            result = _mm256_subs_epu8(_mm256_adds_epu8(result, up), down);
        return result;
    }
};

template <unsigned r, class Factor>
void sharpenRows(const uint8_t* const planes[3], unsigned w, unsigned h, Factor sharpen32, uint8_t* out,
                 std::size_t stride) {
    alignas(32) uint16_t sumsWithZeros[3][kPad + kMaxWidth + kPad] = {};
    uint16_t* const sums[3] = {sumsWithZeros[0] + kPad, sumsWithZeros[1] + kPad, sumsWithZeros[2] + kPad};
    alignas(32) uint8_t blur[3][kMaxWidth + kPad];
    for (unsigned y = 0; y < std::min(h, r); ++y)
        for (int c = 0; c < 3; ++c)
            slide(sums[c], planes[c] + y * w, nullptr, w);

    for (unsigned y = 0; y < h; ++y) {
        // The sums hold rows max(0, y-r) .. min(h-1, y+r).
        for (int c = 0; c < 3; ++c)
            slide(sums[c], y + r < h ? planes[c] + (y + r) * w : nullptr,
                  y > r ? planes[c] + (y - r - 1) * w : nullptr, w);
        const unsigned top = y > r ? y - r : 0, bottom = std::min(h - 1, y + r);
        for (int c = 0; c < 3; ++c)
            blurRow<r>(sums[c], w, bottom - top + 1, blur[c]);

        const uint8_t* const row[3] = {planes[0] + y * w, planes[1] + y * w, planes[2] + y * w};
        uint8_t* const line = out + y * stride;
        // Steps of 32 pixels; the last one overlaps the one before (same values written twice).
        for (unsigned x = 0; x < w; x += 32) {
            const unsigned at = std::min(x, w - 32);
            storeInterleaved({sharpen32(row[0] + at, blur[0] + at), sharpen32(row[1] + at, blur[1] + at),
                              sharpen32(row[2] + at, blur[2] + at)},
                             line + 3 * at);
        }
    }
}

template <unsigned r>
void sharpenRows(const uint8_t* const planes[3], unsigned w, unsigned h, int factor, uint8_t* out,
                 std::size_t stride) {
    if (factor >= 1 && factor <= kMaxByteFactor)
        return sharpenRows<r>(planes, w, h, SmallFactor{factor}, out, stride);
    sharpenRows<r>(planes, w, h, AnyFactor(std::clamp(factor, -255, 255)), out, stride);
}

} // namespace

void sharpenToBitmapAvx2(const uint8_t* const planes[3], unsigned w, unsigned h, unsigned radius, int factor,
                         uint8_t* out, std::size_t stride) {
    switch (radius) {
    case 1:
        return sharpenRows<1>(planes, w, h, factor, out, stride);
    case 2:
        return sharpenRows<2>(planes, w, h, factor, out, stride);
    default:
        return sharpenRows<3>(planes, w, h, factor, out, stride);
    }
}

} // namespace zrk::image
