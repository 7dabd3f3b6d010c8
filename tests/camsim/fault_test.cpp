// Every --fault switch, seen from a client.
#include "cam_client.h"
#include "camsim/frame_render.h"
#include "camsim/tables.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <utility>

using namespace camtest;
using namespace zrkcam;

namespace {

// One region of 3344 200x200 frames with 40 recorded.
const char* kState = "rmod 0 0 3 0 0 2 0\nclock 2010 01 02 03 04 05\nregion 0 40 0 2010 01 02 03 00 00\n";

class FaultTest : public ::testing::Test {
protected:
    void start(const QStringList& faults) {
        stateFile = writeTempFile(kState);
        QStringList args{"--state", stateFile};
        for (const QString& f : faults)
            args << "--fault" << f;
        cam = std::make_unique<CamProcess>(args);
        ASSERT_TRUE(cam->started()) << cam->firstLine.toStdString();
    }
    void TearDown() override { QFile::remove(stateFile); }

    static Recording region0() {
        Recording rec;
        rec.settings.imageSize = 0;
        rec.settings.red = 190;
        rec.settings.blue = 154;
        rec.startEpochMs = toEpochSeconds({2010, 1, 2, 3, 0, 0}) * 1000;
        rec.frames = 40;
        rec.triggerIndex = 39;
        return rec;
    }
    static QByteArray expected(int first, int count) {
        QByteArray out;
        std::vector<uint8_t> buf(kMaxFrameBytes);
        const Recording rec = region0();
        for (int i = 0; i < count; ++i) {
            const int n = renderFrame(rec.settings, recordedStamp(rec, 0, first + i), buf.data());
            out.append(reinterpret_cast<const char*>(buf.data()), n);
        }
        return out;
    }

