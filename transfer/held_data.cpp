#include "transfer/held_data.h"

#include <cstring>
#include <vector>

namespace held {

namespace {

// Each held chunk is stored as this head followed by its bytes, so the bytes alone bound what
// is held: small chunks cannot run out of a second, smaller table.
struct Head {
    int32_t length;
    int32_t gapBefore;
};
constexpr int32_t kHead = static_cast<int32_t>(sizeof(Head));

std::vector<char> g_bytes;
int32_t g_front = 0; // head of the oldest chunk
int32_t g_end = 0;   // bytes used; the buffer restarts at 0 once it has been emptied
bool g_gap = false;
uint64_t g_generation = 0;

Head HeadAt(int32_t offset) {
    Head h{};
    std::memcpy(&h, g_bytes.data() + offset, sizeof h);
    return h;
}

} // namespace

void Reserve() {
    if (g_bytes.empty()) g_bytes.resize(static_cast<size_t>(kCapacity));
}

bool Hold(const char* data, int32_t length) {
    if (length <= 0) return true;
    Reserve();
    if (length > kCapacity - kHead - g_end) {
        g_gap = true;
        return false;
    }
    const Head h{length, g_gap ? 1 : 0};
    std::memcpy(g_bytes.data() + g_end, &h, sizeof h);
    std::memcpy(g_bytes.data() + g_end + kHead, data, static_cast<size_t>(length));
    g_end += kHead + length;
    g_gap = false;
    return true;
}

bool Empty() {
    return g_front == g_end;
}

void Front(const char*& data, int32_t& length, bool& gapBefore) {
    const Head h = HeadAt(g_front);
    data = g_bytes.data() + g_front + kHead;
    length = h.length;
    gapBefore = h.gapBefore != 0;
}

void Pop() {
    if (Empty()) return;
    g_front += kHead + HeadAt(g_front).length;
    if (g_front == g_end) g_front = g_end = 0;
}

bool GapPending() {
    return g_gap;
}

bool TakeGap() {
    const bool gap = g_gap;
    g_gap = false;
    return gap;
}

void Clear() {
    ++g_generation;
    g_front = g_end = 0;
    g_gap = false;
}

uint64_t Generation() {
    return g_generation;
}

} // namespace held
