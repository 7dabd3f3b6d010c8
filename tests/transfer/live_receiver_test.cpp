// Live frames: assembly over any cutting of the stream, the busy buffer, the signature rules, the
// data time-out while frames are dropped and a fresh start on every LVST.
#include "tests/support/wait.h"
#include "tests/transfer/transfer_fixture.h"
#include "transfer/held_data.h"
#include "transfer/live_stats.h"

namespace {

constexpr int32_t kFrame = 40128; // 200 x 200

class Live : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        StartLive();
    }
    void StartLive() {
        SendLVST();
        DispatchReply(QStringLiteral("200 Live output started"));
        ASSERT_EQ(g_lngDataMode, 1);
    }
    static QByteArray Stream(int frames, uint16_t first = 0) {
        QByteArray s;
        for (int i = 0; i < frames; ++i)
            s += MakeFrame(kFrame, static_cast<uint16_t>(first + i));
        return s;
    }
    // The frames the display took, cut to the frame size.
    QList<QByteArray> Shown() const {
        QList<QByteArray> out;
        for (const QByteArray& f : hooks.shownLive)
            out << f.left(kFrame);
        return out;
    }
    static QList<QByteArray> Frames(const QByteArray& stream) {
        QList<QByteArray> out;
        for (qsizetype at = 0; at + kFrame <= stream.size(); at += kFrame)
            out << stream.mid(at, kFrame);
        return out;
    }
};

TEST_F(Live, EveryCuttingOfTheStreamGivesTheSameFrames) {
    struct Cut {
        const char* name;
        std::vector<int> sizes;
    };
    const Cut cuts[] = {
        {"a frame over many chunks", {1460}},
        {"one chunk holds six frames and a tail", {256 * 1024}},
        {"one-byte chunks", {1}},
        {"tails that start the next frame", {kFrame + 5, kFrame - 5, 3, 2 * kFrame + 1}},
        {"two-byte chunks", {2}},
    };
    const QByteArray stream = Stream(8);
    for (const Cut& cut : cuts) {
        SCOPED_TRACE(cut.name);
        hooks.shownLive.clear();
        const LiveStats before = LiveCounters();
        StartLive();
        Feed(stream, cut.sizes);
        EXPECT_EQ(Shown(), Frames(stream));
        EXPECT_EQ(LiveCounters().framesCompleted - before.framesCompleted, 8u);
        EXPECT_EQ(LiveCounters().framesDropped, before.framesDropped);
        EXPECT_EQ(LiveCounters().bytesReceived - before.bytesReceived, static_cast<uint64_t>(stream.size()));
    }
}

TEST_F(Live, ChunksBeforeTheFirstSignatureAreDropped) {
    const QByteArray frame = MakeFrame(kFrame, 9);
    Feed(frame.mid(1000, 5000)); // the tail of a frame sent before the stream was taken up
    Feed(QByteArray("ZR"));      // looks like a start, but "X" follows
    Feed(QByteArray("X"));
    Feed(frame, {4096});
    EXPECT_EQ(Shown(), QList<QByteArray>{frame});
}

TEST_F(Live, AfterLostBytesNothingIsShownUntilAChunkBeginsWithTheSignature) {
    // The link keeps delivering while the display holds a message box; one chunk does not fit
    // the hold and is lost. Behind the gap the stream goes on mid-frame for more than a frame,
    // and no chunk of it begins where a frame does.
    const QByteArray stream = Stream(6);
    const LiveStats before = LiveCounters();
    bool once = true;
    hooks.duringShow = [&] {
        if (!once) return;
        once = false;
        Feed(stream.mid(kFrame, 10000));                              // frame 1 begins
        Feed(QByteArray(held::kCapacity + 1, 'x'));                   // lost
        Feed(stream.mid(2 * kFrame + 20000, kFrame + 30000), {5000}); // rest of 2, most of 3
    };
    Feed(stream.left(kFrame));
    Feed(stream.mid(4 * kFrame, kFrame), {9000});
    Feed(stream.mid(5 * kFrame), {kFrame});
    EXPECT_EQ(Shown(), (QList<QByteArray>{stream.left(kFrame), stream.mid(4 * kFrame, kFrame),
                                          stream.mid(5 * kFrame, kFrame)}));
    EXPECT_EQ(LiveCounters().framesCompleted - before.framesCompleted, 3u);
    EXPECT_EQ(LiveCounters().framesDropped - before.framesDropped, 1u); // frame 1, cut by the gap
}