    std::unique_ptr<CamProcess> cam;
    QString stateFile;
    CamClient c;
};

TEST_F(FaultTest, DelayHoldsTheReplyAndTheCommandsBehindIt) {
    start({"delay:GAIN:400"});
    ASSERT_TRUE(c.open(*cam));
    QElapsedTimer t;
    t.start();
    c.send("GAIN 2");
    c.send("STAT");
    EXPECT_EQ(c.readLine(), "200 2");
    EXPECT_GE(t.elapsed(), 380);
    EXPECT_EQ(c.readLine(), "213 Memory full");
    EXPECT_EQ(c.command("DRAM"), "200 0");
}

TEST_F(FaultTest, WithheldReplyNeverComes) {
    start({"withhold:VERS MAIN"});
    ASSERT_TRUE(c.open(*cam));
    c.send("VERS MAIN");
    EXPECT_TRUE(c.noLineFor(300));
    EXPECT_EQ(c.command("VERS FPGA"), "200 12 1");
}

TEST_F(FaultTest, BrokenReplyLines) {
    start({"malformed:DRAM", "no-crlf:SMOD", "overlong:GAIN:70000"});
    ASSERT_TRUE(c.open(*cam));
    EXPECT_EQ(c.command("DRAM"), "2x0 0");
    c.send("SMOD");
    EXPECT_EQ(c.readRawLine(), QByteArray("200 0\n"));
    c.send("GAIN");
    const QByteArray longLine = c.readRawLine();
    EXPECT_EQ(longLine.size(), 70002);
    EXPECT_TRUE(longLine.startsWith("200 XXX"));
    EXPECT_TRUE(longLine.endsWith("\r\n"));
    EXPECT_EQ(c.command("STAT"), "213 Memory full");
}

TEST_F(FaultTest, CommandConnectionClosedAfterCommands) {
    start({"close-command:commands=2"});
    ASSERT_TRUE(c.open(*cam));
    EXPECT_EQ(c.command("DRAM"), "200 0");
    EXPECT_EQ(c.command("SMOD"), "200 0");
    EXPECT_TRUE(c.commandClosed());
    EXPECT_TRUE(c.dataClosed());
    CamClient again; // the camera takes the next client
    EXPECT_TRUE(again.open(*cam));
}

TEST_F(FaultTest, CommandConnectionClosedAfterBytes) {
    start({"close-command:bytes=10"});
    ASSERT_TRUE(c.connectCommand(cam->commandPort));
    EXPECT_TRUE(c.commandClosed());
    EXPECT_EQ(c.readRawLine(100), QByteArray()); // ten bytes, no terminator
}

TEST_F(FaultTest, DataConnectionClosedAfterBytes) {
    start({"close-data:bytes=1000"});
    ASSERT_TRUE(c.open(*cam));
    EXPECT_EQ(c.command("RQDL 0 40 10"), "150 10 401280");
    EXPECT_EQ(c.readData(401280, 1000), expected(0, 10).left(1000));
    EXPECT_TRUE(c.dataClosed());
    EXPECT_TRUE(c.noLineFor(300)); // an aborted transfer has no "226"
    EXPECT_EQ(c.command("STAT"), "213 Memory full");
}

TEST_F(FaultTest, DataConnectionClosedAfterCommands) {
    start({"close-data:commands=1"});
    ASSERT_TRUE(c.open(*cam));
    EXPECT_EQ(c.command("DRAM"), "200 0");
    EXPECT_TRUE(c.dataClosed());
    EXPECT_EQ(c.command("RQDL 0 1 1").substr(0, 3), "425");
}

TEST_F(FaultTest, RefusedConnections) {
    start({"refuse:command"});
    ASSERT_TRUE(c.connectCommand(cam->commandPort));
    EXPECT_TRUE(c.commandClosed());
    EXPECT_EQ(c.readRawLine(100), QByteArray());
}

TEST_F(FaultTest, RefusedDataConnection) {
    start({"refuse:data"});
    ASSERT_TRUE(c.connectCommand(cam->commandPort));
    EXPECT_FALSE(c.readLine().empty());
    ASSERT_TRUE(c.connectData(cam->dataPort));
    EXPECT_TRUE(c.dataClosed());
    EXPECT_TRUE(c.noLineFor(200)); // no second line: the connection never completes
}

TEST_F(FaultTest, OneByteChunksStillDeliverTheExactFrames) {
    start({"chunk:1"});
    ASSERT_TRUE(c.open(*cam));
    EXPECT_EQ(c.command("RQDL 0 3 2"), "150 2 80256");
    EXPECT_EQ(c.readData(80256, 20000), expected(37, 2));
    EXPECT_EQ(c.readLine(), "226 Transfer complete");
}

TEST_F(FaultTest, RandomChunksStillDeliverTheExactFrames) {
    start({"chunk:random"});
    ASSERT_TRUE(c.open(*cam));
    EXPECT_EQ(c.command("RQDL 0 40 40"), "150 40 1605120");
    EXPECT_EQ(c.readData(1605120, 20000), expected(0, 40));
    EXPECT_EQ(c.readLine(), "226 Transfer complete");
}

TEST_F(FaultTest, EarlyTransferComplete) {
    start({"early-226"});
    ASSERT_TRUE(c.open(*cam));
    EXPECT_EQ(c.command("RQDL 0 40 40"), "150 40 1605120");
    EXPECT_EQ(c.readLine(), "226 Transfer complete"); // before a single data byte was read
    EXPECT_EQ(c.readData(1605120), expected(0, 40));
}

TEST_F(FaultTest, CorruptMagicOnOneFrame) {
    start({"bad-magic:1"});
    ASSERT_TRUE(c.open(*cam));
    EXPECT_EQ(c.command("RQDL 0 3 3"), "150 3 120384");
    QByteArray got = c.readData(120384);
    QByteArray want = expected(37, 3);
    EXPECT_EQ(got.mid(40128, 4), QByteArray("XRK\0", 4));
    got[40128] = 'Z';
    EXPECT_EQ(got, want); // only that byte differs
    EXPECT_EQ(c.readLine(), "226 Transfer complete");
}

TEST_F(FaultTest, StalledDataPort) {
    start({"stall-data:1000"});
    ASSERT_TRUE(c.open(*cam));
    EXPECT_EQ(c.command("RQDL 0 2 2"), "150 2 80256");
    EXPECT_EQ(c.readData(80256, 500), expected(38, 2).left(1000));
    EXPECT_TRUE(c.noLineFor(200));
    EXPECT_NE(c.data.state(), QAbstractSocket::UnconnectedState);
    EXPECT_EQ(c.command("STAT"), "213 Memory full"); // the command port still answers
}

TEST_F(FaultTest, DataBeforeTheStartReply) {
    // The fault, and the bytes sent ahead of the "150" (without a count: all of them).
    for (const auto& [fault, first] :
         {std::pair{"data-before-150:1000", qint64{1000}}, std::pair{"data-before-150", qint64{80256}}}) {
        SCOPED_TRACE(fault);
        start({fault});
        CamClient client;
        ASSERT_TRUE(client.open(*cam));
        client.send("RQDL 0 3 2");
        // The first bytes come while the command port is still silent.
        EXPECT_EQ(client.readData(first), expected(37, 2).left(first));
        EXPECT_EQ(client.readLine(), "150 2 80256");
        EXPECT_EQ(client.readData(80256 - first), expected(37, 2).mid(first));
        EXPECT_EQ(client.readLine(), "226 Transfer complete");
        EXPECT_EQ(client.command("STAT"), "213 Memory full");
        cam.reset();
    }
}

TEST_F(FaultTest, ClosingReplyHeldBack) {
    start({"hold-226:300"});
    ASSERT_TRUE(c.open(*cam));
    EXPECT_EQ(c.command("RQDL 0 2 2"), "150 2 80256");
    EXPECT_EQ(c.readData(80256), expected(38, 2));
    EXPECT_TRUE(c.noLineFor(150)); // all data is out, the "226" is not
    EXPECT_EQ(c.readLine(), "226 Transfer complete");

    cam.reset();
    start({"hold-226"});
    CamClient never;
    ASSERT_TRUE(never.open(*cam));
    EXPECT_EQ(never.command("RQDL 0 1 1"), "150 1 40128");
    EXPECT_EQ(never.readData(40128), expected(39, 1));
    EXPECT_TRUE(never.noLineFor(300));
    EXPECT_EQ(never.command("RQDL 0 1 1").substr(0, 3), "503"); // still busy with that transfer
}

TEST_F(FaultTest, OneChosenRequestIsRefusedOrSpoiled) {
    start({"error-reply:2:551", "bad-magic-request:3:1"});
    ASSERT_TRUE(c.open(*cam));
    EXPECT_EQ(c.command("RQDL 0 1 1"), "150 1 40128");
    EXPECT_EQ(c.readData(40128), expected(39, 1));
    EXPECT_EQ(c.readLine(), "226 Transfer complete");
    EXPECT_EQ(c.command("RQDL 0 1 1"), "551 Request refused");
    EXPECT_TRUE(c.noDataFor(200));
    EXPECT_EQ(c.command("RQDL 0 3 2"), "150 2 80256");
    QByteArray got = c.readData(80256);
    EXPECT_EQ(got.mid(40128, 3), QByteArray("XRK"));
    got[40128] = 'Z';
    EXPECT_EQ(got, expected(37, 2));
    EXPECT_EQ(c.readLine(), "226 Transfer complete");
    EXPECT_EQ(c.command("RQDL 0 1 1"), "150 1 40128"); // the fourth is sound again
    EXPECT_EQ(c.readData(40128), expected(39, 1));
}

TEST_F(FaultTest, AnnouncedSizeDiffersFromTheData) {
    for (const auto& [fault, announced] :
         {std::pair{"announce-bytes:-100", "150 2 80156"}, std::pair{"announce-bytes:5000", "150 2 85256"}}) {
        SCOPED_TRACE(fault);
        start({fault});
        CamClient client;
        ASSERT_TRUE(client.open(*cam));
        EXPECT_EQ(client.command("RQDL 0 2 2"), announced);
        EXPECT_EQ(client.readData(80256), expected(38, 2)); // the frames themselves are unchanged
        EXPECT_EQ(client.readLine(), "226 Transfer complete");
        cam.reset();
    }
}

} // namespace

