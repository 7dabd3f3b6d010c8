// The browser and the preview window against the stand-in camera: the real command channel, reply
// handlers and data-port receiver. Every frame that reaches a window is compared byte for byte with
// the camera's own rendering of that frame (its model, fed the same state file).
#include "base/app_state.h"
#include "base/blocking_wait.h"
#include "base/frame_buffers.h"
#include "base/open_windows.h"
#include "base/shared_state.h"
#include "camera.h"
#include "frame_render.h"
#include "link/ctr.h"
#include "protocol/command_channel.h"
#include "protocol/command_ids.h"
#include "protocol/command_set.h"
#include "protocol/frm_main.h"
#include "protocol/hot_keys.h"
#include "protocol/main_supervisor.h"
#include "protocol/reply_handlers.h"
#include "protocol/window_hooks.h"
#include "state_file.h"
#include "tests/support/camera_program.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/wait.h"
#include "transfer/browser_install.h"
#include "transfer/browser_requests.h"
#include "transfer/data_receiver.h"
#include "transfer/frm_down_load.h"
#include "transfer/frm_preview.h"
#include "transfer/thumbnail_picture.h"
#include "transfer/transfer_install.h"
#include "zrk_data_file.h"

#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// 200 x 200 frames; region 1 holds 40 frames with the trigger 10 frames before its end (frame 29),
// region 2 five frames without a trigger.
const char* kState = "rmod 0 0 3 0 1 1 10\n"
                     "clock 2009 03 07 09 00 00\n"
                     "region 0 40 10 2009 03 07 08 00 00\n"
                     "region 1 5 -1 2009 03 07 08 01 00\n";
constexpr int kFrameBytes = 40128;

// The camera's frame `index` of 0-based `region`, as its model renders it.
QByteArray CameraFrame(int region, int index) {
    static zrkcam::Camera camera = [] {
        zrkcam::Camera c{zrkcam::CameraConfig{}};
        std::string error;
        EXPECT_TRUE(zrkcam::applyState(c, kState, zrkcam::Now{}, error)) << error;
        return c;
    }();
    const zrkcam::Recording& rec = camera.region(region).rec;
    QByteArray frame(kFrameBytes, '\0');
    zrkcam::renderFrame(rec.settings, zrkcam::recordedStamp(rec, region, index),
                        reinterpret_cast<uint8_t*>(frame.data()));
    return frame;
}

bool ThumbBufHolds(const QByteArray& frame) {
    return std::memcmp(g_ThumbBuf.address, frame.constData(), static_cast<size_t>(frame.size())) == 0;
}

// A picture of the real window, offscreen; kept in the folder ZRK_DOCS_DIR names, when it is set.
void KeepPicture(QWidget* window, const QString& name) {
    const QImage picture = window->grab().toImage();
    EXPECT_GT(picture.width(), 300);
    const QString folder = qEnvironmentVariable("ZRK_DOCS_DIR");
    if (!folder.isEmpty()) {
        EXPECT_TRUE(picture.save(folder + u'/' + name));
    }
}

// The receiver's closing handshake and the browser's drawing, as start-up installs them, with a look
// at each frame on its way to a window.
class CheckingHooks final : public WindowHooks {
public:
    int thumbsRight = 0, thumbsWrong = 0;
    QList<int> previewFrames; // frame numbers of the preview frames, in order
    int previewWrong = 0;
    int mostOutstanding = 0;

    void EndDownload() override { ::EndDownload(); }
    void EndThumbNail() override { ::EndThumbNail(); }
    void DrawThumbNail(int32_t index) override {
        const ThumbEntry e = g_ThumbTable[static_cast<std::size_t>(index)];
        (ThumbBufHolds(CameraFrame(region, e.FrameNo)) ? thumbsRight : thumbsWrong)++;
        BrowserDrawThumbNail(index);
        if (afterThumb) afterThumb();
    }
    void DrawPreviewFrame() override {
        const int frameNo = InFlightExtra();
        previewFrames << frameNo;
        if (!ThumbBufHolds(CameraFrame(region, frameNo))) ++previewWrong;
        if (auto* p = static_cast<frmPreview*>(Windows().frmPreview.data()))
            mostOutstanding = std::max(mostOutstanding, PendingRequests(p->SessionTag()));
        BrowserDrawPreviewFrame();
    }
    void PreviewPlaybackStep() override { BrowserPreviewPlaybackStep(); }
    int region = 0;
    std::function<void()> afterThumb; // runs after each thumbnail reached the browser
};

