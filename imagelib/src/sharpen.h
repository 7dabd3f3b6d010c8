// Unsharp mask over the three colour planes.
#pragma once

#include <cstdint>

namespace zrk::image {

// For each plane, blur[i] = clipped box mean of radius around each pixel, then
// plane = clamp(plane + (plane - blur) * (strength / 100), 0, 255). Planes and blur planes are w x h,
// row stride w. Does nothing when radius <= 0 or strength / 100 == 0 (the result would be the input).
void unsharpMask(uint8_t* const planes[3], uint8_t* const blur[3], unsigned w, unsigned h, int radius,
                 int strength);

} // namespace zrk::image
