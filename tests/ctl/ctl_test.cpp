// zrkctl end to end: the program as a script sees it, against the stand-in camera (ctl_harness.h).
#include "imagelib/include/zrk_data_file.h"
#include "imagelib/include/zrk_frame_header.h"
#include "tests/ctl/ctl_harness.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstring>
#include <memory>

namespace {

using namespace ctltest;

QJsonObject Info(const camtest::CamProcess& cam) {
    const Result r = CtlTest::Ctl({"info", "--json"}, &cam);
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    return QJsonDocument::fromJson(r.out.toUtf8()).object();
}

// The frames the camera itself sends for "RQDL region offset count", read straight off its ports.
QByteArray CameraFrames(const camtest::CamProcess& cam, int region, int offset, int count, int recordBytes) {
    camtest::CamClient client;
    if (!client.open(cam)) return {};
    const std::string reply =
        client.command(QStringLiteral("RQDL %1 %2 %3").arg(region).arg(offset).arg(count).toStdString());
    if (reply.rfind("150", 0) != 0) return {};
    QByteArray data = client.readData(qint64(count) * recordBytes, 20000);
    client.readLine(); // "226"
    return data;
}

TEST_F(CtlTest, ScriptedSessionRecordsDownloadsAndExports) {
    camtest::CamProcess cam({"--speed", "100"});
    ASSERT_TRUE(cam.started());

    QJsonObject info = Info(cam);
    EXPECT_EQ(info["versions"].toObject()["main"].toString(), "KB4401-03");
    EXPECT_FALSE(info["clock"].toString().isEmpty());

    Result r = Ctl(
        {"record-mode", "--rate", "300FPS", "--regions", "4", "--trigger", "center", "--post", "20"}, &cam);
    ASSERT_EQ(r.exit, 0) << r.err.toStdString();
    info = Info(cam);
    const QJsonObject mode = info["recordMode"].toObject();
    EXPECT_EQ(mode["size"].toString(), "200x200");
    EXPECT_EQ(mode["regions"].toInt(), 4);
    EXPECT_EQ(mode["trigger"].toString(), "Center");

    for (const char* step : {"start", "trigger"}) {
        r = Ctl({step}, &cam);
        ASSERT_EQ(r.exit, 0) << step << ": " << r.err.toStdString();
    }
    r = Ctl({"wait", "--until", "idle", "--timeout", "30"}, &cam);
    ASSERT_EQ(r.exit, 0) << r.err.toStdString();
    info = Info(cam);
    const QJsonObject region1 = info["regionCounts"].toArray()[0].toObject();
    const int recorded = region1["recorded"].toInt();
    ASSERT_GT(recorded, 30);

    const QString file = folder->filePath("range.dat");
    r = Ctl({"download", "1", "10", "39", file}, &cam);
    ASSERT_EQ(r.exit, 0) << r.err.toStdString();

    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    ZRK_DATA_FILE_HEADER head;
    ZRK_DATA_INFO_HEADER about;
    ASSERT_EQ(f.read(reinterpret_cast<char*>(&head), sizeof head), qint64(sizeof head));
    ASSERT_EQ(f.read(reinterpret_cast<char*>(&about), sizeof about), qint64(sizeof about));
    ASSERT_TRUE(f.seek(0));
    const QByteArray bytes = f.readAll();
    const int record = 40128;
    ASSERT_EQ(bytes.size(), ZRK_DATA_OFFSET + 30 * record);
    EXPECT_EQ(std::memcmp(head.signature, "ZR", 2), 0);
    const int32_t fileSize = head.fileSize, frameCount = about.frameCount; // packed: no references
    EXPECT_EQ(fileSize, bytes.size());
    EXPECT_EQ(frameCount, 30);
    // Frames 10..39 counted from the region's start are offset recorded-10 from its end.
    EXPECT_TRUE(bytes.mid(ZRK_DATA_OFFSET) == CameraFrames(cam, 0, recorded - 10, 30, record));

    const QString movie = folder->filePath("range.avi");
    r = Ctl({"export", file, "--avi", movie, "--rate", "25", "--range", "5:14"});
    ASSERT_EQ(r.exit, 0) << r.err.toStdString();
    if (!QStandardPaths::findExecutable("ffprobe").isEmpty()) {
        QProcess probe;
        probe.start("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                                "stream=nb_read_frames,width,height,r_frame_rate", "-of", "csv=p=0", movie});
        ASSERT_TRUE(probe.waitForFinished(30000));
        EXPECT_EQ(QString::fromLatin1(probe.readAllStandardOutput()).trimmed(), "200,200,25/1,10");
    }
    const QString bitmaps = folder->filePath("bitmaps");
    r = Ctl({"export", file, "--bmp", bitmaps, "--range", "0:2"});
    ASSERT_EQ(r.exit, 0) << r.err.toStdString();
    EXPECT_EQ(QDir(bitmaps).entryList({"*.bmp"}, QDir::Files).size(), 3);
}

// Refusals reach the script as a status and the program's own words on standard error.
TEST_F(CtlTest, RefusalsGiveStatusAndMessage) {
    camtest::CamProcess cam({});
    ASSERT_TRUE(cam.started());
    QFile notData(folder->filePath("not-data.dat"));
    ASSERT_TRUE(notData.open(QIODevice::WriteOnly));
    notData.write(QByteArray(64, 'x'));
    notData.close();

    struct Case {
        QStringList args;
        bool camera;
        int exit;
        const char* message;
    };
    const Case cases[] = {
        {{"record-mode", "--rate", "300FPS", "--size", "512x512"},
         true,
         1,
         "Record Setup: 300FPS records at 200x200 only"},
        {{"record-mode", "--shutter", "1/100000", "--rate", "90FPS"}, true, 1, "is not offered"},
        {{"stop"}, true, 1, "Record Control: Record already stopped."},
        {{"download", "1", "0", "5", folder->filePath("none.dat")}, true, 1, "Download:"},
        {{"download", "9", "0", "5", folder->filePath("none.dat")}, false, 2, "REGION is 1 to 4"},
        {{"download", "4", "0", "5", folder->filePath("none.dat")}, true, 1, "there is no region 4"},
        {{"export", folder->filePath("not-data.dat"), "--avi", folder->filePath("x.avi")},
         false,
         1,
         "Play Control: Selected file not ZRK file."},
        {{"export", folder->filePath("not-data.dat")}, false, 2, "either --avi"},
        {{"fly"}, false, 2, "unknown command"},
    };
    for (const Case& c : cases) {
        const Result r = Ctl(c.args, c.camera ? &cam : nullptr);
        EXPECT_EQ(r.exit, c.exit) << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.message))) << c.args.join(' ').toStdString() << "\n"
                                                                    << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(folder->filePath("x.avi")));
}