class BrowserAgainstCamera : public ProgramAgainstCamera {
protected:
    CheckingHooks hooks;
    frmDownLoad* browser = nullptr;

    BrowserAgainstCamera() : ProgramAgainstCamera({.previewBuffers = false}) {}
    void SetUp() override {
        ProgramAgainstCamera::SetUp();
        if (HasFatalFailure()) return;
        InstallTransfer();
        SetHooks(&hooks);
        InstallBrowser();
        g_lngViewMode = 1;

        StartCameraWithState(kState, ExtraCameraArgs());
        if (HasFatalFailure()) return;
        window->chkTCPConnect->setChecked(true);
        ASSERT_TRUE(WaitUntil([&] { return window->cmdRec->isEnabled() && g_blnLinkOpen && Idle(); }, 15000));
        ASSERT_EQ(g_RegionFrames[0].Recorded, 40);

        ShowThumbnailBrowser();
        browser = static_cast<frmDownLoad*>(Windows().frmThumbNail.data());
        ASSERT_TRUE(WaitUntil([&] { return Idle() && g_lngTrigPos[0] == 10; }, 5000)); // its PTRG
    }
    void TearDown() override {
        CloseThumbnailBrowser();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ProgramAgainstCamera::TearDown();
        SetHooks(nullptr);
        SetPreviewHotKeyHandler(nullptr);
        g_lngViewMode = 0;
    }
    virtual QStringList ExtraCameraArgs() const { return {}; }
    int Drawn() const {
        int n = 0;
        for (ThumbnailPicture* p : browser->picFore)
            n += p->HasPicture();
        return n;
    }
    frmPreview* OpenPreview(int start, int end) {
        browser->SelectRegion(1);
        EXPECT_TRUE(WaitUntil([&] { return Idle() && !ui.noticeOpen; }, 10000));
        browser->OptSelect[1]->setChecked(true);
        browser->ClickThumb(end);
        browser->OptSelect[0]->setChecked(true);
        browser->ClickThumb(start);
        browser->Preview();
        auto* p = static_cast<frmPreview*>(Windows().frmPreview.data());
        EXPECT_TRUE(WaitUntil([&] { return Idle() && !hooks.previewFrames.isEmpty(); }, 5000));
        return p;
    }
    bool Shows(frmPreview* p, int frameNo) {
        const bool shown =
            WaitUntil([&] { return Idle() && p->lblFrame->text() == QString::number(frameNo); }, 5000);
        if (!shown)
            ADD_FAILURE() << p->lblFrame->text().toStdString() << " | "
                          << ui.traces.mid(ui.traces.size() - 12).join(u'|').toStdString();
        return shown;
    }
};

TEST_F(BrowserAgainstCamera, ABatchOfSixteenThumbnailsDrawnWithTheTriggerMarked) {
    browser->SelectRegion(1);
    ASSERT_TRUE(WaitUntil([&] { return Idle() && Drawn() == 16; }, 10000)) << Drawn();
    EXPECT_EQ(hooks.thumbsRight, 16);
    EXPECT_EQ(hooks.thumbsWrong, 0);
    EXPECT_GE(ui.noticeShows, 1);
    EXPECT_EQ(ui.noticeTitle, QStringLiteral("Thumbnail Download"));
    EXPECT_TRUE(WaitUntil([&] { return !ui.noticeOpen; }, 1000));
    // 40 frames: 0, 3, ..., 27, then 29, 31, ..., 39; the trigger is frame 29, thumbnail 10.
    EXPECT_EQ(browser->lblThumbNeil[10]->text(), QStringLiteral("29"));
    EXPECT_EQ(browser->lblTrigFrame->text(), QStringLiteral("29"));
    EXPECT_EQ(browser->picBack[10]->Colour(), QColor(0, 255, 0));
    EXPECT_NE(browser->picFore[0]->Picture(), browser->picFore[1]->Picture());
    browser->OptSelect[0]->setChecked(true);
    browser->ClickThumb(2);
    browser->OptSelect[1]->setChecked(true);
    browser->ClickThumb(12);
    KeepPicture(browser, QStringLiteral("thumbnail-browser.png"));
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.MessageTexts().join(u'|').toStdString();
}