TEST_F(FaultTest, ARefusalAfterPartOfTheData) {
    start({"error-after:50000"});
    ASSERT_TRUE(c.open(*cam));
    EXPECT_EQ(c.command("RQDL 0 3 3"), "150 3 120384");
    EXPECT_EQ(c.readData(50000), expected(37, 3).left(50000));
    EXPECT_EQ(c.readLine(), "426 Transfer aborted");
    EXPECT_TRUE(c.noDataFor(200));                     // the rest never comes
    EXPECT_EQ(c.command("RQDL 0 1 1"), "150 1 40128"); // and the camera is free again
    EXPECT_EQ(c.readData(50000, 300).size(), 40128);   // refused again, after all of it this time
    EXPECT_EQ(c.readLine(), "426 Transfer aborted");
}

TEST_F(FaultTest, SignalsDropTheClientsLinks) {
    start({});
    ASSERT_TRUE(c.open(*cam));
    ::kill(static_cast<pid_t>(cam->process.processId()), SIGUSR2);
    EXPECT_TRUE(c.dataClosed());
    EXPECT_EQ(c.command("STAT"), "213 Memory full"); // the command link stays
    ::kill(static_cast<pid_t>(cam->process.processId()), SIGUSR1);
    EXPECT_TRUE(c.commandClosed());
    CamClient again; // and the camera takes a new client
    EXPECT_TRUE(again.open(*cam));
}
