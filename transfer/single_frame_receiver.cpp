// One frame for a thumbnail (command ids 37..52) or for the preview window (53), assembled in
// g_ThumbBuf. The first three bytes of a request are gathered before the signature test, so a
// first chunk as short as "Z" is not mistaken for a frame without header.
#include "base/image_library.h"
#include "base/shared_state.h"
#include "base/trace.h"
#include "base/ui_port.h"
#include "protocol/code_tables.h"
#include "protocol/command_channel.h"
#include "protocol/command_ids.h"
#include "protocol/window_hooks.h"
#include "transfer/data_receiver.h"
#include "transfer/receiver_internals.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr int32_t kSignatureBytes = 3;
std::array<char, kSignatureBytes> g_signature{};
bool g_copyFailed = false;  // a piece of this frame could not be copied: it is not drawn
int64_t g_requestBytes = 0; // bytes received for the request so far

void Append(const char* data, int32_t length) {
    if (length <= 0) return;
    if (g_ThumbBuf.address) {
        const int32_t filled =
            ImageLib().writeImageBuf(g_ThumbBuf.address, kFrameBufferBytes,
                                     reinterpret_cast<const uint8_t*>(data), g_lngThumbFill, length);
        if (filled < 0) g_copyFailed = true;
    }
    g_lngThumbFill += length; // without a buffer the frame is only counted
}

// The frame is whole: state first, so whatever the drawing shows cannot re-enter a live request.
void FrameComplete() {
    receiver::StopDataTimeOut();
    const int32_t id = g_lngCurCmd;
    const bool draw = !g_copyFailed && g_ThumbBuf.address;
    g_blnThumbHeader = false;
    g_blnThumbDataWait = false;
    g_lngDataMode = 0;
    g_lngThumbFill = 0;
    const uint64_t aborts = receiver::Aborts();
    if (!draw) {
        WriteTrace(QStringLiteral("Single frame not drawn: no frame buffer"));
    } else if (id >= CommandId::ThumbFirst && id < CommandId::PreviewFrame) {
        Hooks().DrawThumbNail(id - CommandId::ThumbFirst);
    } else if (id == CommandId::PreviewFrame && g_lngViewMode == 4) {
        Hooks().DrawPreviewFrame();
    }
    if (receiver::Aborts() == aborts) EndThumbNail(); // a drawing message may have outlived the link
}

void NoHeader() {
    receiver::StopDataTimeOut();
    // The camera sends one whole record all the same: its rest must not be taken for the start of
    // the next request's frame.
    receiver::DiscardNext(FrameBytes(g_RecMode.ImageSize) - g_requestBytes);
    g_blnThumbHeader = false;
    g_blnThumbDataWait = false;
    g_lngDataMode = 0;
    g_lngThumbFill = 0;
    const uint64_t aborts = receiver::Aborts();
    Ui().MessageBox(QStringLiteral("Thumbnail Download"),
                    QStringLiteral("Cannot display thumbnail. No header in ZRK data."), MsgIcon::Information,
                    MsgButtons::Ok);
    if (receiver::Aborts() == aborts) EndThumbNail(); // the connection may have ended under the box
}

} // namespace

void RecvThumbNailData(const char* data, int32_t length) {
    if (!g_blnThumbDataWait) { // the frame is complete; surplus goes
        receiver::StopDataTimeOut();
        return;
    }
    if (g_blnThumbFirst && (g_lngThumbFill <= 0 || g_lngThumbFill >= kSignatureBytes)) g_requestBytes = 0;
    g_requestBytes += length;
    if (g_blnThumbFirst) {
        if (g_lngThumbFill < 0 || g_lngThumbFill >= kSignatureBytes) g_lngThumbFill = 0;
        const int32_t take = std::min(length, kSignatureBytes - g_lngThumbFill);
        std::memcpy(g_signature.data() + g_lngThumbFill, data, static_cast<size_t>(take));
        g_lngThumbFill += take;
        data += take;
        length -= take;
        if (g_lngThumbFill < kSignatureBytes) {
            receiver::StartDataTimeOut();
            return;
        }
        g_blnThumbFirst = false;
        g_blnThumbHeader = receiver::BeginsWithSignature(g_signature.data(), kSignatureBytes);
        if (g_blnThumbHeader) {
            const int32_t size = FrameBytes(g_RecMode.ImageSize);
            if (size > 0) g_lngThumbSize = size; // an unknown size index keeps the last size
            if (g_lngThumbSize < kSignatureBytes || g_lngThumbSize > kFrameRecordMax)
                g_lngThumbSize = kFrameRecordMax;
            g_copyFailed = false;
            g_lngThumbFill = 0;
            Append(g_signature.data(), kSignatureBytes);
        }
    }
    if (!g_blnThumbHeader) {
        NoHeader();
        return;
    }
    Append(data, std::min(length, g_lngThumbSize - g_lngThumbFill)); // bytes beyond the frame go
    if (g_lngThumbFill < g_lngThumbSize) {
        receiver::StartDataTimeOut();
        return;
    }
    FrameComplete();
}

void EndThumbNail() {
    if (g_blnThumbDataWait) return; // the data side calls again
    if (g_blnThumbReplyWait) {
        receiver::StartCommandTimeOut(); // a missing "226" ends in the command time-out
        return;
    }
    // Finishes only the single-frame request in flight, so one that already finished (its "226"
    // came while a message of its own was up) is never finished twice.
    const int32_t id = g_lngCurCmd;
    if (!g_blnCmdBusy || id < CommandId::ThumbFirst || id > CommandId::PreviewFrame) return;
    if (id == CommandId::ThumbFirst + g_intLastThumb) {
        Ui().CloseNotice();
    } else if (id == CommandId::PreviewFrame && g_lngPreviewState == 0) {
        Hooks().PreviewPlaybackStep();
    }
    FinishCommand();
}
