// Download and single-frame replies: the "150" hand-over to the data port, the "226" half of
// the closing handshake and the camera's refusals.
#include "tests/protocol/reply_fixture.h"

#include "protocol/command_ids.h"

namespace {

using TransferReplies = ReplyTest;

const DownloadRequest kRequest{0, 10, 5};

TEST_F(TransferReplies, DownloadStartHandsTheDataPortItsModeAndKeepsTheCommandInFlight) {
    UseTimers();
    SendRQDL(kRequest);
    RequestGAIN();
    DispatchReply("150 5 200640");
    EXPECT_EQ(g_lngDataMode, 2);
    EXPECT_EQ(g_lngDlInfo, 5);
    EXPECT_EQ(g_lngDlSize, 200640);
    EXPECT_TRUE(dataTimeOut->isActive());
    EXPECT_EQ(g_lngCurCmd, CommandId::RQDL);
    EXPECT_TRUE(g_blnCmdBusy);

    DispatchReply("226 done");
    EXPECT_FALSE(g_blnDlReplyWait);
    EXPECT_EQ(hooks.calls, QStringList{"EndDownload"});
    EXPECT_FALSE(comTimeOut->isActive()); // the data time-out covers the rest
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(TransferReplies, DownloadStartWithUnusableNumbersIsRefused) {
    const char* replies[] = {
        "150 5",                 // no byte count
        "150 x 200640",          // not digits
        "150 5 -1",              // not digits
        "150 5 99999999999",     // does not fit 32 bits
        "150 5 2147483647",      // the file size (data + 32 header bytes) would not fit
        "150 99999999999 40128", // frame count does not fit
        "150 5 0",               // nothing for five frames: a file of headers only
        "150 0 0",               // no frames at all
        "150 5 200641",          // not five frame records of 200 x 200
        "150 4 200640",          // five frame records announced as four
        "150 5 328320",          // five frame records of another image size
    };
    g_RecMode.ImageSize = 0; // 40,128-byte frame records
    for (const char* reply : replies) {
        ui.Clear();
        g_lngDataMode = 0;
        g_lngDlSize = 7;
        SendRQDL(kRequest);
        DispatchReply(reply);
        EXPECT_EQ(Messages(), QStringList{"Recived command invalid."}) << reply;
        EXPECT_EQ(ui.messages.value(0).title, "Download");
        EXPECT_EQ(g_lngDataMode, 0) << reply;
        EXPECT_EQ(g_lngDlSize, 7) << reply;
        // The camera still sends its "226": the request waits for it, timed by the command time-out.
        EXPECT_EQ(InFlight(), "RQDL 0 10 5") << reply;
        EXPECT_FALSE(g_blnDlDataWait) << reply;
        ResetCommandChannel();
    }
    SendRQDL(kRequest);
    DispatchReply("150 53515 2147449920"); // the most frames whose file size still fits 32 bits
    EXPECT_EQ(g_lngDataMode, 2);
}

TEST_F(TransferReplies, RefusalsShowTheirMessageUnderEitherTitleAndMoveOn) {
    const std::pair<const char*, const char*> cases[] = {
        {"550 x", "Invalid region number."},   {"551 x", "Invalid offset count."},
        {"552 x", "Invalid download count."},  {"553 x", "Recived command invalid."},
        {"200 x", "Recived command invalid."},
    };
    for (bool thumbnail : {false, true}) {
        for (const auto& [reply, text] : cases) {
            ui.Clear();
            if (thumbnail)
                SendThumbnailRQDL(3, kRequest, 0);
            else
                SendRQDL(kRequest);
            RequestGAIN();
            DispatchReply(reply);
            ASSERT_EQ(ui.messages.size(), 1);
            EXPECT_EQ(ui.messages[0].text, text);
            EXPECT_EQ(ui.messages[0].title, thumbnail ? "Thumbnail Download" : "Download");
            EXPECT_EQ(InFlight(), "GAIN");
            DispatchReply("200 0");
        }
    }
    EXPECT_TRUE(hooks.calls.isEmpty());
}

TEST_F(TransferReplies, FirstThumbnailOfABatchShowsTheWaitNotice) {
    UseTimers();
    SendThumbnailRQDL(0, kRequest, 0);
    DispatchReply("150 anything at all");
    EXPECT_TRUE(ui.noticeOpen);
    EXPECT_EQ(ui.noticeTitle, "Thumbnail Download");
    EXPECT_EQ(ui.noticeText, "Downloading ZRK data for thumbnail.\r\nWait...");
    EXPECT_EQ(g_lngDataMode, 3);
    EXPECT_TRUE(dataTimeOut->isActive());
    EXPECT_EQ(g_lngCurCmd, CommandId::ThumbFirst);

    DispatchReply("226 ok");
    EXPECT_FALSE(g_blnThumbReplyWait);
    EXPECT_EQ(hooks.calls, QStringList{"EndThumbNail"});

    ResetCommandChannel();
    ui.noticeShows = 0;
    SendThumbnailRQDL(16, kRequest, 42); // the preview window's frame
    DispatchReply("150");                // not a reply line: three digits alone
    DispatchReply("150 x");
    EXPECT_EQ(ui.noticeShows, 0);
    EXPECT_EQ(g_lngCurCmd, CommandId::PreviewFrame);
}

TEST_F(TransferReplies, ClosingReplyWithoutARunningTransferIsTimedAgain) {
    UseTimers();
    SendThumbnailRQDL(2, kRequest, 0);
    DispatchReply("226 early"); // no "150" came: no data time-out covers the request
    EXPECT_TRUE(g_blnCmdBusy);
    EXPECT_TRUE(comTimeOut->isActive());

    ResetCommandChannel();
    comTimeOut->stop();
    SendRQDL(kRequest);
    DispatchReply("226 early");
    EXPECT_TRUE(comTimeOut->isActive());
}

// The receiver finishing the request from inside EndDownload lets the next command go out; the
// handler must not time that one as if it were still the download.
class FinishingHooks final : public WindowHooks {
public:
    void EndDownload() override { FinishCommand(); }
};

TEST_F(TransferReplies, ClosingReplyThatFinishesLeavesTheNextCommandAlone) {
    UseTimers();
    FinishingHooks finishing;
    SetHooks(&finishing);
    SendRQDL(kRequest);
    RequestGAIN();
    DispatchReply("150 1 40128");
    comTimeOut->stop();
    DispatchReply("226 done");
    EXPECT_EQ(InFlight(), "GAIN");
    EXPECT_TRUE(comTimeOut->isActive()); // started by sending GAIN
}

} // namespace
