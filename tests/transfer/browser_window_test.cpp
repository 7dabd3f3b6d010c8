// The browser over the real command queue: what it queues, what it draws for which request, how
// its batch ends.
#include "tests/transfer/browser_fixture.h"

#include "base/qt_ui.h"

namespace {

TEST_F(BrowserWindows, RegionListCaptionAndABatchPerRegion) {
    EXPECT_EQ(browser->windowTitle(), QStringLiteral("Save - 10.0.0.5"));
    ASSERT_EQ(browser->cmbAreaNo->count(), 4); // None, 1, 2, 4: region 3 holds nothing
    EXPECT_EQ(browser->cmbAreaNo->itemText(3), QStringLiteral("4"));
    EXPECT_FALSE(browser->cmdRQDL->isEnabled());
    EXPECT_FALSE(browser->cmdPreview->isEnabled());

    browser->SelectRegion(1);
    const QStringList q = Queued();
    ASSERT_EQ(q.size(), 16);
    EXPECT_EQ(q[0], QStringLiteral("37:RQDL 0 33 1"));
    EXPECT_EQ(q[3], QStringLiteral("40:RQDL 0 25 1")); // frame 8
    EXPECT_EQ(q[15], QStringLiteral("52:RQDL 0 1 1"));
    EXPECT_EQ(g_intLastThumb, 15);
    EXPECT_EQ(browser->lblThumbNeil[3]->text(), QStringLiteral("8"));
    EXPECT_EQ(browser->lblDownLoadCnt->text(), QStringLiteral("33"));
    // Trigger 25 frames before the end: frame 7, between the thumbnails of frames 6 and 8.
    EXPECT_EQ(browser->lblTrigFrame->text(), QStringLiteral("7"));
    EXPECT_EQ(browser->picBack[2]->Colour(), QColor(0, 255, 0));
    EXPECT_EQ(browser->picBack[3]->Colour(), QColor(0, 255, 0));
    EXPECT_EQ(browser->picBack[0]->Colour(), QColor(255, 0, 0));
    EXPECT_EQ(browser->picBack[15]->Colour(), QColor(0, 0, 255));

    // A region of 5 frames: five requests, the other slots show "---".
    Drain();
    browser->SelectRegion(2);
    EXPECT_EQ(Queued().size(), 5);
    EXPECT_EQ(browser->lblThumbNeil[5]->text(), QStringLiteral("---"));
    EXPECT_EQ(browser->lblTrigFrame->text(), QStringLiteral("---"));

    // Start and end on one thumbnail: one frame, both marks' colour.
    browser->OptSelect[0]->setChecked(true);
    browser->ClickThumb(4);
    EXPECT_EQ(browser->Count(), 1);
    EXPECT_EQ(browser->picBack[4]->Colour(), QColor(255, 0, 255));
    browser->OptSelect[1]->setChecked(true);
    browser->ClickThumb(2); // left of the start with "End": nothing
    EXPECT_EQ(browser->EndIndex(), 4);
}

TEST_F(BrowserWindows, ARegionThatLostItsFramesIsNoRegion) {
    g_RegionFrames[0].Recorded = 0; // an NPIC after the list was filled
    browser->SelectRegion(1);
    EXPECT_EQ(browser->Region(), 0);
    EXPECT_EQ(browser->LastIndex(), -1);
    EXPECT_TRUE(Queued().isEmpty());
    EXPECT_EQ(browser->lblDownLoadCnt->text(), QStringLiteral("0"));
    EXPECT_FALSE(browser->cmdRQDL->isEnabled());
    EXPECT_FALSE(browser->cmdPreview->isEnabled());
    browser->Save();
    browser->ClickThumb(0);
    EXPECT_TRUE(Queued().isEmpty());
}

TEST_F(BrowserWindows, OnlyTheCurrentBatchIsDrawn) {
    PutFrame(2009, 3, 7, 0);
    browser->SelectRegion(1);
    const uint32_t first = browser->BatchTag();
    browser->SelectRegion(4); // replaces the batch while all of the first is still queued
    ASSERT_NE(browser->BatchTag(), first);
    ASSERT_EQ(InFlightTag(), first);
    BrowserDrawThumbNail(0);
    EXPECT_FALSE(browser->picFore[0]->HasPicture()); // a frame of the replaced batch
    for (int i = 0; i < 16; ++i)
        FinishCommand();
    ASSERT_EQ(InFlightTag(), browser->BatchTag());
    BrowserDrawThumbNail(0);
    EXPECT_TRUE(browser->picFore[0]->HasPicture());
    EXPECT_TRUE(ui.messages.isEmpty());

    // After the browser closed, its frames are only finished.
    FinishCommand();
    browser->close();
    BrowserDrawThumbNail(1);
    EXPECT_FALSE(browser->picFore[1]->HasPicture());
    EXPECT_EQ(g_lngViewMode, 1);
}

TEST_F(BrowserWindows, TheWaitingWindowClosesHoweverTheBatchEnds) {
    struct Case {
        const char* how;
        std::function<void()> end;
    };
    const Case cases[] = {
        {"refused one by one", [this] { Drain(); }},
        {"skipped because the camera went live",
         [] {
             g_lngCamMode = 1;
             FinishCommand(); // the request in flight; the channel skips the rest
             g_lngCamMode = 0;
         }},
        {"dropped with the link", [] { ResetCommandChannel(); }},
        {"browser closed first",
         [this] {
             browser->close();
             Drain();
         }},
    };
    int region = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        if (!Windows().frmThumbNail) {
            ShowThumbnailBrowser();
            browser = static_cast<frmDownLoad*>(Windows().frmThumbNail.data());
            Drain();
        }
        browser->SelectRegion(region = region == 1 ? 4 : 1);
        ui.ShowNotice(QStringLiteral("Thumbnail Download"), QString()); // the first "150"
        QTest::qWait(60);
        EXPECT_TRUE(ui.noticeOpen); // the batch is still running
        c.end();
        EXPECT_TRUE(WaitUntil([&] { return !ui.noticeOpen; }, 2000));
    }
}