TEST_F(CtlTest, NoCameraAndLostCameraEndWithStatus3) {
    // Nothing listens on the port of a camera that has just stopped.
    camtest::CamProcess gone({});
    ASSERT_TRUE(gone.started());
    gone.stop();
    Result r = Ctl({"info"}, &gone);
    EXPECT_EQ(r.exit, 3) << r.err.toStdString();
    EXPECT_TRUE(
        r.err.contains(QStringLiteral("cannot connect to the camera at 127.0.0.1:%1").arg(gone.commandPort)))
        << r.err.toStdString();

    // A camera lost while the script waits for its recording to end.
    camtest::CamProcess cam({});
    ASSERT_TRUE(cam.started());
    ASSERT_EQ(Ctl({"record-mode", "--rate", "300FPS", "--trigger", "start"}, &cam).exit, 0);
    ASSERT_EQ(Ctl({"start"}, &cam).exit, 0);
    QProcess waiting;
    waiting.start(folder->filePath("zrkctl"),
                  {"--camera", QStringLiteral("127.0.0.1:%1:%2").arg(cam.commandPort).arg(cam.dataPort),
                   "wait", "--timeout", "60"});
    ASSERT_TRUE(waiting.waitForStarted());
    QThread::msleep(1500);
    cam.process.kill();
    ASSERT_TRUE(waiting.waitForFinished(60000));
    const QString err = QString::fromLocal8Bit(waiting.readAllStandardError());
    EXPECT_EQ(waiting.exitCode(), 3) << err.toStdString();
    EXPECT_TRUE(err.contains(
        QStringLiteral("the connection to the camera at 127.0.0.1:%1 was lost").arg(cam.commandPort)))
        << err.toStdString();
}

// A file-size limit with SIGXFSZ at its default (the harness leaves it so): zrkctl ignores the
// signal itself, so the write fails with the program's message instead of killing it silently.
TEST_F(CtlTest, FileSizeLimitFailsTheDownload) {
    camtest::CamProcess cam({"--state", DemoState()});
    ASSERT_TRUE(cam.started());
    const QString file = folder->filePath("full.dat");
    const Result r = Ctl({"download", "1", "0", "9", file}, &cam, 100000);
    EXPECT_EQ(r.exit, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Save: Cannot write to file. (" + file + ".part)")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(file));
}

} // namespace
