#include "gamma.h"

#include <cmath>

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

} // namespace zrk::image
