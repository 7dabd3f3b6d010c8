// Live frames: chunks are cut frame by frame into the two live buffers. A frame begins at a
// chunk that begins with the signature, or right behind the previous frame in the same stream.
// g_lngFrameSize 0 means no frame is being assembled: the stream waits for a chunk that begins
// with the signature (stream start, after a busy buffer, after lost bytes).
#include "base/image_library.h"
#include "base/shared_state.h"
#include "protocol/code_tables.h"
#include "protocol/command_channel.h"
#include "protocol/window_hooks.h"
#include "transfer/data_receiver.h"
#include "transfer/live_stats.h"
#include "transfer/receiver_internals.h"

#include <algorithm>
#include <cstring>

namespace {

LiveStats g_stats;

// The frame being assembled is lost: count it and wait for the next signature. The data
// time-out is not pushed back, so a display that never frees its buffer still ends in it.
void DropUntilSignature() {
    if (g_lngFrameSize > 0) ++g_stats.framesDropped;
    g_lngFrameSize = 0;
    g_lngFrameFill = 0;
    receiver::KeepDataTimeOutRunning();
}

bool StartFrame() {
    const int32_t size = FrameBytes(g_RecMode.ImageSize);
    if (size > 0) g_lngFrameSize = size; // an unknown size index keeps the last size
    if (g_lngFrameSize <= 0 || g_lngFrameSize > kFrameRecordMax) {
        g_lngFrameSize = 0;
        return false;
    }
    if (g_lngFrameFill > 0) ++g_stats.framesDropped; // a half frame abandoned
    g_lngFrameFill = 0;
    return true;
}

constexpr char kSignature[] = "ZRK";
int32_t g_signatureSeen = 0; // leading signature bytes seen in chunks too short to be tested

// While no frame is being assembled, a signature may arrive cut into chunks shorter than three
// bytes (one byte per chunk, say). True when this chunk completes one: the frame is started with
// the earlier bytes in place and the chunk follows them.
bool SignatureFromPieces(const char* data, int32_t length) {
    if (g_signatureSeen > 0) {
        const int32_t need = 3 - g_signatureSeen;
        const int32_t n = std::min(need, length);
        if (std::memcmp(data, kSignature + g_signatureSeen, static_cast<size_t>(n)) == 0) {
            if (n < need) {
                g_signatureSeen += n;
                return false;
            }
            const int32_t seen = g_signatureSeen;
            g_signatureSeen = 0;
            if (!StartFrame()) return false;
            g_lngFrameFill = ImageLib().writeImageBuf(
                g_PreviewBuf[static_cast<size_t>(g_intRecvBuf & 1)].address, kFrameBufferBytes,
                reinterpret_cast<const uint8_t*>(kSignature), 0, seen);
            if (g_lngFrameFill == seen) return true;
            g_lngFrameSize = 0; // the copy failed
            g_lngFrameFill = 0;
            return false;
        }
        g_signatureSeen = 0;
    }
    if (length < 3 && std::memcmp(data, kSignature, static_cast<size_t>(length)) == 0)
        g_signatureSeen = length;
    return false;
}

} // namespace

const LiveStats& LiveCounters() {
    return g_stats;
}

namespace receiver {

void ResetLiveAssembly() {
    g_signatureSeen = 0;
    g_lngFrameSize = 0;
    g_lngFrameFill = 0;
    g_intRecvBuf = 0;
    g_intShowBuf = 0;
    for (FrameBuffer& b : g_PreviewBuf)
        b.inUse = 0;
}

void LiveGap() {
    DropUntilSignature();
}

} // namespace receiver

void RecvLiveData(const char* data, int32_t length) {
    g_stats.bytesReceived += static_cast<uint64_t>(length);
    bool begins = receiver::BeginsWithSignature(data, length);
    if (g_PreviewBuf[static_cast<size_t>(g_intRecvBuf & 1)].inUse != 0) {
        g_signatureSeen = 0;
        DropUntilSignature(); // the display still holds the buffer this chunk would go to
        return;
    }
    if (begins) {
        g_signatureSeen = 0;
        if (!StartFrame()) {
            receiver::KeepDataTimeOutRunning();
            return;
        }
    } else if (g_lngFrameSize == 0) { // no frame started since the stream began or lost bytes
        begins = SignatureFromPieces(data, length);
        if (!begins) {
            receiver::KeepDataTimeOutRunning();
            return;
        }
    }
    int32_t pos = 0;
    while (pos < length) {
        FrameBuffer& buf = g_PreviewBuf[static_cast<size_t>(g_intRecvBuf & 1)];
        if (buf.inUse != 0 || !buf.address) {
            DropUntilSignature(); // the next buffer is busy: the rest of the chunk goes
            return;
        }
        const int32_t take = std::min(length - pos, g_lngFrameSize - g_lngFrameFill);
        const int32_t filled =
            ImageLib().writeImageBuf(buf.address, kFrameBufferBytes,
                                     reinterpret_cast<const uint8_t*>(data + pos), g_lngFrameFill, take);
        if (filled < 0) { // the copy failed: nothing of this frame can be trusted
            DropUntilSignature();
            return;
        }
        g_lngFrameFill = filled;
        pos += take;
        if (g_lngFrameFill < g_lngFrameSize) break;
        buf.inUse = -1;
        IncWrap(g_intRecvBuf, 0, 1);
        g_lngFrameFill = 0;
        ++g_stats.framesCompleted;
        Hooks().ShowLiveImage();
        // The display may have stopped the stream or run the abort meanwhile.
        if (g_lngDataMode != 1 || g_lngFrameSize == 0) return;
    }
    if (begins || g_lngRunState == 3)
        receiver::StartDataTimeOut();
    else
        receiver::StopDataTimeOut();
}
