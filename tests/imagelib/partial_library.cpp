// Stands in for an out-of-date image library: it exports WriteImageBuf and nothing else.
#include <cstdint>
#include <cstring>

extern "C" __attribute__((visibility("default"))) int32_t
WriteImageBuf(uint8_t* buffer, int32_t capacity, const uint8_t* data, int32_t position, int32_t length) {
    if (position < 0 || length < 0 || position + length > capacity) return -1;
    std::memmove(buffer + position, data, static_cast<std::size_t>(length));
    return position + length;
}
