// The gamma curve as a 256-entry table, and the tone of one call: gains and gamma in one table per colour.
#pragma once

#include <cstdint>

namespace zrk::image {

// table[v] = trunc(pow(v / 255, gamma / 100) * 255). The table of the last gamma asked for is kept, so
// playback at one gamma computes it once; not reentrant (the library is single-threaded).
const uint8_t* gammaTable(unsigned gamma);

// What happens to an interpolated value before it is stored. Colours are indexed blue, green, red.
struct Tone {
    enum class Kind { None, Gains, Table };
    Kind kind;
    uint8_t gain[3]; // 128 = unity; v -> min(255, (v * gain) >> 7)
    // Kind::Table (gamma on): the gain and then the gamma curve, table[c][v].
    alignas(32) uint8_t table[3][256];
    // The same tables for 16-entry byte shuffles: slice k holds entries 16k .. 16k+15, XORed with slice
    // k-1 (slices 0 and 8 as they are), stored twice to fill both halves of a 32-byte register. XORing
    // the slices 0 .. j (or 8 .. j) of a value's half of the table gives its entry in slice j.
    alignas(32) uint8_t slices[3][16][32];
};

// Built once per call; gains are blue, green, red.
void makeTone(const uint8_t gains[3], unsigned gamma, Tone& tone);

} // namespace zrk::image
