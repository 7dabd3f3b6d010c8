// The gamma curve as a 256-entry table.
#pragma once

#include <cstdint>

namespace zrk::image {

// table[v] = trunc(pow(v / 255, gamma / 100) * 255). The table of the last gamma asked for is kept, so
// playback at one gamma computes it once; not reentrant (the library is single-threaded).
const uint8_t* gammaTable(unsigned gamma);

} // namespace zrk::image
