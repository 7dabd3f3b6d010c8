// 24-bit bitmap files: headers and writing.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrk::image {

// Writes the 14-byte file header and the 40-byte info header of a bottom-up 24-bit bitmap of
// width4 x h pixels (54 bytes).
void writeBitmapHeaders(uint8_t* dest, unsigned width4, unsigned h);

// Writes the 40-byte info header alone, with imageSize in its image size field.
void writeBitmapInfoHeader(uint8_t* dest, unsigned width4, unsigned h, uint32_t imageSize);

// Opens path for writing from its start, creating it or emptying the regular file there; -1 for
// anything that is not a regular file (a FIFO, a device, a folder), refused before it is opened so
// that nothing blocks or acts on the open. created tells whether this call made the file (only
// such a file may be removed again).
int openRegularForWriting(const char* path, bool* created);

// Creates or replaces path with exactly length bytes. ZRK_STATUS_OK or ZRK_STATUS_WRITE.
int writeWholeFile(const char* path, const uint8_t* data, std::size_t length);

} // namespace zrk::image
