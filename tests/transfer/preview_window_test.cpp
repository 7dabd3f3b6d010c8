// The preview window over the real command queue: one request per frame, playback with at most one
// request outstanding, the marks, the keys, and a window that requests nothing once closed.
#include "tests/transfer/browser_fixture.h"

#include <QCheckBox>
#include <QSlider>
#include <QTemporaryDir>

namespace {

using PreviewWindow = BrowserWindows;

int Requests() {
    int n = 0;
    for (int16_t i = g_intQueueRead; i != g_intQueueWrite; i = static_cast<int16_t>((i + 1) % kCmdQueueSlots))
        n += g_CmdQueue[static_cast<std::size_t>(i)].Id == CommandId::PreviewFrame;
    return n;
}

QString Last() {
    const auto i = static_cast<std::size_t>((g_intQueueWrite + kCmdQueueSlots - 1) % kCmdQueueSlots);
    return g_CmdQueue[i].Text + u'/' + QString::number(g_CmdQueue[i].Extra);
}

TEST_F(PreviewWindow, OpensStoppedOnTheStartFrameOfTheBrowsersRange) {
    frmPreview* p = OpenPreview(2, 4); // frames 6..10, offsets 27..23
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(g_lngViewMode, 4);
    EXPECT_FALSE(browser->isVisible());
    EXPECT_EQ(g_lngPreviewState, 3);
    EXPECT_TRUE(p->optStop->isChecked());
    EXPECT_EQ(Requests(), 1);
    EXPECT_EQ(Last(), QStringLiteral("RQDL 0 27 1/6"));
    EXPECT_EQ(p->sldFrameBar->minimum(), 6);
    EXPECT_EQ(p->sldFrameBar->maximum(), 10);
    EXPECT_EQ(p->lblPreviewTotal->text(), QStringLiteral("5"));
    EXPECT_EQ(p->lblTriger->text(), QStringLiteral("7"));
    EXPECT_TRUE(p->cmdRQDL->isEnabled());

    // Its frame is drawn with the header's date, the frame number and the analog value.
    PutFrame(2009, 3, 7, -12);
    BrowserDrawPreviewFrame();
    EXPECT_TRUE(p->picImage->HasPicture());
    EXPECT_EQ(p->lblFrame->text(), QStringLiteral("6"));
    EXPECT_FALSE(p->lblDate->text().isEmpty());
    EXPECT_TRUE(p->lblTime->text().contains(QStringLiteral("05")));
    EXPECT_EQ(p->lblAnalog->text(), QStringLiteral("-12"));
    // A header that is no calendar date shows empty fields.
    PutFrame(2009, 2, 30, 1);
    BrowserDrawPreviewFrame();
    EXPECT_TRUE(p->lblDate->text().isEmpty());
    EXPECT_TRUE(p->lblTime->text().isEmpty());
    EXPECT_EQ(p->lblAnalog->text(), QStringLiteral("1"));
}

TEST_F(PreviewWindow, ARangeOfOneFrameOffersNoPlayingOrMarking) {
    frmPreview* p = OpenPreview(3, 3);
    for (QWidget* w : std::initializer_list<QWidget*>{p->chkLoop, p->optPlay, p->optReverse, p->optPause,
                                                      p->optStop, p->cmdNext, p->cmdPrev, p->cmdStep,
                                                      p->cmdBack, p->cmdStart, p->cmdEnd, p->sldFrameBar})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(p->cmdRQDL->isEnabled());
    EXPECT_EQ(Last(), QStringLiteral("RQDL 0 25 1/8"));
}

TEST_F(PreviewWindow, PlayingKeepsOneRequestOutstandingAndStopsAtTheEnd) {
    for (bool loop : {false, true}) {
        SCOPED_TRACE(loop ? "loop" : "no loop");
        frmPreview* p = OpenPreview(2, 4);
        p->chkLoop->setChecked(loop);
        p->SelectPlay();
        EXPECT_EQ(g_lngPreviewState, 0);
        EXPECT_FALSE(p->cmdRQDL->isEnabled());
        // The first step comes from the timer while the opening frame is still outstanding: it waits.
        QTest::qWait(80);
        EXPECT_EQ(Requests(), 1);
        QStringList shown;
        for (int frame = 0; frame < 6 && g_lngPreviewState == 0; ++frame) {
            BrowserPreviewPlaybackStep(); // the frame in flight was drawn: the next one is asked for
            BrowserPreviewPlaybackStep(); // a second call must not ask again
            EXPECT_LE(Requests(), 2);
            FinishCommand();
            if (Requests() > 0) shown << Last();
            EXPECT_LE(Requests(), 1);
        }
        if (!loop) {
            EXPECT_EQ(shown,
                      (QStringList{"RQDL 0 26 1/7", "RQDL 0 25 1/8", "RQDL 0 24 1/9", "RQDL 0 23 1/10"}));
            EXPECT_EQ(g_lngPreviewState, 3);
            EXPECT_TRUE(p->optStop->isChecked());
            EXPECT_EQ(Requests(), 0);
            EXPECT_TRUE(p->cmdRQDL->isEnabled());
        } else {
            EXPECT_EQ(g_lngPreviewState, 0);
            EXPECT_EQ(shown.mid(3, 2), (QStringList{"RQDL 0 23 1/10", "RQDL 0 27 1/6"}));
            // Stop while playing forward goes back to the start frame.
            FinishCommand();
            p->SelectStop();
            EXPECT_EQ(p->CurrentOffset(), 27);
        }
        p->close();
        Drain();
    }
}

TEST_F(PreviewWindow, APlaybackWhoseRequestEndsUndrawnPauses) {
    frmPreview* p = OpenPreview(2, 4);
    p->SelectPlay();
    ASSERT_TRUE(WaitUntil([&] { return !p->tmrTimer->isActive(); }, 2000)); // the first step waits
    Drain(); // refused, or skipped because the camera is live: no frame, no end of frame
    EXPECT_TRUE(WaitUntil([&] { return g_lngPreviewState == 1; }, 2000));
    EXPECT_TRUE(p->optPause->isChecked());
    EXPECT_TRUE(p->cmdRQDL->isEnabled());
}

TEST_F(PreviewWindow, MarksNeverCrossAndSaveTheMarkedFrames) {
    frmPreview* p = OpenPreview(0, 15); // frames 0..32
    p->StepForward();
    p->StepForward(); // frame 2
    p->MarkEnd();
    EXPECT_EQ(p->lblSaveEnd->text(), QStringLiteral("2"));
    EXPECT_EQ(p->lblSaveTotal->text(), QStringLiteral("3"));
    p->StepForward(); // frame 3: after the end mark
    EXPECT_FALSE(p->cmdStart->isEnabled());
    p->MarkStart();
    EXPECT_EQ(p->Marks().startOffset, 33);
    // Stop after reverse play lands on the range's end, far after the end mark: still no start there.
    p->SelectReverse();
    p->SelectStop();
    EXPECT_EQ(p->CurrentOffset(), 1);
    EXPECT_FALSE(p->cmdStart->isEnabled());
    p->MarkStart();
    EXPECT_GE(p->Marks().Count(), 1);
    EXPECT_EQ(p->Marks().startOffset, 33);
    p->GoToStart();
    p->StepForward(); // frame 1
    p->MarkStart();
    EXPECT_EQ(p->lblSaveTotal->text(), QStringLiteral("2"));
    Drain();
    QTemporaryDir dir;
    ui.fileAnswers.push_back(dir.filePath(QStringLiteral("marked.dat")));
    p->Save();
    EXPECT_EQ(Last(), QStringLiteral("RQDL 0 32 2/0"));
    EXPECT_TRUE(WaitUntil([&] { return !p->cmdRQDL->isEnabled(); }, 1000)); // a download is armed
}

TEST_F(PreviewWindow, NavigationKeysInViewModeFour) {
    frmPreview* p = OpenPreview(2, 4);
    struct Key {
        int id;
        int offset; // current offset afterwards
        int state;  // g_lngPreviewState afterwards
    };
    const Key keys[] = {
        {0, 26, 1},             // Page Up: step
        {0, 25, 1}, {1, 26, 1}, // Page Down: back
        {3, 23, 3},             // End
        {2, 27, 3},             // Home
        {6, 27, 0},             // Right: play
        {5, 27, 1},             // Up: pause
        {4, 27, 0},             // Left: reverse
        {7, 27, 3},             // Down: stop
        {9, 27, 3},             // not a navigation key
    };
    for (const Key& k : keys) {
        RouteHotKey(k.id);
        EXPECT_EQ(p->CurrentOffset(), k.offset) << k.id;
        EXPECT_EQ(g_lngPreviewState, k.state) << k.id;
    }
    g_lngViewMode = 2; // another working window: the keys do not reach the preview
    RouteHotKey(0);
    EXPECT_EQ(p->CurrentOffset(), 27);
}

TEST_F(PreviewWindow, KeysFasterThanFramesEndOnTheLastPositionAskedFor) {
    frmPreview* p = OpenPreview(2, 4); // frames 6..10; the opening frame is on its way
    struct Burst {
        std::vector<int> keys;
        const char* requested; // what goes out once the frame in flight has arrived
        int frame;             // the frame bar meanwhile
    };
    const Burst bursts[] = {
        {{0, 0, 0, 1}, "RQDL 0 25 1/8", 8}, // three steps and one back: frame 8, none between
        {{3}, "RQDL 0 23 1/10", 10},        // End
        {{2, 0}, "RQDL 0 26 1/7", 7},       // Home, then a step
    };
    for (const Burst& b : bursts) {
        for (int id : b.keys)
            RouteHotKey(id);
        EXPECT_EQ(Requests(), 1); // still only the frame in flight
        EXPECT_EQ(p->sldFrameBar->value(), b.frame);
        PutFrame(2009, 3, 7, 0);
        BrowserDrawPreviewFrame(); // it arrives: the last position asked for goes out behind it
        FinishCommand();
        EXPECT_EQ(Requests(), 1);
        EXPECT_EQ(Last(), QString::fromLatin1(b.requested));
    }
    // A frame that ends undrawn (refused) brings no arrival: the window asks on its own.
    RouteHotKey(1);
    Drain();
    EXPECT_TRUE(WaitUntil([&] { return Requests() == 1; }, 1000));
    EXPECT_EQ(Last(), QStringLiteral("RQDL 0 27 1/6"));
}

TEST_F(PreviewWindow, AClosedWindowRequestsNothingMore) {
    frmPreview* p = OpenPreview(2, 4);
    p->SelectPlay();
    const uint32_t session = p->SessionTag();
    ASSERT_EQ(InFlightTag(), session);
    p->setAttribute(Qt::WA_DeleteOnClose, false); // kept to look at after closing
    p->close();
    EXPECT_EQ(g_lngViewMode, 2);
    EXPECT_TRUE(browser->isVisible());
    EXPECT_EQ(g_lngPreviewState, 3);
    PutFrame(2009, 3, 7, 0);
    g_lngViewMode = 4; // even if the receiver still thought it open
    BrowserDrawPreviewFrame();
    BrowserPreviewPlaybackStep();
    RouteHotKey(0);
    QTest::qWait(80);
    EXPECT_FALSE(p->picImage->HasPicture());
    EXPECT_EQ(Requests(), 1); // only the frame that was already in flight
    g_lngViewMode = 2;

    // A new session ignores the old one's frame still in flight.
    browser->Preview();
    frmPreview* again = Preview();
    ASSERT_NE(again, nullptr);
    ASSERT_NE(again->SessionTag(), session);
    g_lngViewMode = 4;
    BrowserDrawPreviewFrame();
    EXPECT_FALSE(again->picImage->HasPicture());
    FinishCommand();
    BrowserDrawPreviewFrame();
    EXPECT_TRUE(again->picImage->HasPicture());
    delete p;
}

} // namespace