TEST_F(BrowserWindows, TheRealWaitingWindowGivesTheBrowserBack) {
    QtUi qt;
    SetUi(&qt);
    browser->SelectRegion(1);
    qt.ShowNotice(QStringLiteral("Thumbnail Download"),
                  QStringLiteral("Downloading ZRK data for thumbnail.\r\nWait..."));
    EXPECT_FALSE(browser->isEnabled());
    FinishCommand();
    QTest::qWait(60);
    EXPECT_FALSE(browser->isEnabled()); // the batch is still running
    ResetCommandChannel();              // the link went
    EXPECT_TRUE(WaitUntil([&] { return browser->isEnabled(); }, 2000));
    delete Windows().frmMsgBox.data();
    SetUi(&ui);
}

TEST_F(BrowserWindows, SaveFollowsTheDownloadStateAndSavesTheMarkedRange) {
    browser->SelectRegion(1);
    Drain();
    browser->OptSelect[0]->setChecked(true);
    browser->ClickThumb(2); // frame 6
    browser->OptSelect[1]->setChecked(true);
    browser->ClickThumb(4); // frame 10
    EXPECT_EQ(browser->Count(), 5);
    EXPECT_TRUE(browser->cmdRQDL->isEnabled());
    EnqueueCommand(CommandId::RQDL, QStringLiteral("RQDL 0 9 1")); // a download armed elsewhere
    EXPECT_TRUE(WaitUntil([&] { return !browser->cmdRQDL->isEnabled(); }, 1000));
    browser->Save();
    EXPECT_EQ(Queued().size(), 1); // nothing more
    Drain();
    EXPECT_TRUE(WaitUntil([&] { return browser->cmdRQDL->isEnabled(); }, 1000));
}

} // namespace
