// Building blocks shared by the AVX2 files. Include only from files built with -mavx2: everything here
// is in an unnamed namespace so that no AVX2 code is shared with files built without it.
#pragma once

#include <cstddef>
#include <immintrin.h>

#include "kernels.h"

namespace zrk::image {

// The fused AVX2 forms (kernels_avx2_fused.cpp, sharpen_avx2.cpp), put into the AVX2 table.
void rowToBitmapAvx2(const uint8_t* above, const uint8_t* row, const uint8_t* below, unsigned w, bool oddRow,
                     const Tone& tone, uint8_t* out);
void rowToPlanesAvx2(const uint8_t* above, const uint8_t* row, const uint8_t* below, unsigned w, bool oddRow,
                     const Tone& tone, uint8_t* blue, uint8_t* green, uint8_t* red);
void sharpenToBitmapAvx2(const uint8_t* const planes[3], unsigned w, unsigned h, unsigned radius, int factor,
                         uint8_t* out, std::size_t stride);

namespace {
namespace avx2 {

inline __m256i load(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
inline void store(uint8_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// Blue, green and red of 32 columns.
struct Colours {
    __m256i blue, green, red;
};

// Byte shuffles and blends that turn 16 pixels of blue, green and red (one 128-bit lane each) into 48
// bytes of blue, green, red triples. Output byte n belongs to pixel n / 3; blocks are 16 bytes:
//   block 0: B0 G0 R0 B1 G1 R1 B2 G2 R2 B3 G3 R3 B4 G4 R4 B5
//   block 1: G5 R5 B6 G6 R6 B7 ... R10
//   block 2: B11 G11 ... B15 G15 R15
// Since 3 is invertible mod 16, one shuffle of a colour puts each of its 16 bytes at the position it
// takes in its block (blue j at 3j mod 16, green at 3j+1, red at 3j+2); each block then picks per
// position the colour (position + block) mod 3 from the three shuffled vectors.
struct InterleaveMasks {
    alignas(32) uint8_t spread[3][32];  // per colour, the same pattern in both lanes
    alignas(32) uint8_t pick[3][2][32]; // per block: 0xff where green, where red
};

constexpr InterleaveMasks makeInterleaveMasks() {
    InterleaveMasks m{};
    for (unsigned q = 0; q < 32; ++q) {
        const unsigned p = q % 16;
        for (unsigned colour = 0; colour < 3; ++colour)
            m.spread[colour][q] = static_cast<uint8_t>((11 * (p + 16 - colour)) % 16); // 11 = 1/3 mod 16
        for (unsigned block = 0; block < 3; ++block) {
            const unsigned colour = (p + block) % 3;
            m.pick[block][0][q] = colour == 1 ? 0xff : 0;
            m.pick[block][1][q] = colour == 2 ? 0xff : 0;
        }
    }
    return m;
}

constexpr InterleaveMasks kInterleave = makeInterleaveMasks();

// Writes 96 bytes: pixels 0 .. 31 of the three colours as blue, green, red triples.
inline void storeInterleaved(const Colours& c, uint8_t* out) {
    const __m256i b = _mm256_shuffle_epi8(c.blue, load(kInterleave.spread[0]));
    const __m256i g = _mm256_shuffle_epi8(c.green, load(kInterleave.spread[1]));
    const __m256i r = _mm256_shuffle_epi8(c.red, load(kInterleave.spread[2]));
    const auto block = [&](int k) {
        return _mm256_blendv_epi8(_mm256_blendv_epi8(b, g, load(kInterleave.pick[k][0])), r,
                                  load(kInterleave.pick[k][1]));
    };
    // block k = [low lane: block k of pixels 0..15 | high lane: block k of pixels 16..31]
    const __m256i block0 = block(0), block1 = block(1), block2 = block(2);
    store(out, _mm256_permute2x128_si256(block0, block1, 0x20));
    store(out + 32, _mm256_blend_epi32(block2, block0, 0xf0));
    store(out + 64, _mm256_permute2x128_si256(block1, block2, 0x31));
}

} // namespace avx2
} // namespace
} // namespace zrk::image
