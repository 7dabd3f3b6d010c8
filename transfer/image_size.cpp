#include "transfer/image_size.h"

#include "protocol/code_tables.h"

void GetImageSize(int32_t imageSize, int16_t& width, int16_t& height) {
    width = height = 0;
    if (imageSize < 0 || imageSize >= static_cast<int32_t>(kImageSizes.size())) return;
    width = kImageSizes[static_cast<size_t>(imageSize)].width;
    height = kImageSizes[static_cast<size_t>(imageSize)].height;
}

double GetDownloadSize(int32_t imageSize, int32_t count) {
    if (count < 1) return 0;
    return static_cast<double>(count) * static_cast<double>(FrameBytes(imageSize));
}
