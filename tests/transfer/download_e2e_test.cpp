// Downloads from zrkcam through the real links, receiver and writer: byte-identical files for
// every chunking and order of the closing reply, and every fault ending as it should.
#include "tests/transfer/camera_fixture.h"

namespace {

using Downloads = AgainstCamera;

TEST_F(Downloads, TheFileIsTheCamerasFramesBehindTheHeaders) {
    struct Case {
        const char* fault;
        int32_t offset, count;
    };
    const Case cases[] = {
        {"chunk:1", 2, 1},
        {"chunk:1460", 40, 40},
        {"chunk:65536", 30, 20},
        {"chunk:random", 40, 40},
        {"", 40, 40}, // as large as the socket takes
        {"early-226", 40, 40},
        {"hold-226:150", 10, 10}, // "226" before / well after the data
        {"data-before-150:5000", 40, 40},
        {"data-before-150", 12, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        Connect(*c.fault ? QStringList{c.fault} : QStringList{});
        const QString path = dir.filePath(QStringLiteral("take.dat"));
        ASSERT_TRUE(Save(path, c.offset, c.count, 9, 1));
        ASSERT_TRUE(WaitUntil([&] { return DownloadDone(); }, 20000));
        EXPECT_EQ(ReadFile(path),
                  ExpectedHeaders(c.count * kFrame, c.count, 1, 9) + Frames(c.offset, c.count));
        EXPECT_TRUE(ui.messages.isEmpty()) << ui.MessageTexts().join('|').toStdString();
        EXPECT_EQ(Traces(QStringLiteral("Invalid Data")), 0);
        EXPECT_FALSE(ui.progressOpen);
        EXPECT_EQ(ui.progressTitle, QStringLiteral("100% download completed"));
        EXPECT_TRUE(Connected());
        window->chkTCPConnect->setChecked(false);
        camera.Stop();
        ui.Clear();
        QFile::remove(path);
    }
}

TEST_F(Downloads, AnOlderLongerFileIsReplacedWhole) {
    const QString path = dir.filePath(QStringLiteral("old.dat"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(3 << 20, 'O'));
    }
    Connect();
    ASSERT_TRUE(Save(path, 5, 2));
    ASSERT_TRUE(WaitUntil([&] { return DownloadDone(); }, 10000));
    EXPECT_EQ(ReadFile(path), ExpectedHeaders(2 * kFrame, 2, -1, 4) + Frames(5, 2));
}

// A "150" whose byte count is not the frames' records cannot describe a usable file: refused with
// one message, nothing written, and the request ends with its "226" (the camera sends the data
// anyway; it is only traced).
TEST_F(Downloads, AnAnnouncedSizeThatIsNotTheFramesIsRefused) {
    for (const char* fault : {"announce-bytes:-1000", "announce-bytes:1000"}) {
        SCOPED_TRACE(fault);
        ui.Clear();
        Connect({fault});
        const QString path = dir.filePath(QStringLiteral("odd.dat"));
        ASSERT_TRUE(Save(path, 3, 3));
        ASSERT_TRUE(WaitUntil([&] { return !g_blnCmdBusy && !DownloadBusy(); }, 10000));
        EXPECT_EQ(ui.MessageTexts(), QStringList{"Recived command invalid."});
        EXPECT_FALSE(QFile::exists(path));
        QTest::qWait(650); // longer than the data time-out: nothing more comes
        EXPECT_EQ(ui.messages.size(), 1);
        EXPECT_TRUE(Connected());
        window->chkTCPConnect->setChecked(false);
        camera.Stop();
    }
}

TEST_F(Downloads, DataThatStopsShortEndsInTheDataTimeOutWithTheFileKept) {
    struct Case {
        const char* fault;
        int32_t dataBytes; // what arrives of the 3 frames
    };
    const Case cases[] = {
        {"stall-data:3000", 3000},         // the data port goes silent
        {"close-data:bytes=50000", 50000}, // the data link dropped mid-download
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        ui.Clear();
        Connect({c.fault});
        const QString path = dir.filePath(QStringLiteral("short.dat"));
        ASSERT_TRUE(Save(path, 3, 3));
        ASSERT_TRUE(WaitUntil([&] { return !ui.messages.isEmpty(); }, 10000));
        EXPECT_EQ(ui.MessageTexts(), QStringList{"Time out image data port\r\nCommunication end."});
        EXPECT_TRUE(Disconnected());
        EXPECT_EQ(ReadFile(path).size(), ZRK_DATA_OFFSET + c.dataBytes); // kept as written
        EXPECT_EQ(ReadFile(path).mid(ZRK_DATA_OFFSET), Frames(3, 3).left(c.dataBytes));
        EXPECT_TRUE(g_strSaveFile.isEmpty());
        EXPECT_EQ(g_lngDataMode, 0);
        EXPECT_FALSE(ui.progressOpen);
        QTest::qWait(650); // longer than the data time-out: it does not come again
        EXPECT_EQ(ui.messages.size(), 1);
        EXPECT_FALSE(sup->tmrDataTimeOut->isActive());
        camera.Stop();
    }
}

TEST_F(Downloads, ACameraLostMidDownloadLeavesNoTransferBehind) {
    Connect({"stall-data:100000"});
    const QString path = dir.filePath(QStringLiteral("lost.dat"));
    ASSERT_TRUE(Save(path, 10, 10));
    ASSERT_TRUE(WaitUntil([&] { return QFileInfo(path).size() == ZRK_DATA_OFFSET + 100000; }, 10000));
    camera.Stop(); // both links go; the silent reconnect finds nobody
    ASSERT_TRUE(WaitUntil([&] { return !ui.messages.isEmpty(); }, 15000));
    EXPECT_EQ(ui.MessageTexts(), QStringList{"Camera connection lost. Cannot communicate."});
    EXPECT_EQ(ReadFile(path), ExpectedHeaders(10 * kFrame, 10, -1, 4) + Frames(10, 10).left(100000));
    EXPECT_TRUE(g_strSaveFile.isEmpty());
    EXPECT_FALSE(DownloadBusy());
    EXPECT_FALSE(ui.progressOpen);
    QTest::qWait(650);
    EXPECT_EQ(ui.messages.size(), 1); // no data time-out afterwards
}

TEST_F(Downloads, ADroppedLinkComesBackWithoutTheOldTransfer) {
    // The camera drops its command connection right after the "150" (the 19th answer).
    Connect({"close-command:commands=19", "chunk:4096"});
    const QString path = dir.filePath(QStringLiteral("again.dat"));
    ASSERT_TRUE(Save(path, 40, 40));
    // The read-out of the new connection is through.
    ASSERT_TRUE(WaitUntil(
        [&] { return Traces(QStringLiteral("->NPIC")) == 2 && !g_blnCmdBusy && Connected(); }, 15000));
    EXPECT_TRUE(g_strSaveFile.isEmpty());
    EXPECT_FALSE(DownloadBusy());
    EXPECT_EQ(g_lngDataMode, 0);
    QTest::qWait(650); // longer than the data time-out
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.MessageTexts().join('|').toStdString();
    EXPECT_TRUE(Connected());
}

TEST_F(Downloads, AFullDiskEndsTheConnectionWithTheFileKept) {
    Connect();
    const QString path = dir.filePath(QStringLiteral("full.dat"));
    {
        FileSizeLimit limit(200000);
        ASSERT_TRUE(Save(path, 40, 40));
        ASSERT_TRUE(WaitUntil([&] { return !ui.messages.isEmpty(); }, 10000));
    }
    EXPECT_EQ(ui.MessageTexts(), QStringList{"Cannot write to file."});
    EXPECT_EQ(ui.messages[0].title, QStringLiteral("Save"));
    EXPECT_TRUE(WaitUntil([&] { return Disconnected(); }, 5000));
    EXPECT_EQ(ReadFile(path).size(), 200000);
    EXPECT_TRUE(g_strSaveFile.isEmpty());
    EXPECT_FALSE(ui.progressOpen);
    QTest::qWait(650);
    EXPECT_EQ(ui.messages.size(), 1);
}

TEST_F(Downloads, ARefusedRequestLeavesSaveFreeForTheNext) {
    Connect({"error-reply:1:551"});
    const QString path = dir.filePath(QStringLiteral("second.dat"));
    ASSERT_TRUE(Save(dir.filePath(QStringLiteral("first.dat")), 3, 3));
    ASSERT_TRUE(WaitUntil([&] { return !ui.messages.isEmpty() && !g_blnCmdBusy; }, 10000));
    EXPECT_EQ(ui.MessageTexts(), QStringList{"Invalid offset count."});
    EXPECT_FALSE(DownloadBusy());
    ASSERT_TRUE(Save(path, 3, 3));
    ASSERT_TRUE(WaitUntil([&] { return DownloadDone(); }, 10000));
    EXPECT_EQ(ReadFile(path), ExpectedHeaders(3 * kFrame, 3, -1, 4) + Frames(3, 3));
}

TEST_F(Downloads, AThumbnailWithoutSignatureGivesOneMessageAndTheBatchGoesOn) {
    Connect({"bad-magic-request:2", "chunk:1000"});
    g_intLastThumb = 2;
    for (int slot = 0; slot < 3; ++slot)
        SendThumbnailRQDL(slot, DownloadRequest{0, 40 - slot * 10, 1}, 0);
    ASSERT_TRUE(WaitUntil([&] { return !g_blnCmdBusy; }, 10000));
    EXPECT_EQ(ui.MessageTexts(), QStringList{"Cannot display thumbnail. No header in ZRK data."});
    EXPECT_EQ(hooks.thumbnails, (QList<int>{0, 2}));
    EXPECT_FALSE(ui.noticeOpen); // the batch's last request closed the waiting notice
    EXPECT_TRUE(Connected());
}

TEST_F(Downloads, LiveFramesArriveWholeHoweverTheCameraCutsThem) {
    for (const char* chunk : {"chunk:7", "chunk:random", "chunk:100000"}) {
        SCOPED_TRACE(chunk);
        hooks.liveFrames = hooks.liveWrong = 0;
        Connect({chunk});
        SendMODE(1);
        SendLVST();
        ASSERT_TRUE(WaitUntil([&] { return hooks.liveFrames >= 3; }, 10000));
        SendLVSP();
        SendMODE(0);
        ASSERT_TRUE(WaitUntil([&] { return g_lngDataMode == 0 && !g_blnCmdBusy; }, 5000));
        EXPECT_EQ(hooks.liveWrong, 0);
        QTest::qWait(650); // longer than the data time-out: it is off once the stream stopped
        EXPECT_TRUE(ui.messages.isEmpty()) << ui.MessageTexts().join('|').toStdString();
        EXPECT_TRUE(Connected());
        window->chkTCPConnect->setChecked(false);
        camera.Stop();
    }
}

} // namespace
