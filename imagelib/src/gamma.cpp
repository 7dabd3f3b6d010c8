#include "gamma.h"

#include <cmath>
#include <cstring>

namespace zrk::image {

const uint8_t* gammaTable(unsigned gamma) {
    static uint8_t table[256];
    static long cachedGamma = -1;
    if (cachedGamma != static_cast<long>(gamma)) {
        const double exponent = gamma / 100.0;
        for (unsigned v = 0; v < 256; ++v)
            table[v] = static_cast<uint8_t>(std::trunc(std::pow(v / 255.0, exponent) * 255.0));
        cachedGamma = gamma;
    }
    return table;
}

void makeTone(const uint8_t gains[3], unsigned gamma, Tone& tone) {
    std::memcpy(tone.gain, gains, 3);
    if (gamma == 100) {
        const bool unity = gains[0] == 128 && gains[1] == 128 && gains[2] == 128;
        tone.kind = unity ? Tone::Kind::None : Tone::Kind::Gains;
        return;
    }
    tone.kind = Tone::Kind::Table;
    const uint8_t* curve = gammaTable(gamma);
    for (int c = 0; c < 3; ++c) {
        for (unsigned v = 0; v < 256; ++v) {
            const unsigned gained = (v * gains[c]) >> 7;
            tone.table[c][v] = curve[gained > 255 ? 255 : gained];
        }
        for (unsigned k = 0; k < 16; ++k)
            for (unsigned i = 0; i < 16; ++i) {
                const uint8_t entry = tone.table[c][16 * k + i];
                const uint8_t previous = k % 8 == 0 ? 0 : tone.table[c][16 * (k - 1) + i];
                tone.slices[c][k][i] = tone.slices[c][k][i + 16] = static_cast<uint8_t>(entry ^ previous);
            }
    }
}

} // namespace zrk::image
