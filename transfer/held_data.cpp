#include "transfer/held_data.h"

#include <cstring>
#include <vector>

namespace held {

namespace {

struct Piece {
    int32_t offset;
    int32_t length;
    bool gapBefore;
};

std::vector<char> g_bytes;
Piece g_pieces[kMaxChunks];
int g_first = 0; // ring of pieces
int g_count = 0;
int32_t g_end = 0; // bytes used; the buffer restarts at 0 once it has been emptied
bool g_gap = false;
uint64_t g_generation = 0;

} // namespace

void Reserve() {
    if (g_bytes.empty()) g_bytes.resize(static_cast<size_t>(kCapacity));
}

bool Hold(const char* data, int32_t length) {
    if (length <= 0) return true;
    Reserve();
    if (g_count == kMaxChunks || length > kCapacity - g_end) {
        g_gap = true;
        return false;
    }
    std::memcpy(g_bytes.data() + g_end, data, static_cast<size_t>(length));
    g_pieces[(g_first + g_count) % kMaxChunks] = Piece{g_end, length, g_gap};
    ++g_count;
    g_end += length;
    g_gap = false;
    return true;
}

bool Empty() {
    return g_count == 0;
}

void Front(const char*& data, int32_t& length, bool& gapBefore) {
    const Piece& p = g_pieces[g_first];
    data = g_bytes.data() + p.offset;
    length = p.length;
    gapBefore = p.gapBefore;
}

void Pop() {
    if (g_count == 0) return;
    g_first = (g_first + 1) % kMaxChunks;
    if (--g_count == 0) {
        g_first = 0;
        g_end = 0;
    }
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
    g_first = g_count = 0;
    g_end = 0;
    g_gap = false;
}

uint64_t Generation() {
    return g_generation;
}

} // namespace held
