// The library's working memory: five blocks that live as long as the library is loaded.
#pragma once

#include <cstddef>
#include <cstdint>

#include "geometry.h"

namespace zrk::image {

// Bytes kept readable behind a raw frame in the frame read buffer.
constexpr std::size_t kFrameSpare = 64;
constexpr std::size_t kFrameBufferSize = kHeaderSize + kPlaneBytes + kFrameSpare;
constexpr std::size_t kColourPlaneSize = kPlaneBytes + 128;
constexpr std::size_t kBitmapFileSize = kBitmapHeaderSize + kMaxPixelBytes;
// A movie frame on its way to the disk: chunk header, pixels, padding to 4 KiB.
constexpr std::size_t kMovieSlotSize = (8 + kMaxPixelBytes + 8 + 4095) / 4096 * 4096;

struct Workspace {
    uint8_t* frame; // one frame record read from a data file
    uint8_t* red;   // colour planes; reused as the scaler's tables once a picture is reconstructed
    uint8_t* green;
    uint8_t* blue;
    uint8_t* bitmap;       // a whole bitmap file; its pixel area doubles as the three blur planes
    uint8_t* movieSlot[2]; // 4 KiB aligned: one frame is built while the other is being written
};

static_assert(kColourPlaneSize % 4 == 0);

const Workspace& workspace();

// The scaler's tables and row sums, kept in the colour planes (declared with the matching word size).
inline uint16_t* redAsWords(const Workspace& ws) {
    return reinterpret_cast<uint16_t*>(ws.red);
}
inline uint16_t* greenAsWords(const Workspace& ws) {
    return reinterpret_cast<uint16_t*>(ws.green);
}
inline uint32_t* blueAsLongs(const Workspace& ws) {
    return reinterpret_cast<uint32_t*>(ws.blue);
}

} // namespace zrk::image
