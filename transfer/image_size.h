// Frame geometry by image size index (0 200x200, 1 256x256, 2 512x256, 3 512x512).
#pragma once

#include <cstdint>

// Width and height of an image size index; both 0 for an unknown index.
void GetImageSize(int32_t imageSize, int16_t& width, int16_t& height);
// Bytes a download of count frames of that size brings (frame records only, no file headers);
// 0 for an unknown index or a count below 1.
double GetDownloadSize(int32_t imageSize, int32_t count);
