// zrkcam over real sockets: connection lines, the read-out, downloads, recordings and live output.
#include "cam_client.h"
#include "camsim/frame_render.h"
#include "camsim/tables.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <cstring>

using namespace camtest;
using namespace zrkcam;

namespace {

// 256x256 at 240 frames/s, two regions of 1022 frames; region 1 holds 120 frames with a trigger 10 from the
// end.
const char* kRecordedState = "memory 0\n"
                             "rmod 1 0 3 0 1 1 100\n"
                             "clock 2002 07 15 09 05 00\n"
                             "region 0 120 10 2002 07 15 09 00 00\n";

Recording recordedRegion0() {
    Recording rec;
    rec.settings.imageSize = 1;
    rec.settings.rateCode = 0;
    rec.settings.shutterCode = 3;
    rec.settings.red = 190; // preset 0, daylight
    rec.settings.green = 128;
    rec.settings.blue = 154;
    rec.settings.gamma = 100;
    rec.startEpochMs = toEpochSeconds({2002, 7, 15, 9, 0, 0}) * 1000;
    rec.frames = 120;
    rec.triggerIndex = 109;
    return rec;
}

// A little-endian 16-bit header field, 0 when the record is too short.
uint16_t field16(const QByteArray& f, int offset) {
    if (f.size() < offset + 2) return 0;
    return static_cast<uint16_t>(static_cast<uint8_t>(f[offset]) | static_cast<uint8_t>(f[offset + 1]) << 8);
}

bool isReplyLine(const std::string& l) {
    return l.size() >= 4 && std::isdigit(static_cast<unsigned char>(l[0])) &&
           std::isdigit(static_cast<unsigned char>(l[1])) && std::isdigit(static_cast<unsigned char>(l[2])) &&
           l[3] == ' ';
}

// Compares downloaded frame records with the frame function, frame by frame.
void expectFrames(const QByteArray& got, const Recording& rec, int region, int first, int count) {
    const int size = frameBytes(rec.settings.imageSize);
    ASSERT_EQ(got.size(), static_cast<qsizetype>(size) * count);
    std::vector<uint8_t> want(kMaxFrameBytes);
    for (int i = 0; i < count; ++i) {
        renderFrame(rec.settings, recordedStamp(rec, region, first + i), want.data());
        ASSERT_EQ(std::memcmp(got.constData() + static_cast<qsizetype>(i) * size, want.data(), size), 0)
            << "frame " << first + i;
    }
}

class WireTest : public ::testing::Test {
protected:
    void start(const QStringList& args) {
        cam = std::make_unique<CamProcess>(args);
        ASSERT_TRUE(cam->started()) << cam->firstLine.toStdString();
    }
    void startWithState(const std::string& state, QStringList args = {}) {
        stateFile = writeTempFile(state);
        start(args << "--state" << stateFile);
    }
    void TearDown() override {
        if (!stateFile.isEmpty()) QFile::remove(stateFile);
    }
    std::unique_ptr<CamProcess> cam;
    QString stateFile;
};

TEST_F(WireTest, FirstLineAndTheTwoConnectionLines) {
    start({});
    EXPECT_TRUE(cam->firstLine.startsWith("zrkcam listening on 127.0.0.1 command="));
    EXPECT_NE(cam->commandPort, cam->dataPort);
    CamClient c;
    ASSERT_TRUE(c.connectCommand(cam->commandPort));
    EXPECT_TRUE(isReplyLine(c.readLine()));
    EXPECT_TRUE(c.noLineFor(200)); // the second line waits for the data port
    ASSERT_TRUE(c.connectData(cam->dataPort));
    EXPECT_TRUE(isReplyLine(c.readLine()));
    EXPECT_EQ(c.command("STAT"), "211 Idle");
    EXPECT_EQ(cam->stop(), 0);
}

TEST_F(WireTest, OneClientAtATime) {
    start({});
    CamClient first;
    ASSERT_TRUE(first.open(*cam));
    CamClient second;
    ASSERT_TRUE(second.connectCommand(cam->commandPort));
    EXPECT_TRUE(second.commandClosed());
    EXPECT_EQ(first.command("DRAM"), "200 0");
    first.cmd.disconnectFromHost();
    QThread::msleep(100);
    CamClient third;
    EXPECT_TRUE(third.open(*cam));
}

TEST_F(WireTest, ClientThatSendsFarAheadGetsEveryAnswerInOrder) {
    start({});
    CamClient c;
    ASSERT_TRUE(c.open(*cam));
    ASSERT_EQ(c.command("GAIN 3"), "200 3");
    // Far more than the camera queues: the rest waits in the socket until answers are read.
    constexpr int kCommands = 20000;
    QByteArray burst;
    for (int i = 0; i < kCommands; ++i)
        burst += i % 2 ? "GAIN\r\n" : "DRAM\r\n";
    c.cmd.write(burst);
    int answered = 0;
    for (; answered < kCommands; ++answered) {
        c.cmd.flush();
        if (c.readLine() != (answered % 2 ? "200 3" : "200 0")) break;
    }
    EXPECT_EQ(answered, kCommands);
    EXPECT_EQ(c.command("STAT"), "211 Idle");
}

TEST_F(WireTest, ReadOutAnswersEveryQuery) {
    startWithState(kRecordedState);
    CamClient c;
    ASSERT_TRUE(c.open(*cam));
    const std::vector<std::pair<std::string, std::string>> readOut = {
        {"TIME", "^200 2002 7 15 9 5 \\d+$"},
        {"VERS CODE", "^200 \\d+ \\d+$"},
        {"VERS MAIN", "^200 \\d+$"},
        {"VERS FPGA", "^200 \\d+ \\d+$"},
        {"STIP", "^200 192\\.168\\.0\\.2/24$"},
        {"STGW", "^200 192\\.168\\.0\\.1$"},
        {"DRAM", "^200 0$"},
        {"MODE", "^200 REC$"},
        {"RMOD", "^200 1 0 3 0 1 1 100$"},
        {"GAIN", "^200 0$"},
        {"ANIG", "^200 0$"},
        {"SMOD", "^200 0$"},
        {"GAMM", "^200 0 100$"},
        {"WBPR /6", "^200 6 128 128 128$"},
        {"WBPR /7", "^200 7 128 128 128$"},
        {"WBPR", "^200 0 190 128 154$"},
        {"STAT", "^211 Idle$"},
    };
    for (const auto& [query, pattern] : readOut)
        EXPECT_TRUE(QRegularExpression(QString::fromStdString(pattern))
                        .match(QString::fromStdString(c.command(query)))
                        .hasMatch())
            << query;
    EXPECT_EQ(c.multiLine("NPIC"),
              (std::vector<std::string>{"200 NPIC Start", "    1 120/1022", "    2 0/1022", "200 NPIC End"}));
    EXPECT_EQ(c.multiLine("PTRG"),
              (std::vector<std::string>{"200 PTRG Start", "    1 10", "    2 -1", "200 PTRG End"}));
}

TEST_F(WireTest, SetCommandsAndTheirReadBack) {
    start({});
    CamClient c;
    ASSERT_TRUE(c.open(*cam));
    EXPECT_EQ(c.command("RMOD 0 1 3 0 1 1 500"), "100 Changing image size");
    EXPECT_EQ(c.readLine(), "200 Record mode set");
    EXPECT_EQ(c.command("RMOD"), "200 0 1 3 0 1 1 500");
    EXPECT_EQ(c.command("STIP 192.168.0.2/24"), "200 192.168.0.2/24");
    EXPECT_EQ(c.command("WBPR 6 100 110 120"), "200 6 100 110 120");
    EXPECT_EQ(c.command("WBPR /6"), "200 6 100 110 120");
    EXPECT_EQ(c.command("TIME 2002 07 15 09 05 00"), "200 Time set");
    EXPECT_TRUE(QString::fromStdString(c.command("TIME")).startsWith("200 2002 7 15 9 5 "));
    EXPECT_EQ(c.command("TRIG ").substr(0, 3), "501");
    EXPECT_EQ(c.command("RQDL 0 1 1").substr(0, 3), "551");
}

TEST_F(WireTest, DownloadMatchesTheFrameFunction) {
    startWithState(kRecordedState);
    CamClient c;
    ASSERT_TRUE(c.open(*cam));
    EXPECT_EQ(c.command("RQDL 0 120 20"), "150 20 1313280");
    expectFrames(c.readData(1313280), recordedRegion0(), 0, 0, 20);
    EXPECT_EQ(c.readLine(), "226 Transfer complete");
    // A single frame, as the thumbnails ask for them: offset 1 is the last frame.
    EXPECT_EQ(c.command("RQDL 0 1 1"), "150 1 65664");
    expectFrames(c.readData(65664), recordedRegion0(), 0, 119, 1);
    EXPECT_EQ(c.readLine(), "226 Transfer complete");
    EXPECT_TRUE(c.noDataFor(100));
}

TEST_F(WireTest, TransferCompleteComesOnlyAfterTheData) {
    startWithState("memory 2\nrmod 3 0 3 0 0 2 0\nregion 0 200 0\n");
    CamClient c;
    ASSERT_TRUE(c.open(*cam));
    EXPECT_EQ(c.command("RQDL 0 200 200"), "150 200 52454400");
    EXPECT_TRUE(c.noLineFor(300)); // 50 MB cannot all sit in socket buffers
    EXPECT_EQ(c.readData(52454400, 20000).size(), 52454400);
    EXPECT_EQ(c.readLine(), "226 Transfer complete");
}

TEST_F(WireTest, RecordingWithEachTriggerPosition) {
    // 200x200 at 300 frames/s, run 100 times faster; three regions of 1114 frames.
    startWithState("rmod 0 0 3 0 2 0 0\n", {"--speed", "100"});
    CamClient c;
    ASSERT_TRUE(c.open(*cam));
    auto waitIdle = [&] {
        for (int i = 0; i < 100; ++i) {
            const std::string s = c.command("STAT");
            if (s != "212 Recording") return s;
            QThread::msleep(20);
        }
        return std::string("still recording");
    };
    // Start: the whole region follows the start.
    ASSERT_EQ(c.command("RCST"), "200 Recording started");
    EXPECT_EQ(waitIdle(), "211 Idle");
    // Center: 300 frames after the trigger.
    ASSERT_EQ(c.command("RMOD 0 0 3 0 2 1 300"), "200 Record mode set");
    ASSERT_EQ(c.command("RCST"), "200 Recording started");
    QThread::msleep(60); // the ring fills
    ASSERT_EQ(c.command("TRIG "), "200 Triggered");
    EXPECT_EQ(waitIdle(), "211 Idle");
    // End: the trigger frame is the last.
    ASSERT_EQ(c.command("RMOD 0 0 3 0 2 2 0"), "200 Record mode set");
    ASSERT_EQ(c.command("RCST"), "200 Recording started");
    QThread::msleep(20);
    ASSERT_EQ(c.command("TRIG "), "200 Triggered");
    EXPECT_EQ(waitIdle(), "213 Memory full");
    EXPECT_EQ(c.command("RCST").substr(0, 3), "502");

    const std::vector<std::string> npic = c.multiLine("NPIC");
    ASSERT_EQ(npic.size(), 5u);
    EXPECT_EQ(npic[1], "    1 1114/1114");
    EXPECT_EQ(npic[2], "    2 1114/1114");
    const std::vector<std::string> ptrg = c.multiLine("PTRG");
    ASSERT_EQ(ptrg.size(), 5u);
    EXPECT_EQ(ptrg[1], "    1 1113");
    EXPECT_EQ(ptrg[2], "    2 300");
    EXPECT_EQ(ptrg[3], "    3 0");

    // The frame the trigger position names carries the trigger mark in its header.
    auto triggerFlag = [&](int region, int offset) {
        EXPECT_EQ(c.command("RQDL " + std::to_string(region) + " " + std::to_string(offset) + " 1"),
                  "150 1 40128");
        const QByteArray f = c.readData(40128);
        EXPECT_EQ(c.readLine(), "226 Transfer complete");
        return field16(f, 32);
    };
    EXPECT_EQ(triggerFlag(0, 1114), 1); // first frame
    EXPECT_EQ(triggerFlag(0, 1113), 0);
    EXPECT_EQ(triggerFlag(1, 301), 1);
    EXPECT_EQ(triggerFlag(2, 1), 1); // last frame
    EXPECT_EQ(c.command("RACL"), "200 Image data cleared");
    EXPECT_EQ(c.command("STAT"), "211 Idle");
}

TEST_F(WireTest, LiveOutputStartsAndStops) {
    start({});
    CamClient c;
    ASSERT_TRUE(c.open(*cam));
    EXPECT_EQ(c.command("LVST").substr(0, 3), "501"); // still in REC mode
    ASSERT_EQ(c.command("MODE LIVE"), "200 LIVE");
    ASSERT_EQ(c.command("LVST"), "200 Live output started");
    EXPECT_EQ(c.command("STAT"), "214 Live output");
    const int size = frameBytes(1);
    uint16_t lastFrame = 0;
    for (int i = 0; i < 3; ++i) {
        const QByteArray f = c.readData(size);
        ASSERT_EQ(f.size(), size);
        EXPECT_EQ(f.left(4), QByteArray("ZRK\0", 4));
        const uint16_t real = field16(f, 30);
        EXPECT_EQ(field16(f, 12), 256);
        if (i > 0) {
            EXPECT_GT(real, lastFrame);
        }
        lastFrame = real;
    }
    ASSERT_EQ(c.command("LVSP"), "200 Live output stopped");
    // Whatever was on its way ends on a frame boundary, then the port goes quiet.
    qint64 tail = 0;
    while (!c.noDataFor(300))
        tail += c.data.readAll().size();
    EXPECT_EQ(tail % size, 0);
    EXPECT_EQ(c.command("STAT"), "211 Idle");
    EXPECT_EQ(c.command("MODE REC"), "200 REC");
}

TEST_F(WireTest, ExampleStateFileLoads) {
    start({"--state", QStringLiteral(ZRK_SOURCE_DIR "/camsim/examples/demo.state")});
    CamClient c;
    ASSERT_TRUE(c.open(*cam));
    EXPECT_EQ(c.multiLine("NPIC"), (std::vector<std::string>{"200 NPIC Start", "    1 2044/2044",
                                                             "    2 0/2044", "200 NPIC End"}));
    EXPECT_TRUE(QString::fromStdString(c.command("TIME")).startsWith("200 2020 6 1 12 0 "));
}

TEST_F(WireTest, HelpAndBadArguments) {
    QProcess p;
    const QString bin = qEnvironmentVariable("ZRK_BIN_DIR") + "/zrkcam";
    p.start(bin, {"--help"});
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitCode(), 0);
    const QString help = QString::fromLocal8Bit(p.readAllStandardOutput());
    EXPECT_TRUE(help.contains("--fault SPEC"));
    EXPECT_TRUE(help.contains("stall-data"));
    EXPECT_TRUE(help.contains("--live-rate FPS"));
    p.start(bin, {"--memory", "7"});
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitCode(), 2);
    const QString bad = writeTempFile("region 5 1 -1\n");
    p.start(bin, {"--state", bad, "--command-port", "0", "--data-port", "0"});
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(QString::fromLocal8Bit(p.readAllStandardError()).contains("line 1"));
    QFile::remove(bad);
}

} // namespace
