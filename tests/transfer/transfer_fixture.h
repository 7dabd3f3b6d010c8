// The data-port receiver with no camera behind it: the links count as open, commands go through
// the real queue to no wire, replies go through DispatchReply and the test feeds the data chunks
// itself. Hooks record what the receiver asks of the windows; the live display can be told to
// keep its buffer.
#pragma once

#include "base/app_state.h"
#include "base/frame_buffers.h"
#include "base/main_window_parts.h"
#include "base/shared_state.h"
#include "protocol/command_channel.h"
#include "protocol/command_ids.h"
#include "protocol/command_set.h"
#include "protocol/main_targets.h"
#include "protocol/reply_handlers.h"
#include "protocol/window_hooks.h"
#include "tests/support/scripted_ui.h"
#include "transfer/data_receiver.h"
#include "transfer/transfer_install.h"
#include "zrk_frame_header.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <QTimer>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

// A frame record of the given total size: the header with magic and frame number, then a pattern
// that differs from frame to frame.
inline QByteArray MakeFrame(int32_t bytes, uint16_t number) {
    QByteArray f(bytes, '\0');
    ZRK_FRAME_HEADER h{};
    std::memcpy(h.magic, "ZRK", 4);
    h.realFrame = number;
    std::memcpy(f.data(), &h, sizeof h);
    for (int32_t i = static_cast<int32_t>(sizeof h); i < bytes; ++i)
        f[i] = static_cast<char>((i * 31 + number * 7) & 0xff);
    return f;
}

// Forwards the closing handshake to the receiver and records every window call.
class TransferHooks final : public WindowHooks {
public:
    QStringList calls;
    std::vector<QByteArray> shownLive; // each live frame the display took, as it was
    std::vector<QByteArray> drawn;     // g_ThumbBuf at each single-frame draw
    bool displayKeepsBuffer = false;   // a display that never frees its buffer
    std::function<void()> duringShow;  // runs inside ShowLiveImage (a message box, say)

    void EndDownload() override { ::EndDownload(); }
    void EndThumbNail() override { ::EndThumbNail(); }
    void ShowLiveImage() override {
        calls << QStringLiteral("ShowLiveImage");
        if (g_intShowBuf == g_intRecvBuf || !g_PreviewBuf[g_intShowBuf].inUse) return;
        shownLive.emplace_back(reinterpret_cast<const char*>(g_PreviewBuf[g_intShowBuf].address),
                               kFrameRecordMax);
        if (duringShow) duringShow();
        if (displayKeepsBuffer) return;
        g_PreviewBuf[g_intShowBuf].inUse = 0;
        IncWrap(g_intShowBuf, 0, 1);
    }
    void DrawThumbNail(int32_t index) override {
        calls << QStringLiteral("DrawThumbNail %1").arg(index);
        drawn.emplace_back(reinterpret_cast<const char*>(g_ThumbBuf.address), kFrameRecordMax);
    }
    void DrawPreviewFrame() override {
        calls << QStringLiteral("DrawPreviewFrame");
        drawn.emplace_back(reinterpret_cast<const char*>(g_ThumbBuf.address), kFrameRecordMax);
    }
    void PreviewPlaybackStep() override { calls << QStringLiteral("PreviewPlaybackStep"); }
};

class TransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetAppPath(dir.path());
        ASSERT_TRUE(AllocPreviewBuffers());
        ASSERT_TRUE(AllocThumbnailBuffer());
        ResetCameraSettings();
        ResetCommandChannel();
        g_blnLinkOpen = true;
        g_strConnectStage.clear();
        g_lngViewMode = 0;
        g_lngRunState = 0;
        g_lngCamMode = 0;
        g_RecMode.ImageSize = 0;
        g_intLastThumb = 15;
        g_lngPreviewState = 3;
        g_blnDebug = true; // trace lines reach the scripted UI
        for (auto* slot : {&comTimeOut, &dataTimeOut}) {
            *slot = std::make_unique<QTimer>();
            (*slot)->setSingleShot(true);
            (*slot)->setInterval(60000);
        }
        MainParts() = MainWindowParts{};
        MainParts().tmrComTimeOut = comTimeOut.get();
        MainParts().tmrDataTimeOut = dataTimeOut.get();
        InstallReplyHandlers();
        InstallTransfer();
        AbortTransfer();
        SetHooks(&hooks);
    }
    void TearDown() override {
        AbortTransfer();
        SetHooks(nullptr);
        for (auto& handler : ReplyHandlers())
            handler = nullptr;
        MainParts() = MainWindowParts{};
        g_blnLinkOpen = false;
        g_blnDebug = false;
        ResetCommandChannel();
        FreePreviewBuffers();
        FreeThumbnailBuffer();
    }

    // Feeds bytes to the receiver cut into pieces of the given sizes (the last size repeats).
    static void Feed(const QByteArray& bytes, const std::vector<int>& sizes) {
        qsizetype at = 0;
        for (size_t i = 0; at < bytes.size(); ++i) {
            const qsizetype n = std::min<qsizetype>(sizes[std::min(i, sizes.size() - 1)], bytes.size() - at);
            RecvImageData(bytes.constData() + at, static_cast<int32_t>(n));
            at += n;
        }
    }
    static void Feed(const QByteArray& bytes) {
        RecvImageData(bytes.constData(), static_cast<int32_t>(bytes.size()));
    }

    QString InFlight() const {
        return g_blnCmdBusy ? g_CmdQueue[static_cast<std::size_t>(g_intQueueRead)].Text : QString();
    }
    int Traces(const QString& needle) const { return ui.traces.filter(needle).size(); }

    QTemporaryDir dir;
    ScriptedUi ui;
    TransferHooks hooks;
    std::unique_ptr<QTimer> comTimeOut, dataTimeOut;
};