TEST_F(BrowserAgainstCamera, ABrowserClosedMidBatchDrawsNothingMoreAndTheQueueDrains) {
    browser->setAttribute(Qt::WA_DeleteOnClose, false); // kept to look at after closing
    int drawnAtClose = -1;
    hooks.afterThumb = [&] {
        if (Drawn() == 2 && drawnAtClose < 0) {
            browser->close();
            drawnAtClose = Drawn();
        }
    };
    browser->SelectRegion(1);
    ASSERT_TRUE(WaitUntil([&] { return drawnAtClose >= 0; }, 10000));
    EXPECT_EQ(g_lngViewMode, 1);
    ASSERT_TRUE(WaitUntil([&] { return Idle() && ui.traces.filter(QStringLiteral("->RQDL 0")).size() == 16; },
                          10000));
    EXPECT_TRUE(WaitUntil([&] { return !ui.noticeOpen; }, 1000));
    EXPECT_EQ(Drawn(), drawnAtClose);
    EXPECT_EQ(hooks.thumbsWrong, 0);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.MessageTexts().join(u'|').toStdString();
    delete browser;
    browser = nullptr;
}

// The camera holds back its PTRG answer a little, so that a batch queued behind it can be changed.
class SlowTriggerTableCamera : public BrowserAgainstCamera {
protected:
    QStringList ExtraCameraArgs() const override {
        return {QStringLiteral("--fault"), QStringLiteral("delay:PTRG:300")};
    }
};

TEST_F(SlowTriggerTableCamera, ARefusedLastRequestStillClosesTheWaitingWindow) {
    RequestPTRG();
    browser->SelectRegion(1);
    // The camera refuses the batch's last request (an offset it does not hold).
    for (auto& entry : g_CmdQueue)
        if (entry.Id == CommandId::ThumbFirst + 15) entry.Text = QStringLiteral("RQDL 0 0 1");
    ASSERT_TRUE(WaitUntil([&] { return Idle() && !ui.messages.isEmpty(); }, 10000))
        << ui.traces.mid(ui.traces.size() - 12).join(u'|').toStdString();
    EXPECT_EQ(ui.messages[0].title, QStringLiteral("Thumbnail Download"));
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Invalid offset count."));
    EXPECT_TRUE(WaitUntil([&] { return !ui.noticeOpen; }, 1000));
    EXPECT_EQ(Drawn(), 15);
    EXPECT_TRUE(browser->isEnabled());
    EXPECT_TRUE(browser->cmdRQDL->isEnabled());
}

