// Downloads into data files without a camera: the file layout, the closing handshake in either
// order, the announced size as the limit, the progress window and every file failure.
#include "tests/transfer/data_file_expect.h"
#include "tests/transfer/transfer_fixture.h"
#include "transfer/held_data.h"
#include "transfer/save_range.h"

#include <QLocale>

namespace {

constexpr int32_t kFrame = 40128; // 200 x 200

class Download : public TransferTest {
protected:
    QString path;
    QByteArray frames;

    void SetUp() override {
        TransferTest::SetUp();
        path = dir.filePath(QStringLiteral("take.dat"));
        frames = MakeFrame(kFrame, 10) + MakeFrame(kFrame, 11);
    }
    // Arms a download the way SaveRange leaves it, sends the RQDL and plays its "150".
    void Start(int32_t announcedBytes, int32_t frameCount = 2) {
        g_strSaveFile = path;
        g_intIDNumber = 12;
        g_lngTrigOffset = 1;
        SendRQDL(DownloadRequest{1, 20, frameCount});
        RequestGAIN(); // goes out exactly when the download finishes
        DispatchReply(QStringLiteral("150 %1 %2").arg(frameCount).arg(announcedBytes));
        ASSERT_EQ(g_lngDataMode, 2);
    }
    QByteArray File() const { return ReadFile(path); }
    bool Finished() const { return InFlight() == QStringLiteral("GAIN"); }
};

TEST_F(Download, TheFileIsTheHeadersAndTheDataAsTheyCameInEitherOrder) {
    struct Case {
        const char* name;
        std::vector<int> sizes;
        bool closingFirst;
    };
    const Case cases[] = {
        {"one chunk", {2 * kFrame}, false},
        {"1460-byte chunks, 226 first", {1460}, true},
        {"one-byte chunks", {1}, false},
        {"256 KiB chunks, 226 first", {256 * 1024}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetCommandChannel();
        ui.Clear();
        Start(2 * kFrame);
        if (c.closingFirst) DispatchReply(QStringLiteral("226 Transfer complete"));
        Feed(frames, c.sizes);
        if (!c.closingFirst) {
            EXPECT_FALSE(Finished());
            EXPECT_TRUE(ui.progressOpen); // the window stays until "226"
            EXPECT_TRUE(comTimeOut->isActive());
            DispatchReply(QStringLiteral("226 Transfer complete"));
        }
        EXPECT_EQ(File(), ExpectedHeaders(2 * kFrame, 2, 1, 12) + frames);
        EXPECT_TRUE(Finished());
        EXPECT_FALSE(ui.progressOpen);
        EXPECT_EQ(ui.progressTitle, QStringLiteral("100% download completed"));
        EXPECT_EQ(ui.progressValue, 100);
        EXPECT_LE(ui.progressCaptionChanges, 100);
        EXPECT_TRUE(g_strSaveFile.isEmpty());
        EXPECT_EQ(g_lngDataMode, 0);
        EXPECT_FALSE(dataTimeOut->isActive());
        EXPECT_TRUE(ui.messages.isEmpty());
        EXPECT_EQ(ui.statuses, QStringList{"2 frames saved to " + path}); // said, not asked
        ui.progressCaptionChanges = 0;
    }
}

TEST_F(Download, ProgressShowsThePercentAndTheKilobytes) {
    Start(2 * kFrame);
    const int n = 5587; // (32 + n + 1) / 80288 rounds to 7 %
    Feed(frames.left(n));
    EXPECT_EQ(ui.progressTitle, QStringLiteral("7% download completed"));
    EXPECT_EQ(ui.progressValue, 7);
    const QLocale locale = QLocale::system();
    EXPECT_EQ(ui.progressText, locale.toString((32 + n) / 1024.0, 'f', 1) +
                                   QStringLiteral(" KB copied from ") +
                                   locale.toString(80288 / 1024.0, 'f', 1) + QStringLiteral(" KB."));
    Feed(frames.mid(n, 10)); // too little for another percent: nothing changes
    EXPECT_EQ(ui.progressCaptionChanges, 1);
}

TEST_F(Download, AnOlderLongerFileOfTheSameNameIsReplacedWhole) {
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(500000, 'O'));
    }
    Start(kFrame, 1);
    Feed(frames.left(kFrame));
    DispatchReply(QStringLiteral("226 ok"));
    EXPECT_EQ(File(), ExpectedHeaders(kFrame, 1, 1, 12) + frames.left(kFrame));
}

