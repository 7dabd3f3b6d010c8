// The live picture: each completed buffer drawn (or blanked, or discarded) and freed; the sizes,
// settings and header the library gets; a failure stopping live output exactly once; a display
// entered again from inside itself never leaving a buffer held.
#include "console/live_picture.h"
#include "console/setup_dialogs_link.h"
#include "tests/console/console_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <cstring>
#include <functional>

namespace {

// The stand-in for CombRGB_Live: records each call and answers as the test says.
struct DrawCall {
    int32_t w, h, dw, dh;
    uint16_t gains[3];
    int32_t gamma;
    uint8_t firstByte;
};
struct FakeLibrary {
    QList<DrawCall> calls;
    int16_t failStatus = 0;       // non-zero: every call fails with it
    bool writeHeader = true;      // copy the frame's header out (a failing call may not)
    std::function<void()> during; // runs inside the call (events the drawing lets in)
};
FakeLibrary* g_fake = nullptr;

int32_t FakeDraw(const ZRK_SURFACE* s, const uint8_t* frame, int32_t w, int32_t h, int32_t dw, int32_t dh,
                 const uint16_t* gains, int32_t gamma, const ZRK_ENHANCE*, ZRK_FRAME_HEADER* header,
                 int16_t* status) {
    g_fake->calls << DrawCall{w, h, dw, dh, {gains[0], gains[1], gains[2]}, gamma, frame[0]};
    EXPECT_TRUE(s && s->width >= dw && s->height >= dh);
    if (g_fake->writeHeader) std::memcpy(header, frame, sizeof *header);
    if (g_fake->during) g_fake->during();
    *status = g_fake->failStatus;
    return g_fake->failStatus == 0 ? 1 : 0;
}

class LiveImage : public ConsoleTest {
protected:
    FakeLibrary fake;
    frmRec* console = nullptr;

