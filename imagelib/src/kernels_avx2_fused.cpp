// One raw row to one bitmap row (or three plane rows) in a single AVX2 pass: packed interpolation of
// 32 columns, then the tone (gains, or gains and gamma through per-colour tables), then the store.
// Built with -mavx2; only called after the processor has been asked for AVX2.
#include "kernels_avx2.h"

namespace zrk::image {
namespace {

using namespace avx2;

// h(a) + h(b), h halving with the remainder dropped: the rounded-up average less one where either
// operand is odd ((2p+i + 2q+j + 1) >> 1 = p + q + (i | j)). Four operations instead of five.
inline __m256i mean(__m256i a, __m256i b) {
    const __m256i odd = _mm256_and_si256(_mm256_or_si256(a, b), _mm256_set1_epi8(1));
    return _mm256_sub_epi8(_mm256_avg_epu8(a, b), odd);
}
inline __m256i pick(__m256i mask, __m256i ifSet, __m256i ifClear) {
    return _mm256_blendv_epi8(ifClear, ifSet, mask);
}

// Columns c .. c+31 with the packed arithmetic; reads columns c-1 .. c+32 of the three rows.
inline Colours interpolate(const uint8_t* above, const uint8_t* row, const uint8_t* below, unsigned c,
                           bool oddRow) {
    const __m256i even = _mm256_set1_epi16((c & 1) ? static_cast<short>(0xff00) : 0x00ff);
    const __m256i vLeft = mean(load(above + c - 1), load(below + c - 1));
    const __m256i vCentre = mean(load(above + c), load(below + c));
    const __m256i vRight = mean(load(above + c + 1), load(below + c + 1));
    const __m256i centre = load(row + c);
    const __m256i diagonal = mean(vLeft, vRight);
    const __m256i across = mean(load(row + c - 1), load(row + c + 1));
    const __m256i orthogonal = mean(vCentre, across);
    const __m256i greenAtGreen = mean(centre, diagonal);
    if (oddRow)
        return {pick(even, vCentre, diagonal), pick(even, greenAtGreen, orthogonal),
                pick(even, across, centre)};
    return {pick(even, centre, across), pick(even, orthogonal, greenAtGreen), pick(even, diagonal, vCentre)};
}

// min(255, (v * gain) >> 7) per byte.
inline __m256i applyGain(__m256i v, __m256i gain) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lo = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(v, zero), gain), 7);
    const __m256i hi = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(v, zero), gain), 7);
    return _mm256_packus_epi16(lo, hi); // unpack and pack both work per lane: the order is kept
}

// table[v] per byte from the 16 XOR-chained slices of Tone. Values 0 .. 127: slice k answers where
// v - 16k is 0 .. 127 (its low four bits are v's); the shuffle gives 0 where a value's top bit is set,
// which saturating subtraction keeps for values below 16k and for values 128 .. 255 (negative as
// signed bytes). Values 128 .. 255 go the same way after their top bit is flipped.
inline __m256i lookUp(__m256i v, const uint8_t (*slices)[32]) {
    const __m256i sixteen = _mm256_set1_epi8(16);
    __m256i low = v, high = _mm256_xor_si256(v, _mm256_set1_epi8(static_cast<char>(0x80)));
    __m256i result = _mm256_xor_si256(_mm256_shuffle_epi8(load(slices[0]), low),
                                      _mm256_shuffle_epi8(load(slices[8]), high));
    for (int k = 1; k < 8; ++k) {
        low = _mm256_subs_epi8(low, sixteen);
        high = _mm256_subs_epi8(high, sixteen);
        result = _mm256_xor_si256(result, _mm256_shuffle_epi8(load(slices[k]), low));
        result = _mm256_xor_si256(result, _mm256_shuffle_epi8(load(slices[8 + k]), high));
    }
    return result;
}

template <Tone::Kind kind> inline Colours applyTone(Colours c, const Tone& tone) {
    if constexpr (kind == Tone::Kind::Gains) {
        c.blue = applyGain(c.blue, _mm256_set1_epi16(tone.gain[0]));
        c.green = applyGain(c.green, _mm256_set1_epi16(tone.gain[1]));
        c.red = applyGain(c.red, _mm256_set1_epi16(tone.gain[2]));
    } else if constexpr (kind == Tone::Kind::Table) {
        c.blue = lookUp(c.blue, tone.slices[0]);
        c.green = lookUp(c.green, tone.slices[1]);
        c.red = lookUp(c.red, tone.slices[2]);
    }
    return c;
}

// Steps of 32 columns from column 1; the last step overlaps the one before so that no read passes
// column w-1 (the overlapped columns are written twice with the same values).
template <Tone::Kind kind, class Store>
inline void eachStep(const uint8_t* above, const uint8_t* row, const uint8_t* below, unsigned w, bool oddRow,
                     const Tone& tone, Store store) {
    unsigned c = 1;
    for (; c + 32 <= w - 1; c += 32)
        store(c, applyTone<kind>(interpolate(above, row, below, c, oddRow), tone));
    if (c < w - 1) {
        c = w - 1 - 32;
        store(c, applyTone<kind>(interpolate(above, row, below, c, oddRow), tone));
    }
}

template <class Store>
inline void byTone(const uint8_t* above, const uint8_t* row, const uint8_t* below, unsigned w, bool oddRow,
                   const Tone& tone, Store store) {
    switch (tone.kind) {
    case Tone::Kind::None:
        return eachStep<Tone::Kind::None>(above, row, below, w, oddRow, tone, store);
    case Tone::Kind::Gains:
        return eachStep<Tone::Kind::Gains>(above, row, below, w, oddRow, tone, store);
    case Tone::Kind::Table:
        return eachStep<Tone::Kind::Table>(above, row, below, w, oddRow, tone, store);
    }
}

} // namespace

void rowToBitmapAvx2(const uint8_t* above, const uint8_t* row, const uint8_t* below, unsigned w, bool oddRow,
                     const Tone& tone, uint8_t* out) {
    byTone(above, row, below, w, oddRow, tone,
           [out](unsigned c, const Colours& v) { storeInterleaved(v, out + 3 * c); });
}

void rowToPlanesAvx2(const uint8_t* above, const uint8_t* row, const uint8_t* below, unsigned w, bool oddRow,
                     const Tone& tone, uint8_t* blue, uint8_t* green, uint8_t* red) {
    byTone(above, row, below, w, oddRow, tone, [=](unsigned c, const Colours& v) {
        store(blue + c, v.blue);
        store(green + c, v.green);
        store(red + c, v.red);
    });
}

} // namespace zrk::image
