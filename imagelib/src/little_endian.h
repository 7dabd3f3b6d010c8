// Little-endian field writers for the bitmap and AVI headers, whatever the host's byte order.
#pragma once

#include <cstdint>

namespace zrk::image {

inline void le16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void le32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void le64(uint8_t* p, uint64_t v) {
    le32(p, static_cast<uint32_t>(v));
    le32(p + 4, static_cast<uint32_t>(v >> 32));
}

} // namespace zrk::image
