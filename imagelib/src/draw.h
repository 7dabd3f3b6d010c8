// Drawing a reconstructed bitmap onto a ZRK_SURFACE, 1:1 or scaled.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kernels.h"
#include "zrkimage.h"

namespace zrk::image {

// A bottom-up 24-bit bitmap (blue, green, red).
struct BitmapView {
    const uint8_t* pixels;
    unsigned width;
    unsigned height;
    std::size_t stride;
};

// Memory the scaler may use: its column table (16-bit entries) and, when there is room for nine
// 32-bit values per destination column, row sums that let it filter each axis once.
struct ScaleScratch {
    uint16_t* spans;
    std::size_t spanCapacity;
    uint16_t* weights;
    std::size_t weightCapacity;
    uint32_t* rows = nullptr;
    std::size_t rowCapacity = 0;
};

// Whether a picture of width4 x h can go onto the surface at dispW x dispH (the low 16 bits of the
// caller's values, signed): ZRK_STATUS_OK, ZRK_STATUS_SURFACE when the surface is unusable or too small
// for what is drawn, ZRK_STATUS_SCALE when the display size is not positive.
int checkDrawTarget(const ZRK_SURFACE* surface, unsigned width4, unsigned h, int16_t dispW, int16_t dispH);

// Draws at (0, 0): 1:1 when dispW x dispH is the bitmap's own size, otherwise scaled (area average where
// an axis shrinks, linear where it grows). Call checkDrawTarget first. Returns ZRK_STATUS_OK, or
// ZRK_STATUS_SCALE when the scratch memory is too small for the scaling.
int drawBitmap(const BitmapView& bitmap, const ZRK_SURFACE& surface, int16_t dispW, int16_t dispH,
               const ScaleScratch& scratch, const RowKernels& kernels);

// The general scaler behind drawBitmap (area average where an axis shrinks, linear where it grows).
int drawScaled(const BitmapView& bitmap, const ZRK_SURFACE& surface, unsigned dispW, unsigned dispH,
               const ScaleScratch& scratch);

// Draws at exactly twice the bitmap's width and height, the same pixels as the general scaler gives.
// Returns false, drawing nothing, for a bitmap wider than 1024 pixels.
bool drawDoubled(const BitmapView& bitmap, const ZRK_SURFACE& surface, const RowKernels& kernels);

} // namespace zrk::image
