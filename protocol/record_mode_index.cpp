#include "protocol/record_mode_index.h"

#include "protocol/code_tables.h"

#include <array>

namespace {
bool KnownSize(int32_t imageSize) {
    return imageSize >= 0 && imageSize <= 3;
}
} // namespace

int32_t HighRateIndex(int32_t imageSize, int32_t rateCode) {
    if (!KnownSize(imageSize)) return 0;
    // Rows: image size; columns: rate codes 0, 1, 2.
    static constexpr std::array<std::array<int32_t, 3>, 4> index{{
        {0, 3, 5},
        {1, 4, -1},
        {2, 7, -1},
        {6, 8, 9},
    }};
    if (rateCode < 0 || rateCode > 2) return 0;
    return index[static_cast<std::size_t>(imageSize)][static_cast<std::size_t>(rateCode)];
}

int32_t LowRateIndex(int32_t imageSize, int32_t rateCode) {
    if (!KnownSize(imageSize)) return 0;
    for (int32_t i = 0; i < static_cast<int32_t>(kSlowRateSeconds.size()); ++i)
        if (LowRateCode(imageSize, i) == rateCode) return i;
    return -1;
}

int32_t HighShutterIndex(int32_t imageSize, int32_t shutterCode) {
    if (!KnownSize(imageSize)) return 0;
    // "1/100000" (code 10) exists only for the smallest image.
    if (imageSize != 0 && shutterCode == 10) return -1;
    return shutterCode;
}

int32_t LowShutterIndex(int32_t imageSize, int32_t shutterCode) {
    if (!KnownSize(imageSize)) return 0;
    if (shutterCode >= 16 && shutterCode <= 20) return shutterCode - 16;
    const int32_t fastest = imageSize == 0 ? 10 : 9;
    if (shutterCode >= 1 && shutterCode <= fastest) return shutterCode + 4;
    return -1;
}
