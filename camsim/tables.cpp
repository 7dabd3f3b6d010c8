#include "tables.h"

namespace zrkcam {

namespace {
constexpr ImageSizeInfo kSizes[kImageSizeCount] = {
    {200, 200, 300}, {256, 256, 240}, {512, 256, 160}, {512, 512, 90}};
constexpr int kSlowSeconds[] = {1, 2, 5, 10, 60};
} // namespace

const ImageSizeInfo* imageSize(int code) {
    if (code < 0 || code >= kImageSizeCount) return nullptr;
    return &kSizes[code];
}

int frameBytes(int sizeCode) {
    const ImageSizeInfo* s = imageSize(sizeCode);
    return s ? s->width * s->height + kFrameHeaderBytes : 0;
}

int64_t memoryBytes(int memoryCode) {
    switch (memoryCode) {
    case 0:
        return 134217728;
    case 1:
        return 268435456;
    case 2:
        return 536870912;
    default:
        return 0;
    }
}

int regionCapacity(int memoryCode, int sizeCode, int partition) {
    const int bytes = frameBytes(sizeCode);
    if (bytes == 0 || partition < 0 || partition > 3) return 0;
    return static_cast<int>(memoryBytes(memoryCode) / (partition + 1) / bytes);
}

bool isHighRate(int rateCode) {
    return rateCode >= 0 && rateCode <= 2;
}

bool rateValidForSize(int sizeCode, int rateCode) {
    const ImageSizeInfo* s = imageSize(sizeCode);
    if (!s || rateCode < 0) return false;
    if (isHighRate(rateCode)) {
        // 256x256 and 512x256 have only two high-speed rates.
        return rateCode < 2 || sizeCode == 0 || sizeCode == 3;
    }
    for (int secs : kSlowSeconds)
        if (rateCode == s->baseRate * secs - 1) return true;
    return false;
}

bool shutterValid(int sizeCode, int rateCode, int shutterCode) {
    if (!imageSize(sizeCode)) return false;
    const int fastest = sizeCode == 0 ? 10 : 9; // 1/100000 only at 200x200
    if (isHighRate(rateCode)) return shutterCode >= 0 && shutterCode <= fastest;
    return (shutterCode >= 16 && shutterCode <= 20) || (shutterCode >= 1 && shutterCode <= fastest);
}

bool shutterIsFirst(int rateCode, int shutterCode) {
    return isHighRate(rateCode) ? shutterCode == 0 : shutterCode == 16;
}

double frameRate(int sizeCode, int rateCode) {
    const ImageSizeInfo* s = imageSize(sizeCode);
    if (!s || rateCode < 0) return 0;
    return static_cast<double>(s->baseRate) / (rateCode + 1);
}

int gammaValue(int index) {
    constexpr int kValues[] = {100, 77, 67, 55};
    return index >= 0 && index <= 3 ? kValues[index] : 0;
}

Rgb presetRgb(int preset) {
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

} // namespace zrkcam