TEST_F(BrowserAgainstCamera, PreviewStepsAndPlaysThroughItsRange) {
    frmPreview* p = OpenPreview(1, 3); // frames 3..9
    ASSERT_NE(p, nullptr);
    ASSERT_TRUE(Shows(p, 3));
    hooks.mostOutstanding = 0;
    for (int i = 0; i < 5; ++i) // faster than the camera answers: the last position asked for wins
        p->StepForward();
    p->StepBack();
    p->StepBack();
    ASSERT_TRUE(Shows(p, 6));
    ASSERT_TRUE(WaitUntil([&] { return Idle(); }, 5000));
    EXPECT_EQ(p->lblFrame->text(), QStringLiteral("6"));
    EXPECT_EQ(hooks.mostOutstanding, 1);
    p->StepBack();
    ASSERT_TRUE(Shows(p, 5));
    EXPECT_EQ(p->lblDate->text(), QLocale::system().toString(QDate(2009, 3, 7), QLocale::ShortFormat));
    p->StepBack();
    ASSERT_TRUE(Shows(p, 4));
    hooks.previewFrames.clear();
    hooks.mostOutstanding = 0;
    p->SelectPlay();
    ASSERT_TRUE(WaitUntil([&] { return g_lngPreviewState == 3 && Idle(); }, 10000));
    EXPECT_EQ(hooks.previewFrames, (QList<int>{5, 6, 7, 8, 9}));
    EXPECT_EQ(p->lblFrame->text(), QStringLiteral("9"));
    KeepPicture(p, QStringLiteral("preview-window.png"));
    EXPECT_EQ(hooks.previewWrong, 0);
    EXPECT_EQ(hooks.mostOutstanding, 1);
    // Reverse with "Loop" keeps going past the start.
    p->chkLoop->setChecked(true);
    hooks.previewFrames.clear();
    p->SelectReverse();
    ASSERT_TRUE(WaitUntil([&] { return hooks.previewFrames.size() >= 9; }, 10000));
    p->SelectPause();
    ASSERT_TRUE(WaitUntil([&] { return Idle(); }, 5000));
    EXPECT_EQ(hooks.previewFrames.mid(0, 9), (QList<int>{8, 7, 6, 5, 4, 3, 9, 8, 7}));
    EXPECT_EQ(hooks.mostOutstanding, 1);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.MessageTexts().join(u'|').toStdString();
}

TEST_F(BrowserAgainstCamera, MarksNarrowedAndSavedAreTheCamerasFrames) {
    frmPreview* p = OpenPreview(0, 15); // the whole region, frames 0..39
    ASSERT_NE(p, nullptr);
    p->MoveSlider(27);
    ASSERT_TRUE(Shows(p, 27));
    p->MarkStart();
    p->MoveSlider(30);
    ASSERT_TRUE(Shows(p, 30));
    p->MarkEnd();
    EXPECT_EQ(p->lblSaveTotal->text(), QStringLiteral("4"));
    const QString path = dir.filePath(QStringLiteral("marked.dat"));
    ui.fileAnswers.push_back(path);
    p->Save();
    ASSERT_TRUE(
        WaitUntil([&] { return Idle() && g_strSaveFile.isEmpty() && QFile(path).size() > 0; }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return p->cmdRQDL->isEnabled(); }, 1000)); // "Save" is back

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), ZRK_DATA_OFFSET + 4 * kFrameBytes);
    ZRK_DATA_INFO_HEADER info{};
    std::memcpy(&info, bytes.constData() + ZRK_DATA_FILE_HEADER_SIZE, sizeof info);
    EXPECT_EQ(info.frameCount, 4);
    EXPECT_EQ(info.triggerFrame, 2); // frame 29 is the third saved frame
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(bytes.mid(ZRK_DATA_OFFSET + i * kFrameBytes, kFrameBytes), CameraFrame(0, 27 + i)) << i;
}

TEST_F(BrowserAgainstCamera, NavigationKeysDriveThePreview) {
    frmPreview* p = OpenPreview(1, 3); // frames 3..9
    ASSERT_TRUE(Shows(p, 3));
    struct Key {
        Qt::Key key;
        int frame;
    };
    const Key keys[] = {{Qt::Key_PageUp, 4}, {Qt::Key_PageUp, 5}, {Qt::Key_PageDown, 4}, {Qt::Key_End, 9},
                        {Qt::Key_Home, 3},   {Qt::Key_Right, 9},  {Qt::Key_Left, 3}};
    for (const Key& k : keys) {
        QTest::keyClick(p, k.key);
        EXPECT_TRUE(WaitUntil([&] { return g_lngPreviewState != 0 && Shows(p, k.frame); }, 10000))
            << k.key << " " << p->lblFrame->text().toStdString();
    }
    QTest::keyClick(p, Qt::Key_Right);
    QTest::keyClick(p, Qt::Key_Up); // pause at once
    EXPECT_EQ(g_lngPreviewState, 1);
    QTest::keyClick(p, Qt::Key_Down);
    EXPECT_EQ(g_lngPreviewState, 3);
    EXPECT_EQ(hooks.previewWrong, 0);
}

} // namespace
