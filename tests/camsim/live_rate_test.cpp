// Live output at a chosen rate (--live-rate) over real sockets: the rate holds, and a client that does
// not read makes the camera skip ticks rather than queue frames.
#include "cam_client.h"
#include "camsim/tables.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

using namespace camtest;
using namespace zrkcam;

namespace {

struct LiveCounts {
    qint64 sent = -1;
    qint64 skipped = -1;
};

// The counts zrkcam traces (-v) when live output stops.
LiveCounts stoppedCounts(QProcess& p) {
    const QRegularExpression re("live output stopped: (\\d+) frames sent, (\\d+) ticks skipped");
    QByteArray err;
    QDeadlineTimer deadline(3000);
    p.setReadChannel(QProcess::StandardError);
    for (;;) {
        err += p.readAllStandardError();
        const auto m = re.match(QString::fromLocal8Bit(err));
        if (m.hasMatch()) return {m.captured(1).toLongLong(), m.captured(2).toLongLong()};
        if (deadline.hasExpired()) return {};
        p.waitForReadyRead(100);
    }
}

class LiveRateTest : public ::testing::Test {
protected:
    void startLive(const QString& fps) {
        cam = std::make_unique<CamProcess>(QStringList{"--live-rate", fps, "-v"});
        ASSERT_TRUE(cam->started()) << cam->firstLine.toStdString();
        ASSERT_TRUE(c.open(*cam));
        ASSERT_EQ(c.command("MODE LIVE"), "200 LIVE");
        ASSERT_EQ(c.command("LVST"), "200 Live output started");
    }
    std::unique_ptr<CamProcess> cam;
    CamClient c;
};

TEST_F(LiveRateTest, StreamKeepsTheChosenRate) {
    startLive("200");
    const qint64 size = frameBytes(1);
    QElapsedTimer clock;
    clock.start();
    qint64 bytes = 0;
    while (clock.elapsed() < 1000) {
        c.data.waitForReadyRead(50);
        bytes += c.data.readAll().size();
    }
    const qint64 frames = bytes / size;
    // A second at 200 a second, with room for a busy machine's late wake-ups.
    EXPECT_GE(frames, 170);
    EXPECT_LE(frames, 215);
    ASSERT_EQ(c.command("LVSP"), "200 Live output stopped");
    while (!c.noDataFor(300))
        bytes += c.data.readAll().size();
    EXPECT_EQ(bytes % size, 0); // it still ends on a frame boundary
    const LiveCounts n = stoppedCounts(cam->process);
    EXPECT_EQ(n.sent, bytes / size);
    EXPECT_EQ(n.skipped, 0);
}

TEST_F(LiveRateTest, UnreadFramesAreSkippedNotQueued) {
    startLive("1000");
    QThread::msleep(1000); // nothing read: the socket fills and stays full
    ASSERT_EQ(c.command("LVSP"), "200 Live output stopped");
    const LiveCounts n = stoppedCounts(cam->process);
    // Only what the socket buffers hold left the camera; every other tick was skipped.
    EXPECT_GT(n.sent, 0);
    EXPECT_LT(n.sent, 400);
    EXPECT_GT(n.skipped, 500);
    EXPECT_LE(n.sent + n.skipped, 1300);
    qint64 bytes = 0;
    while (!c.noDataFor(300))
        bytes += c.data.readAll().size();
    EXPECT_EQ(bytes, n.sent * frameBytes(1));
}

} // namespace
