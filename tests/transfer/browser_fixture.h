// The browser and the preview window over the real command queue with no camera behind it: the
// link counts as open, so queued commands "go out" to nowhere and the test plays the replies.
#pragma once

#include "base/frame_buffers.h"
#include "base/open_windows.h"
#include "base/shared_state.h"
#include "protocol/command_channel.h"
#include "protocol/command_ids.h"
#include "protocol/hot_keys.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/wait.h"
#include "transfer/browser_install.h"
#include "transfer/browser_requests.h"
#include "transfer/frm_down_load.h"
#include "transfer/frm_preview.h"
#include "transfer/thumbnail_picture.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <cstring>
#include <gtest/gtest.h>

// A 200 x 200 frame record in g_ThumbBuf with the given date and analog value.
inline void PutFrame(int16_t year, int16_t month, int16_t day, int16_t analog) {
    ZRK_FRAME_HEADER h{};
    std::memcpy(h.magic, "ZRK", 4);
    h.width = h.height = 200;
    h.year = year;
    h.month = month;
    h.day = day;
    h.hour = 8;
    h.minute = 5;
    h.second = 9;
    h.analog = analog;
    h.redGain = h.greenGain = h.blueGain = 128;
    h.gamma = 100;
    std::memcpy(g_ThumbBuf.address, &h, sizeof h);
    for (int i = 0; i < 200 * 200; ++i)
        g_ThumbBuf.address[128 + i] = static_cast<uint8_t>(i * 7);
}

class BrowserWindows : public ::testing::Test {
protected:
    ScriptedUi ui;
    frmDownLoad* browser = nullptr;

    void SetUp() override {
        ASSERT_TRUE(AllocThumbnailBuffer());
        ResetCommandChannel();
        g_blnLinkOpen = true; // queued commands "go out" to no link
        g_lngCamMode = 0;
        g_lngViewMode = 1;
        g_RecMode.ImageSize = 0;
        g_bytCamIP = {10, 0, 0, 5};
        g_RegionFrames = {RegionCount{33, 100}, RegionCount{5, 100}, RegionCount{0, 100},
                          RegionCount{16, 100}};
        g_lngTrigPos = {25, -1, -1, 0};
        InstallBrowser();
        ShowThumbnailBrowser();
        browser = static_cast<frmDownLoad*>(Windows().frmThumbNail.data());
        ASSERT_NE(browser, nullptr);
        FinishCommand(); // the PTRG the browser asks on opening
    }
    void TearDown() override {
        CloseThumbnailBrowser();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        SetPreviewHotKeyHandler(nullptr);
        ResetCommandChannel();
        g_blnLinkOpen = false;
        g_lngViewMode = 0;
        FreeThumbnailBuffer();
    }
    // The queued commands, in order, from the one in flight on.
    QStringList Queued() const {
        QStringList texts;
        for (int16_t i = g_intQueueRead; i != g_intQueueWrite;
             i = static_cast<int16_t>((i + 1) % kCmdQueueSlots))
            texts << QString::number(g_CmdQueue[static_cast<std::size_t>(i)].Id) + u':' +
                         g_CmdQueue[static_cast<std::size_t>(i)].Text;
        return texts;
    }
    void Drain() {
        while (g_intQueueRead != g_intQueueWrite)
            FinishCommand();
    }
    // Region 1 (33 frames, trigger at frame 7), thumbnails start..end, then "Preview"; the queue
    // holds only the preview's first frame afterwards.
    frmPreview* OpenPreview(int start, int end) {
        browser->SelectRegion(1);
        Drain();
        browser->OptSelect[1]->setChecked(true);
        browser->ClickThumb(end);
        browser->OptSelect[0]->setChecked(true);
        browser->ClickThumb(start);
        browser->Preview();
        return Preview();
    }
    frmPreview* Preview() const { return static_cast<frmPreview*>(Windows().frmPreview.data()); }
};
