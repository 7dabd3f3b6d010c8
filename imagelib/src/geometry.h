// Frame and bitmap geometry shared by the pipeline and the entry points.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrk::image {

constexpr unsigned kMaxWidth = 512;
constexpr unsigned kMaxHeight = 512;
constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kPlaneBytes = kMaxWidth * kMaxHeight;
constexpr std::size_t kBitmapHeaderSize = 54; // 14-byte file header + 40-byte info header
constexpr std::size_t kMaxPixelBytes = 3 * kPlaneBytes;

// The only sizes the pipeline handles: the interpolation pairs rows and the vector kernels step in
// whole groups of 8 columns.
constexpr bool frameSizeSupported(unsigned w, unsigned h) {
    return w > 0 && w <= kMaxWidth && w % 8 == 0 && h > 0 && h <= kMaxHeight && h % 2 == 0;
}

// Bitmap width in pixels: W rounded up to a multiple of 4.
constexpr unsigned bitmapWidth(unsigned w) {
    return ((w * 8 + 31) / 32) * 4;
}

// Bytes per 24-bit bitmap row, padded to 4 bytes.
constexpr std::size_t bitmapStride(unsigned w) {
    return ((std::size_t{w} * 24 + 31) / 32) * 4;
}

} // namespace zrk::image
