#include "protocol/code_tables.h"

int32_t FrameBytes(int32_t imageSize) {
    if (imageSize < 0 || imageSize > 3) return 0;
    return kImageSizes[static_cast<std::size_t>(imageSize)].frameBytes;
}

int32_t HighRateCode(int32_t rateHigh) {
    if (rateHigh < 0 || rateHigh > 9) return 0;
    return kFrameRates[static_cast<std::size_t>(rateHigh)].rateCode;
}

int32_t LowRateCode(int32_t imageSize, int32_t rateLow) {
    if (imageSize < 0 || imageSize > 3 || rateLow < 0 || rateLow > 4) return 0;
    return kImageSizes[static_cast<std::size_t>(imageSize)].baseRate *
               kSlowRateSeconds[static_cast<std::size_t>(rateLow)] -
           1;
}

int32_t LowShutterCode(int32_t shutterLow) {
    return shutterLow <= 4 ? shutterLow + 16 : shutterLow - 4;
}

int32_t RegionCapacity(int32_t memoryCode, int32_t imageSize, int32_t partition) {
    if (imageSize < 0 || imageSize > 3 || partition < 0) return 0;
    int64_t memory = 0;
    if (memoryCode >= 0 && memoryCode <= 2) memory = int64_t{134217728} << memoryCode;
    const int64_t region = memory / (int64_t{partition} + 1);
    return static_cast<int32_t>(region / FrameBytes(imageSize));
}

int32_t GammaValue(int32_t index) {
    static constexpr std::array<int32_t, 4> values{100, 77, 67, 55};
    if (index < 0 || index > 3) return 0;
    return values[static_cast<std::size_t>(index)];
}

Rgb16 PresetRGB(int32_t preset) {
    switch (preset) {
    case 0:
        return {190, 128, 154};
    case 1:
        return {184, 128, 202};
    case 2:
        return {128, 128, 246};
    default:
        return {128, 128, 128};
    }
}
