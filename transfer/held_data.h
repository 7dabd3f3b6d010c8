// Chunks the receiver cannot take yet: those that arrive before the "150" of the request in
// flight has been handled, and those the link delivers while the receiver itself waits (a
// message box inside it runs the event loop). They are kept in arrival order, chunk boundaries
// included, in one buffer reserved once and bounded by bytes alone (each chunk's length is kept
// in front of it). A chunk that does not fit is dropped and leaves a gap mark, so the receiver
// never joins data across lost bytes.
#pragma once

#include <cstdint>

namespace held {

inline constexpr int32_t kCapacity = 8 << 20; // more than a loopback socket buffers at once

// Reserves the buffer (start-up); Hold reserves it on first use otherwise.
void Reserve();
// false when the chunk did not fit and was dropped (a gap is marked).
bool Hold(const char* data, int32_t length);
bool Empty();
// The oldest chunk; valid until Pop or Clear. gapBefore: bytes were lost just before it.
void Front(const char*& data, int32_t& length, bool& gapBefore);
void Pop();
// Bytes were lost after the last held chunk: the next one held carries the mark.
bool GapPending();
// Reads and clears the mark of bytes lost after the last held chunk.
bool TakeGap();
void Clear();
// Changes with every Clear, so a reader can tell its front chunk was not cleared away meanwhile.
uint64_t Generation();

} // namespace held