TEST_F(Live, ASignatureMidFrameAbandonsTheHalfFrame) {
    const QByteArray first = MakeFrame(kFrame, 1), second = MakeFrame(kFrame, 2);
    const LiveStats before = LiveCounters();
    Feed(first.left(20000));
    Feed(second, {30000});
    EXPECT_EQ(Shown(), QList<QByteArray>{second});
    EXPECT_EQ(LiveCounters().framesDropped - before.framesDropped, 1u);
}

TEST_F(Live, ABusyBufferDropsTheRestUntilAChunkBeginsWithTheSignature) {
    hooks.displayKeepsBuffer = true;
    const QByteArray stream = Stream(4);
    const LiveStats before = LiveCounters();
    Feed(stream.left(2 * kFrame + 100)); // frame 0 shown and kept, frame 1 fills the other buffer
    EXPECT_EQ(Shown().size(), 1);
    EXPECT_EQ(g_PreviewBuf[0].inUse, -1);
    EXPECT_EQ(g_PreviewBuf[1].inUse, -1); // complete, waiting for the display
    // Nothing is ever written into a buffer the display holds.
    const QByteArray held0(reinterpret_cast<const char*>(g_PreviewBuf[0].address), kFrame);
    const QByteArray held1(reinterpret_cast<const char*>(g_PreviewBuf[1].address), kFrame);
    Feed(stream.mid(2 * kFrame + 100), {1000});
    EXPECT_EQ(held0, stream.left(kFrame));
    EXPECT_EQ(held1, stream.mid(kFrame, kFrame));
    EXPECT_GE(LiveCounters().framesDropped - before.framesDropped, 1u);

    // The display frees both: more than a frame of chunks in mid-frame is not taken, the next
    // signature is.
    hooks.displayKeepsBuffer = false;
    for (FrameBuffer& b : g_PreviewBuf)
        b.inUse = 0;
    g_intShowBuf = g_intRecvBuf;
    hooks.shownLive.clear();
    const LiveStats freed = LiveCounters();
    Feed(Stream(2, 70).mid(500, kFrame + 1000), {6000});
    const QByteArray next = MakeFrame(kFrame, 77);
    Feed(next, {8000});
    EXPECT_EQ(Shown(), QList<QByteArray>{next});
    EXPECT_EQ(LiveCounters().framesCompleted - freed.framesCompleted, 1u);
    EXPECT_EQ(LiveCounters().framesDropped, freed.framesDropped);
}

TEST_F(Live, ADisplayThatNeverFreesItsBufferEndsInTheDataTimeOut) {
    hooks.displayKeepsBuffer = true;
    dataTimeOut->setInterval(150);
    bool fired = false;
    QObject::connect(dataTimeOut.get(), &QTimer::timeout, [&] { fired = true; });
    const QByteArray stream = Stream(2);
    Feed(stream); // both buffers full now
    const QByteArray more = Stream(1, 5);
    // Chunks keep coming faster than the time-out, and are all dropped: it must fire all the same.
    QTimer feeder;
    QObject::connect(&feeder, &QTimer::timeout, [&] { Feed(more, {10000}); });
    feeder.start(20);
    EXPECT_TRUE(WaitUntil([&] { return fired; }, 3000));
}

TEST_F(Live, EveryLvstStartsWithBothBuffersFree) {
    hooks.displayKeepsBuffer = true;
    Feed(Stream(3));
    ASSERT_EQ(g_PreviewBuf[0].inUse, -1);
    ASSERT_EQ(g_PreviewBuf[1].inUse, -1);
    SendLVSP();
    DispatchReply(QStringLiteral("200 Live output stopped"));
    hooks.displayKeepsBuffer = false;
    hooks.shownLive.clear();
    StartLive();
    const QByteArray stream = Stream(3, 40);
    Feed(stream, {5000});
    EXPECT_EQ(Shown(), Frames(stream));
}

TEST_F(Live, AMessageBoxInTheDisplayDoesNotInterleaveTheStream) {
    // The display shows a box on the first frame; while it is up the link delivers more chunks.
    const QByteArray stream = Stream(4);
    bool once = true;
    hooks.duringShow = [&] {
        if (!once) return;
        once = false;
        Feed(stream.mid(2 * kFrame, kFrame), {7000}); // frame 2 arrives "during the box"
    };
    Feed(stream.left(2 * kFrame)); // frames 0 and 1 in one chunk
    Feed(stream.mid(3 * kFrame), {9000});
    EXPECT_EQ(Shown(), Frames(stream));
}

} // namespace
