// Downloads into data files without a camera: the file layout, the closing handshake in either
// order, the announced size as the limit, the progress window and every file failure.
#include "protocol/main_control.h"
#include "tests/transfer/data_file_expect.h"
#include "tests/transfer/transfer_fixture.h"
#include "transfer/download_owner.h"
#include "transfer/held_data.h"
#include "transfer/save_range.h"

#include <QFileInfo>
#include <QLocale>
#include <sys/stat.h>

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
    Start(kFrame, 1);
    Feed(frames.left(kFrame - 50));
    Feed(frames.mid(kFrame - 50, 3000)); // completes the file and runs past it
    EXPECT_EQ(Traces(QStringLiteral("Data beyond the announced size dropped = 2950")), 1);
    Feed(frames.mid(kFrame + 2950, 500)); // after the file is complete, before "226"
    EXPECT_EQ(Traces(QStringLiteral("Data after the complete download dropped = 500")), 1);
    DispatchReply(QStringLiteral("226 ok"));
    EXPECT_EQ(File(), ExpectedHeaders(kFrame, 1, 1, 12) + frames.left(kFrame));
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

TEST_F(Download, ATargetThatIsNoRegularFileIsRefusedAtOnceAndLeftAsItWas) {
    const QString fifo = dir.filePath(QStringLiteral("pipe.dat")),
                  nullLink = dir.filePath(QStringLiteral("null.dat"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), nullLink));
    for (const QString& target : {fifo, nullLink}) {
        SCOPED_TRACE(target.toStdString());
        ResetCommandChannel();
        ui.Clear();
        path = target;
        Start(2 * kFrame);
        Feed(frames.left(1000)); // no reader on the FIFO: a blocking open would never return
        EXPECT_EQ(ui.MessageTexts(), QStringList{QStringLiteral("Cannot open file.")});
        EXPECT_TRUE(g_strSaveFile.isEmpty());
    }
    struct stat st {};
    EXPECT_TRUE(::lstat(QFile::encodeName(fifo).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_TRUE(QFileInfo(nullLink).isSymLink());
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

// Counts what the receiver asks of the main window.
struct CountingControl final : MainControl {
    int dataPortFailed = 0;
    void SetMainControls(int) override {}
    void UntickConnect() override {}
    void CloseTCPCom() override {}
    void CloseingTCPCom() override {}
    void DataPortFailed() override { ++dataPortFailed; }
};

TEST_F(Download, DataLostAheadOfTheStartReplyEndsTheRequestAtOnce) {
    struct Case {
        const char* name;
        int32_t chunk;
    };
    // Small chunks once ran out of a chunk table long before the bytes were used up.
    const Case cases[] = {{"256 KiB chunks", 256 * 1024}, {"1 KiB chunks", 1024}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetCommandChannel();
        ui.Clear();
        CountingControl control;
        SetMainControl(&control);
        g_RecMode.ImageSize = 3;
        const int32_t held = held::kCapacity / (c.chunk + 8); // chunks that fit with their lengths
        g_strSaveFile = path;
        SendRQDL(DownloadRequest{0, 300, 300});
        const QByteArray piece(c.chunk, 'd');
        for (int i = 0; i < held + 2; ++i) // the two after the held ones do not fit
            Feed(piece);
        EXPECT_EQ(Traces(QStringLiteral("no room to hold it")), 2);
        EXPECT_EQ(control.dataPortFailed, 0);
        DispatchReply(QStringLiteral("150 300 %1").arg(300 * 262272));
        EXPECT_EQ(File().size(), 32 + static_cast<qsizetype>(held) * c.chunk); // up to the gap
        EXPECT_EQ(Traces(QStringLiteral("Image data lost")), 1);
        EXPECT_EQ(control.dataPortFailed, 1); // the connection ends now, not after the time-out
        EXPECT_EQ(g_lngDataMode, 0);
        EXPECT_FALSE(ui.progressOpen);
        EXPECT_FALSE(dataTimeOut->isActive());
        Feed(piece); // the rest goes nowhere
        EXPECT_EQ(File().size(), 32 + static_cast<qsizetype>(held) * c.chunk);
        EXPECT_TRUE(ui.messages.isEmpty()); // the one message is the main window's
        SetMainControl(nullptr);
        g_RecMode.ImageSize = 0;
    }
}

TEST_F(Download, ARefusalAfterTheStartEndsTheTransferWithItsOneMessage) {
    struct Case {
        const char* reply;
        const char* message;
        int32_t sent; // bytes of data before the refusal
    };
    const Case cases[] = {
        {"426 Transfer aborted", "Recived command invalid.", 30000},
        {"550 Invalid region", "Invalid region number.", 30000},
        {"426 Transfer aborted", "Recived command invalid.", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        ResetCommandChannel();
        ui.Clear();
        QFile::remove(path);
        Start(2 * kFrame);
        Feed(frames.left(c.sent));
        DispatchReply(QString::fromLatin1(c.reply));
        EXPECT_EQ(ui.MessageTexts(), QStringList{QString::fromLatin1(c.message)});
        EXPECT_EQ(ui.messages.value(0).title, QStringLiteral("Download"));
        EXPECT_FALSE(ui.progressOpen);
        EXPECT_EQ(g_lngDataMode, 0);
        EXPECT_TRUE(g_strSaveFile.isEmpty());
        EXPECT_FALSE(dataTimeOut->isActive()); // no second message from the data port
        EXPECT_FALSE(DownloadBusy());          // the window that asked can save again
        EXPECT_TRUE(Finished());               // the next command went out
        if (c.sent > 0) {
            EXPECT_EQ(File(), ExpectedHeaders(2 * kFrame, 2, 1, 12) + frames.left(c.sent));
        }
        Feed(frames.mid(c.sent, 4000)); // what was still on its way goes nowhere
        EXPECT_EQ(Traces(QStringLiteral("Data after the complete download dropped")), 0);
        EXPECT_FALSE(dataTimeOut->isActive());
        if (c.sent > 0) {
            EXPECT_EQ(File().size(), 32 + c.sent);
        }
    }
}

TEST_F(Download, AFailedSyncIsAWriteFailureNotAFinishedDownload) {
    SetDownloadSync([](int) {
        errno = EIO;
        return -1;
    });
    Start(kFrame, 1);
    DispatchReply(QStringLiteral("226 ok"));
    Feed(frames.left(kFrame));
    SetDownloadSync(nullptr);
    EXPECT_EQ(ui.MessageTexts(), QStringList{"Cannot write to file."});
    EXPECT_FALSE(Finished());
    EXPECT_FALSE(ui.progressOpen);
    EXPECT_EQ(g_lngDataMode, 0);
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
