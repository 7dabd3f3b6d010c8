// Unsharp mask over the three colour planes.
#pragma once

#include <cstdint>

namespace zrk::image {

// Division by d without dividing, for the vector blur: floor(x / d) == ((4x * magic) >> 16) >> shift
// for every x below 2^14 (the window sums of radius 3 and less stay below 49 * 256). With l the
// smallest power of two not below d, magic = ceil(2^(14+l) / d), which is below 2^15; the error this
// rounding adds stays under 1/d for 14-bit x, so the quotient is exact.
struct Divisor {
    uint16_t magic;
    unsigned shift;
};

constexpr Divisor divisorFor(unsigned d) {
    unsigned l = 0;
    while ((1u << l) < d)
        ++l;
    const uint32_t scale = uint32_t{1} << (14 + l);
    return {static_cast<uint16_t>((scale + d - 1) / d), l};
}

// For each plane, blur[i] = clipped box mean of radius around each pixel, then
// plane = clamp(plane + (plane - blur) * (strength / 100), 0, 255). Planes and blur planes are w x h,
// row stride w. Does nothing when radius <= 0 or strength / 100 == 0 (the result would be the input).
void unsharpMask(uint8_t* const planes[3], uint8_t* const blur[3], unsigned w, unsigned h, int radius,
                 int strength);

} // namespace zrk::image
