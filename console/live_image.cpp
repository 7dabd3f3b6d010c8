#include "console/live_image.h"

#include "base/image_library.h"
#include "base/shared_state.h"
#include "base/trace.h"
#include "base/ui_port.h"
#include "console/console_message.h"
#include "console/console_rules.h"
#include "console/frm_rec.h"
#include "console/live_picture.h"
#include "protocol/command_channel.h"
#include "protocol/command_set.h"

#include <QLabel>
#include <optional>

namespace {

const QString kTitle = QStringLiteral("Preview Output");

bool g_inside = false;
bool g_stopPending = false;
uint64_t g_framesShown = 0;
LiveDrawFunction g_draw = nullptr;

int32_t LibraryDraw(const ZRK_SURFACE* surface, const uint8_t* frame, int32_t w, int32_t h, int32_t dw,
                    int32_t dh, const uint16_t* gains, int32_t gamma, const ZRK_ENHANCE* sharpen,
                    ZRK_FRAME_HEADER* header, int16_t* status) {
    return ImageLib().combRgbLive(surface, frame, w, h, dw, dh, gains, gamma, sharpen, header, status);
}

// Draws the frame of buf into the console's picture. Returns the library's status on failure.
std::optional<int16_t> Draw(frmRec& console, const FrameBuffer& buf) {
    ZRK_FRAME_HEADER header{}; // the library's copy of the frame's header; cleared before every call
    int16_t status = 0;
    int32_t drawn = 0;
    const std::optional<QSize> frame = FrameSize(g_RecMode.ImageSize);
    const std::optional<QSize> shown = DrawnSize(g_RecMode.ImageSize);
    if (frame && shown && buf.address) {
        // The live display settings: the camera's own from the start of live output, then what the
        // camera settings dialog moves (kept after OK without "Save" until live output restarts).
        const WhiteBalance& wb = g_WBNew;
        const uint16_t gains[3] = {static_cast<uint16_t>(wb.Red), static_cast<uint16_t>(wb.Green),
                                   static_cast<uint16_t>(wb.Blue)};
        const int32_t gamma = g_GammaNew.Value;
        const ZRK_ENHANCE sharpen{0, 0};
        const ZRK_SURFACE surface = console.picImage->Surface(*shown);
        drawn = (g_draw ? g_draw : LibraryDraw)(&surface, buf.address, frame->width(), frame->height(),
                                                shown->width(), shown->height(), gains, gamma, &sharpen,
                                                &header, &status);
    }
    if (g_blnDebug) WriteTrace(QStringLiteral("Frame No.") + QString::number(header.realFrame));
    if (!drawn) {
        console.picImage->Clear();
        return status;
    }
    console.picImage->Refresh();
    ++g_framesShown;
    if (g_lngAnalogGain != 0) console.lblAnalog->setText(QString::number(header.analog));
    return std::nullopt;
}

// Consumes buffer g_intShowBuf: drawn, blanked or discarded, then freed. Returns a failure's status.
std::optional<int16_t> ShowOne() {
    FrameBuffer& buf = g_PreviewBuf[static_cast<std::size_t>(g_intShowBuf & 1)];
    std::optional<int16_t> failure;
    frmRec* console = RecordConsole();
    if (console && (g_lngViewMode == 1 || g_lngViewMode == 2)) {
        if (g_lngCamMode != 1)
            console->ClearPicture();
        else if (!g_stopPending)
            failure = Draw(*console, buf);
        // else: live output is being stopped after a failure; the frame goes unseen
    }
    buf.inUse = 0;
    IncWrap(g_intShowBuf, 0, 1);
    return failure;
}

void StopLiveOutput(int16_t status) {
    g_stopPending = true;
    if (frmRec* console = RecordConsole()) console->UntickPreviewQuietly();
    SendLVSP();
    SendMODE(0);
    QString text;
    switch (status) {
    case ZRK_STATUS_SURFACE:
        text = QStringLiteral("Cannot convert ZRK data to bitmap.");
        break;
    case ZRK_STATUS_SCALE:
        text = QStringLiteral("Cannot change preview image size.");
        break;
    case ZRK_STATUS_MAGIC:
        text = QStringLiteral("No header in ZRK data for preview image.");
        break;
    default:
        break;
    }
    ConsoleMessageScope scope; // a link lost while the box is up is handled once it closes
    if (!text.isEmpty())
        Ui().MessageBox(kTitle, text, MsgIcon::Information, MsgButtons::Ok);
    else
        ReportImageLibraryUnavailable(status, kTitle);
}

} // namespace

void ShowLiveImage() {
    if (g_inside) return;
    g_inside = true;
    std::optional<int16_t> failure;
    // Both buffers may be complete (one finished while the other was being shown); take each.
    for (int taken = 0; taken < 2 && g_PreviewBuf[static_cast<std::size_t>(g_intShowBuf & 1)].inUse;
         ++taken) {
        const std::optional<int16_t> status = ShowOne();
        if (status && !failure) {
            failure = status;
            g_stopPending = true; // the next frame of this pass is not drawn either
        }
    }
    g_inside = false;
    // Outside the pass: what follows lets events (and so more frames) in.
    if (failure) StopLiveOutput(*failure);
}

void ResetLiveStop() {
    g_stopPending = false;
}

bool LiveStopPending() {
    return g_stopPending;
}

uint64_t LiveFramesShown() {
    return g_framesShown;
}

void SetLiveDrawFunction(LiveDrawFunction draw) {
    g_draw = draw;
}