TEST_F(Download, NothingBeyondTheAnnouncedSizeIsWritten) {
    Start(kFrame + 100, 1); // the camera sends more than it announced
    Feed(frames.left(kFrame + 50));
    Feed(frames.mid(kFrame + 50, 3000)); // completes the file and runs past it
    EXPECT_EQ(Traces(QStringLiteral("Data beyond the announced size dropped = 2950")), 1);
    Feed(frames.mid(kFrame + 3050, 500)); // after the file is complete, before "226"
    EXPECT_EQ(Traces(QStringLiteral("Data after the complete download dropped = 500")), 1);
    DispatchReply(QStringLiteral("226 ok"));
    EXPECT_EQ(File(), ExpectedHeaders(kFrame + 100, 1, 1, 12) + frames.left(kFrame + 100));
    EXPECT_TRUE(Finished());
}

TEST_F(Download, FewerBytesThanAnnouncedNeverFinish) {
    Start(2 * kFrame);
    Feed(frames.left(2 * kFrame - 1));
    DispatchReply(QStringLiteral("226 ok"));
    EXPECT_FALSE(Finished());
    EXPECT_TRUE(ui.progressOpen);
    EXPECT_TRUE(dataTimeOut->isActive()); // the data time-out ends it
}

TEST_F(Download, AFileThatCannotBeWrittenEndsTheTransferAndIsKeptAsWritten) {
    struct Case {
        const char* name;
        rlim_t limit;
        const char* file;
        const char* message;
    };
    const Case cases[] = {
        {"disk full in the data", 50000, "take.dat", "Cannot write to file."},
        {"disk full in the headers", 20, "take.dat", "Cannot write to file."},
        {"folder missing", RLIM_INFINITY, "no-such-folder/take.dat", "Cannot open file."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetCommandChannel();
        ui.Clear();
        path = dir.filePath(QString::fromLatin1(c.file));
        QFile::remove(path);
        Start(2 * kFrame);
        {
            FileSizeLimit limit(c.limit);
            Feed(frames, {16384});
        }
        EXPECT_EQ(ui.MessageTexts(), QStringList{QString::fromLatin1(c.message)});
        EXPECT_EQ(ui.messages.value(0).title, QStringLiteral("Save"));
        EXPECT_EQ(ui.messages.value(0).icon, MsgIcon::None);
        EXPECT_FALSE(ui.progressOpen);
        EXPECT_TRUE(g_strSaveFile.isEmpty());
        EXPECT_EQ(g_lngDataMode, 0);
        EXPECT_FALSE(dataTimeOut->isActive());
        EXPECT_FALSE(DownloadBusy() && g_lngDataMode == 2);
        if (c.limit != RLIM_INFINITY) {
            EXPECT_EQ(File().size(), static_cast<qsizetype>(c.limit)); // kept as written
        }
    }
}

TEST_F(Download, ARefusedStartWaitsForItsClosingReply) {
    g_strSaveFile = path;
    SendRQDL(DownloadRequest{0, 5, 1});
    RequestGAIN();
    Feed(frames.left(1000)); // data ahead of the reply is held...
    DispatchReply(QStringLiteral("150 1 x"));
    EXPECT_EQ(ui.MessageTexts(), QStringList{"Recived command invalid."});
    EXPECT_EQ(Traces(QStringLiteral("Invalid Data = 1000")), 1); // ...and only traced once refused
    EXPECT_EQ(InFlight(), QStringLiteral("RQDL 0 5 1"));
    EXPECT_TRUE(comTimeOut->isActive());
    Feed(frames.mid(1000, 2000));
    DispatchReply(QStringLiteral("226 Transfer complete")); // lands on the download, not on GAIN
    EXPECT_TRUE(Finished());
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(Download, DataBeforeTheStartReplyLandsInTheFileInOrder) {
    g_strSaveFile = path;
    g_intIDNumber = 3;
    g_lngTrigOffset = -1;
    SendRQDL(DownloadRequest{0, 2, 2});
    RequestGAIN();
    Feed(frames.left(50000), {1460});
    EXPECT_EQ(Traces(QStringLiteral("Invalid Data")), 0);
    DispatchReply(QStringLiteral("150 2 %1").arg(2 * kFrame));
    Feed(frames.mid(50000), {4096});
    DispatchReply(QStringLiteral("226 ok"));
    EXPECT_EQ(File(), ExpectedHeaders(2 * kFrame, 2, -1, 3) + frames);
    EXPECT_TRUE(Finished());
}

TEST_F(Download, DataLostAheadOfTheStartReplyIsNeverJoinedAcrossTheGap) {
    const int32_t chunk = 256 * 1024;
    const int32_t held = held::kCapacity / chunk; // chunks that fit while the "150" is awaited
    g_strSaveFile = path;
    SendRQDL(DownloadRequest{0, 300, 300});
    const QByteArray piece(chunk, 'd');
    for (int i = 0; i < held + 2; ++i) // the two after the held ones do not fit
        Feed(piece);
    EXPECT_EQ(Traces(QStringLiteral("no room to hold it")), 2);
    DispatchReply(QStringLiteral("150 300 %1").arg(300 * 262272));
    EXPECT_EQ(File().size(), 32 + static_cast<qsizetype>(held) * chunk); // up to the gap, no further
    EXPECT_EQ(Traces(QStringLiteral("Image data lost")), 1);
    Feed(piece); // the rest goes nowhere, and does not push the data time-out back
    DispatchReply(QStringLiteral("226 Transfer complete"));
    EXPECT_EQ(File().size(), 32 + static_cast<qsizetype>(held) * chunk);
    EXPECT_EQ(InFlight(), QStringLiteral("RQDL 0 300 300")); // never reported finished
    EXPECT_TRUE(dataTimeOut->isActive());
}

TEST_F(Download, TheAbortClosesTheFileAndLeavesNothingBehind) {
    Start(2 * kFrame);
    Feed(frames.left(30000));
    AbortTransfer();
    AbortTransfer(); // as often as the supervisor likes
    EXPECT_EQ(File(), ExpectedHeaders(2 * kFrame, 2, 1, 12) + frames.left(30000));
    EXPECT_FALSE(ui.progressOpen);
    EXPECT_TRUE(g_strSaveFile.isEmpty());
    EXPECT_EQ(g_lngDataMode, 0);
    EXPECT_FALSE(g_blnDlDataWait || g_blnDlReplyWait || g_blnFileFirst);
    EXPECT_FALSE(dataTimeOut->isActive());
    // Data of the old transfer still in the socket goes nowhere, and nothing re-arms the time-out.
    Feed(frames.mid(30000, 4000));
    EXPECT_EQ(File().size(), 32 + 30000);
    EXPECT_FALSE(dataTimeOut->isActive());
}

TEST_F(Download, HeldDataDoesNotOutliveAnAbort) {
    ResetCommandChannel();
    SendThumbnailRQDL(0, DownloadRequest{0, 1, 1}, 0);
    Feed(QByteArray("stale bytes of the lost link"));
    AbortTransfer();
    ResetCommandChannel(); // the new connection
    SendThumbnailRQDL(1, DownloadRequest{0, 1, 1}, 0);
    DispatchReply(QStringLiteral("150 ok"));
    const QByteArray frame = MakeFrame(kFrame, 1);
    Feed(frame);
    ASSERT_EQ(hooks.drawn.size(), 1u);
    EXPECT_EQ(hooks.drawn[0].left(kFrame), frame);
}

} // namespace
