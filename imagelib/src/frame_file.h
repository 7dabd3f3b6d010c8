// Reads one frame record (128-byte header + raw frame) of a data file by position.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrk::image {

// Frame i starts at dataOffset + i * (w * h + 128). Opens the file for this call only. Returns
// ZRK_STATUS_READ when the file cannot be opened or is not a regular file, is 4 GiB or longer, is too
// short for the record, the record does not fit dest, or the read fails; ZRK_STATUS_MAGIC when the
// record lacks the magic; otherwise ZRK_STATUS_OK. dest may hold part of the record after a failure.
int readFrameRecord(const char* path, uint32_t dataOffset, uint32_t frameIndex, unsigned w, unsigned h,
                    uint8_t* dest, std::size_t destCapacity);

// The first four bytes of a frame record: 'Z' 'R' 'K' 0.
bool hasFrameMagic(const uint8_t* record);

} // namespace zrk::image