    void SetUp() override {
        ConsoleTest::SetUp();
        g_fake = &fake;
        SetLiveDrawFunction(&FakeDraw);
        g_blnDebug = true; // the "Frame No." trace
        g_lngCamMode = 1;
        console = OpenConsole();
        console->chkPreview->setChecked(true);
        g_lngDataMode = 1; // LVST accepted
        ClearQueue();
    }
    void TearDown() override {
        g_fake = nullptr;
        ConsoleTest::TearDown();
    }
    // The receiver completing a frame into the next buffer and handing it to the display.
    void Complete(uint16_t frameNo, int16_t analog = 0, char first = 'Z') {
        FrameBuffer& b = g_PreviewBuf[static_cast<std::size_t>(g_intRecvBuf)];
        ASSERT_EQ(b.inUse, 0) << "the receiver never fills a held buffer";
        ZRK_FRAME_HEADER h{};
        std::memcpy(h.magic, "ZRK", 4);
        h.magic[0] = static_cast<uint8_t>(first);
        h.realFrame = frameNo;
        h.analog = analog;
        std::memcpy(b.address, &h, sizeof h);
        b.inUse = -1;
        IncWrap(g_intRecvBuf, 0, 1);
        ShowLiveImage();
    }
    QStringList FrameTraces() const { return ui.traces.filter(QStringLiteral("Frame No.")); }
    bool BothFree() const { return g_PreviewBuf[0].inUse == 0 && g_PreviewBuf[1].inUse == 0; }
};

TEST_F(LiveImage, DrawsEachFrameAtItsSizeWithTheCameraSettings) {
    g_WB = {6, 1, 2, 3}; // the live display settings are the pending ones, not the camera's
    g_WBNew = {6, 100, 110, 120};
    g_GammaNew = {2, 67};
    g_lngAnalogGain = 1;
    const int32_t sizes[][4] = {
        {200, 200, 400, 400}, {256, 256, 512, 512}, {512, 256, 512, 256}, {512, 512, 512, 512}};
    for (int32_t size = 0; size < 4; ++size) {
        g_RecMode.ImageSize = size;
        Complete(static_cast<uint16_t>(size == 3 ? 65535 : size), static_cast<int16_t>(-5 - size));
        ASSERT_EQ(fake.calls.size(), size + 1);
        const DrawCall& c = fake.calls.last();
        EXPECT_EQ((std::array{c.w, c.h, c.dw, c.dh}),
                  (std::array{sizes[size][0], sizes[size][1], sizes[size][2], sizes[size][3]}));
        EXPECT_EQ((std::array{c.gains[0], c.gains[1], c.gains[2]}), (std::array<uint16_t, 3>{100, 110, 120}));
        EXPECT_EQ(c.gamma, 67);
        EXPECT_EQ(console->lblAnalog->text(), QString::number(-5 - size));
        EXPECT_TRUE(console->picImage->HasPicture());
        EXPECT_EQ(console->picImage->Image().size(), QSize(sizes[size][2], sizes[size][3]));
    }
    EXPECT_EQ(FrameTraces().size(), 4);
    EXPECT_TRUE(FrameTraces().last().endsWith(QStringLiteral("Frame No.65535")));
    EXPECT_TRUE(FrameTraces().first().endsWith(QStringLiteral("Frame No.0")));
    EXPECT_TRUE(BothFree());
    EXPECT_EQ(g_intShowBuf, g_intRecvBuf);
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_TRUE(Queued().isEmpty());
}

TEST_F(LiveImage, WhatIsDrawnDependsOnTheWorkingWindowAndCameraMode) {
    struct Case {
        const char* name;
        int32_t viewMode, camMode;
        bool drawn, pictureAfter;
    };
    const Case cases[] = {
        {"console open, live", 1, 1, true, true},
        {"console behind the browser, live: drawn all the same", 2, 1, true, true},
        {"console open, camera in REC: blanked", 1, 0, false, false},
        {"another working window: discarded", 3, 1, false, true},
    };
    for (const Case& k : cases) {
        Complete(1); // something on the picture first
        fake.calls.clear();
        g_lngViewMode = k.viewMode;
        g_lngCamMode = k.camMode;
        Complete(2);
        EXPECT_EQ(fake.calls.size(), k.drawn ? 1 : 0) << k.name;
        EXPECT_EQ(console->picImage->HasPicture(), k.pictureAfter) << k.name;
        EXPECT_TRUE(BothFree()) << k.name;
        g_lngViewMode = 1;
        g_lngCamMode = 1;
    }
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(LiveImage, AFailureStopsLiveOutputOnceWithItsMessage) {
    struct Case {
        int16_t status;
        int32_t imageSize;
        QString message; // empty: none
    };
    const Case cases[] = {
        {3, 0, "Cannot convert ZRK data to bitmap."},
        {4, 1, "Cannot change preview image size."},
        {5, 2, "No header in ZRK data for preview image."},
        {5, 3, "No header in ZRK data for preview image."}, // 512x512 is examined like the rest
        {1, 3, ""},
    };
    for (const Case& k : cases) {
        ui.Clear();
        ClearQueue();
        console->chkPreview->setChecked(true);
        ClearQueue();
        g_lngDataMode = 1;
        g_RecMode.ImageSize = k.imageSize;
        fake.failStatus = k.status;
        fake.calls.clear();
        Complete(7);
        EXPECT_EQ(ui.MessageTexts(), k.message.isEmpty() ? QStringList{} : QStringList{k.message})
            << k.status;
        if (!ui.messages.isEmpty()) {
            EXPECT_EQ(ui.messages[0].title, QStringLiteral("Preview Output"));
        }
        EXPECT_EQ(Queued(), (QStringList{"LVSP", "MODE REC"})) << k.status;
        EXPECT_FALSE(console->picImage->HasPicture());
        EXPECT_FALSE(console->chkPreview->isChecked()) << "live output is off";
        // Frames still arriving before the LVSP reply: discarded, no box, nothing more queued.
        Complete(8);
        Complete(9);
        EXPECT_EQ(fake.calls.size(), 1) << k.status;
        EXPECT_EQ(ui.messages.size(), k.message.isEmpty() ? 0 : 1) << k.status;
        EXPECT_EQ(Queued(), (QStringList{"LVSP", "MODE REC"})) << k.status;
        EXPECT_TRUE(BothFree());
        // The LVSP reply ends the stream; the next stream may fail and stop itself again.
        Reply(QStringLiteral("200 Live output stopped"));
        EXPECT_EQ(g_lngDataMode, 0);
        Reply(QStringLiteral("200 REC"));
        g_lngCamMode = 1;
    }
}

TEST_F(LiveImage, TheHeaderAreaIsClearedBeforeEveryCall) {
    Complete(1234);
    fake.failStatus = 5;
    fake.writeHeader = false; // a failed call that hands back no header
    Complete(4321);
    ASSERT_EQ(FrameTraces().size(), 2);
    EXPECT_TRUE(FrameTraces()[1].endsWith(QStringLiteral("Frame No.0"))) << FrameTraces()[1].toStdString();
}

TEST_F(LiveImage, EnteredAgainFromInsideTheDrawingNoBufferStaysHeld) {
    // While frame 1 is drawn, events let the receiver complete the other buffer and call in again.
    fake.during = [&] {
        fake.during = nullptr;
        Complete(2);
    };
    Complete(1);
    EXPECT_EQ(fake.calls.size(), 2); // the outer call took the second frame too
    EXPECT_TRUE(BothFree());
    EXPECT_EQ(g_intShowBuf, g_intRecvBuf);
    // Both buffers complete with the show index on the receive index: both shown, not stuck.
    fake.calls.clear();
    g_PreviewBuf[0].inUse = g_PreviewBuf[1].inUse = -1;
    g_intShowBuf = g_intRecvBuf = 1;
    ShowLiveImage();
    EXPECT_EQ(fake.calls.size(), 2);
    EXPECT_TRUE(BothFree());
}

TEST_F(LiveImage, FramesArrivingUnderTheFailureMessageAreDiscardedSilently) {
    fake.failStatus = 3;
    int nested = 0;
    ui.whileShown = [&](const ShownMessage&) {
        // The box runs its own loop: more frames come in and are shown (discarded) meanwhile.
        if (nested++ == 0) {
            Complete(2);
            Complete(3);
        }
    };
    Complete(1);
    EXPECT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(fake.calls.size(), 1);
    EXPECT_EQ(Queued(), (QStringList{"LVSP", "MODE REC"}));
    EXPECT_TRUE(BothFree());
    EXPECT_FALSE(g_blnMsgBoxOpen);
}

TEST_F(LiveImage, ALinkLostUnderTheFailureMessageClosesTheConsoleAfterIt) {
    QPointer<frmRec> alive(console);
    fake.failStatus = 5;
    ui.whileShown = [&](const ShownMessage&) { g_blnLostDuringMsgBox = true; };
    Complete(1);
    EXPECT_EQ(control.calls, (QStringList{"CloseingTCPCom", "CloseTCPCom"}));
    EXPECT_TRUE(alive);
    Flush();
    EXPECT_FALSE(alive);
    EXPECT_FALSE(RecordConsole());
    // A frame still in the pipe finds no console: freed, nothing drawn.
    fake.calls.clear();
    Complete(2);
    EXPECT_TRUE(fake.calls.isEmpty());
    EXPECT_TRUE(BothFree());
}

TEST_F(LiveImage, WhileTheCameraDialogIsOpenThePendingSettingsAreDrawn) {
    if (!SetupDialogsBuilt()) GTEST_SKIP() << "no camera settings dialog in this build";
    g_WB = {6, 100, 110, 120};
    g_Gamma = {2, 67};
    console->cmdCamera->setEnabled(true);
    console->cmdCamera->click();
    EXPECT_FALSE(console->isEnabled());
    g_WBNew = {6, 1, 2, 3}; // the operator is trying other colours
    g_GammaNew = {3, 55};
    Complete(1);
    ASSERT_EQ(fake.calls.size(), 1);
    EXPECT_EQ((std::array{fake.calls[0].gains[0], fake.calls[0].gains[1], fake.calls[0].gains[2]}),
              (std::array<uint16_t, 3>{1, 2, 3}));
    EXPECT_EQ(fake.calls[0].gamma, 55);
    // Closed with the close box (Cancel): the camera's own settings count again.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("frmCamera")) w->close();
    Flush();
    Complete(2);
    EXPECT_EQ(fake.calls[1].gamma, 67);
}

} // namespace

// The picture is painted where the library drew it, inside the border; only the strips around it,
// and the whole area once cleared, get the black background.
TEST(LivePictureWidget, PaintsThePictureInsideItsBorderAndOnlyTheRestBlack) {
    LivePicture picture;
    picture.resize(410, 408); // wider and taller than the picture and its border
    const ZRK_SURFACE surface = picture.Surface(QSize(400, 400));
    for (int y = 0; y < surface.height; ++y)
        for (int x = 0; x < surface.width; ++x)
            reinterpret_cast<uint32_t*>(surface.pixels + y * surface.stride)[x] = 0xff336699u;
    picture.Refresh();
    const QImage shown = picture.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb drawn = 0xff336699u, black = 0xff000000u;
    for (const QPoint p : {QPoint(2, 2), QPoint(401, 401), QPoint(200, 2), QPoint(2, 300)})
        EXPECT_EQ(shown.pixel(p), drawn) << p.x() << "," << p.y();
    for (const QPoint p : {QPoint(1, 1), QPoint(402, 200), QPoint(407, 300), QPoint(200, 402),
                           QPoint(200, 405), QPoint(1, 200)})
        EXPECT_EQ(shown.pixel(p), black) << p.x() << "," << p.y();
    picture.Clear();
    EXPECT_EQ(picture.grab().toImage().convertToFormat(QImage::Format_RGB32).pixel(200, 200), black);
}
