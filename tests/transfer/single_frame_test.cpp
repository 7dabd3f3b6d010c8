// Single frames for thumbnails and the preview window: assembly, the signature test, surplus
// bytes, the closing handshake in either order and the frame without header.
#include "tests/transfer/transfer_fixture.h"

namespace {

constexpr int32_t kFrame = 40128; // 200 x 200

class SingleFrame : public TransferTest {
protected:
    // Sends a thumbnail (slot 0..15) or preview (16) request and plays its "150".
    void Request(int slot) {
        SendThumbnailRQDL(slot, DownloadRequest{0, 5, 1}, 0);
        DispatchReply(QStringLiteral("150 Opening data connection"));
        ASSERT_EQ(g_lngDataMode, 3);
    }
};

TEST_F(SingleFrame, TheFrameIsDrawnOnceAndTheRequestFinishesOnceInAnyOrder) {
    struct Case {
        const char* name;
        std::vector<int> sizes;
        int surplus;       // bytes beyond the frame in the last chunk
        bool closingFirst; // "226" before the data
        int slot;          // 0..15 thumbnails, 16 the preview window
    };
    const Case cases[] = {
        {"whole frame in one chunk", {kFrame}, 0, false, 3},
        {"split signature Z|RK", {1, 5000}, 0, false, 0},
        {"split signature ZR|K", {2, 1, 1460}, 0, true, 15},
        {"surplus in the last chunk", {30000}, 700, false, 7},
        {"one-byte chunks", {1}, 0, true, 1},
        {"preview frame", {16384}, 0, false, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetCommandChannel();
        hooks.calls.clear();
        hooks.drawn.clear();
        g_lngViewMode = c.slot == 16 ? 4 : 2;
        Request(c.slot);
        RequestGAIN();
        if (c.closingFirst) DispatchReply(QStringLiteral("226 Transfer complete"));
        const QByteArray frame = MakeFrame(kFrame, static_cast<uint16_t>(c.slot));
        Feed(frame + QByteArray(c.surplus, 'S'), c.sizes);
        if (!c.closingFirst) {
            EXPECT_EQ(InFlight(), QStringLiteral("RQDL 0 5 1")); // data alone does not finish it
            EXPECT_TRUE(comTimeOut->isActive()) << "a missing 226 must end in the command time-out";
            DispatchReply(QStringLiteral("226 Transfer complete"));
        }
        const QString draw = c.slot == 16 ? QStringLiteral("DrawPreviewFrame")
                                          : QStringLiteral("DrawThumbNail %1").arg(c.slot);
        EXPECT_EQ(hooks.calls, QStringList{draw});
        ASSERT_EQ(hooks.drawn.size(), 1u);
        EXPECT_EQ(hooks.drawn[0].left(kFrame), frame);
        EXPECT_EQ(InFlight(), QStringLiteral("GAIN")); // finished exactly once
        EXPECT_EQ(g_lngDataMode, 0);
        EXPECT_FALSE(dataTimeOut->isActive());
        EXPECT_TRUE(ui.messages.isEmpty());
    }
}

TEST_F(SingleFrame, TheLastThumbnailOfABatchClosesTheNoticeAndPlayingPreviewStepsOn) {
    g_intLastThumb = 4;
    ui.noticeOpen = true;
    Request(3);
    Feed(MakeFrame(kFrame, 3));
    DispatchReply(QStringLiteral("226 ok"));
    EXPECT_TRUE(ui.noticeOpen); // not the last one
    Request(4);
    Feed(MakeFrame(kFrame, 4));
    DispatchReply(QStringLiteral("226 ok"));
    EXPECT_FALSE(ui.noticeOpen);

    g_lngViewMode = 4;
    g_lngPreviewState = 0; // playing
    Request(16);
    DispatchReply(QStringLiteral("226 ok"));
    Feed(MakeFrame(kFrame, 16));
    EXPECT_EQ(hooks.calls.filter(QStringLiteral("PreviewPlaybackStep")).size(), 1);
}

TEST_F(SingleFrame, AFrameWithoutHeaderGivesOneMessageAndFinishesOnceAfterItsClosingReply) {
    QByteArray bad = MakeFrame(kFrame, 1);
    bad[0] = 'X';
    for (bool closingDuringTheBox : {false, true}) {
        SCOPED_TRACE(closingDuringTheBox);
        ResetCommandChannel();
        ui.Clear();
        hooks.calls.clear();
        Request(2);
        RequestGAIN();
        // While the message is up, the rest of the frame comes in (and maybe the "226").
        ui.whileShown = [&](const ShownMessage&) {
            Feed(bad.mid(4000), {1460});
            if (closingDuringTheBox) DispatchReply(QStringLiteral("226 Transfer complete"));
        };
        Feed(bad.left(4000));
        if (!closingDuringTheBox) {
            EXPECT_EQ(InFlight(), QStringLiteral("RQDL 0 5 1"));
            DispatchReply(QStringLiteral("226 Transfer complete"));
        }
        EXPECT_EQ(ui.MessageTexts(), QStringList{"Cannot display thumbnail. No header in ZRK data."});
        EXPECT_EQ(ui.messages.value(0).title, QStringLiteral("Thumbnail Download"));
        EXPECT_TRUE(hooks.calls.filter(QStringLiteral("Draw")).isEmpty());
        EXPECT_EQ(InFlight(), QStringLiteral("GAIN"));
        EXPECT_EQ(g_lngDataMode, 0);
    }
}

TEST_F(SingleFrame, AConnectionThatEndsUnderTheMessageFinishesNothingAfterIt) {
    QByteArray bad = MakeFrame(kFrame, 1);
    bad[0] = 'X';
    for (bool back : {false, true}) {
        SCOPED_TRACE(back ? "link back, read-out under way" : "link lost");
        ResetCommandChannel();
        g_blnLinkOpen = true;
        ui.Clear();
        Request(2);
        RequestGAIN();
        ui.whileShown = [&](const ShownMessage&) {
            g_blnLinkOpen = false;
            AbortTransfer();
            if (!back) return;
            g_blnLinkOpen = true;
            ResetCommandChannel();
            RequestSTAT();
        };
        Feed(bad);
        EXPECT_EQ(ui.messages.size(), 1);
        // Nothing was finished: the old request stays for the channel's reset, the new one runs.
        EXPECT_EQ(InFlight(), back ? QStringLiteral("STAT") : QStringLiteral("RQDL 0 5 1"));
    }
}

TEST_F(SingleFrame, DataBeforeItsReplyIsHeldAndHandedOverInOrder) {
    ResetCommandChannel();
    SendThumbnailRQDL(5, DownloadRequest{0, 5, 1}, 0);
    RequestGAIN();
    const QByteArray frame = MakeFrame(kFrame, 5);
    Feed(frame.left(1), {1}); // even a piece shorter than the signature
    Feed(frame.mid(1, 30000), {1460});
    EXPECT_EQ(Traces(QStringLiteral("Invalid Data")), 0);
    DispatchReply(QStringLiteral("150 Opening"));
    Feed(frame.mid(30001));
    DispatchReply(QStringLiteral("226 ok"));
    ASSERT_EQ(hooks.drawn.size(), 1u);
    EXPECT_EQ(hooks.drawn[0].left(kFrame), frame);
    EXPECT_EQ(InFlight(), QStringLiteral("GAIN"));

    // A refused request brings nothing: what came ahead of the refusal is only traced.
    ResetCommandChannel();
    SendThumbnailRQDL(6, DownloadRequest{0, 5, 1}, 0);
    RequestGAIN();
    Feed(frame.left(100));
    DispatchReply(QStringLiteral("551 Invalid offset"));
    EXPECT_EQ(Traces(QStringLiteral("Invalid Data = 100")), 1);
    EXPECT_EQ(InFlight(), QStringLiteral("GAIN"));
    EXPECT_EQ(hooks.drawn.size(), 1u);
}

TEST_F(SingleFrame, DataWithNothingExpectedIsOnlyTraced) {
    ResetCommandChannel();
    Feed(QByteArray(1460, 'x'));
    EXPECT_EQ(ui.traces.filter(QStringLiteral("Invalid Data = ")), QStringList{"Invalid Data = 1460"});
}

} // namespace
