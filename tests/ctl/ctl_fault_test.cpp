// zrkctl under faults, signals and command-line mistakes: a script may see exit 0 only when the
// data is whole. Each case runs the real executable against zrkcam with one --fault.
#include "imagelib/include/zrk_data_file.h"
#include "tests/ctl/ctl_harness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QThread>

#include <functional>

namespace {
using namespace ctltest;

constexpr qint64 kRecord = 65664;                            // a 256x256 frame record of the demo state
constexpr qint64 kHundred = ZRK_DATA_OFFSET + 100 * kRecord; // a data file of 100 of them

QString LiveState() {
    static QTemporaryDir dir;
    const QString path = dir.filePath("live.state");
    QFile in(DemoState()), out(path);
    if (!QFile::exists(path) && in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly))
        out.write(in.readAll() + "\nmode LIVE\n");
    return path;
}

int32_t TriggerFrameOf(const QString& path) {
    QFile f(path);
    ZRK_DATA_FILE_HEADER head{};
    ZRK_DATA_INFO_HEADER about{};
    if (!f.open(QIODevice::ReadOnly) || f.read(reinterpret_cast<char*>(&head), sizeof head) != sizeof head ||
        f.read(reinterpret_cast<char*>(&about), sizeof about) != sizeof about)
        return -2;
    return about.triggerFrame;
}

bool WaitUntil(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QThread::msleep(20);
    }
    return true;
}

class CtlFaultTest : public CtlTest {};

// Faults x commands: status and message; a download that fails leaves no FILE, one that
// succeeds leaves exactly the frames asked for and no FILE.part.
TEST_F(CtlFaultTest, FaultsGiveTheirStatusAndMessage) {
    struct Case {
        QStringList camera; // zrkcam's arguments besides the demo state
        QStringList command;
        int exit;
        const char* message;
        const char* state = nullptr; // another state file than the demo
    };
    const QStringList download{"download", "1", "0", "99", "FILE"};
    const Case cases[] = {
        {{}, download, 0, ""},
        {{"--fault", "early-226"}, download, 0, ""},
        {{"--fault", "hold-226:300"}, download, 0, ""},
        {{"--fault", "data-before-150"}, download, 0, ""},
        {{"--fault", "chunk:random"}, download, 0, ""},
        {{"--fault", "delay:RQDL:300"}, download, 0, ""},
        {{}, download, 0, "", "live"}, // brought to REC first
        {{"--fault", "error-reply:1"}, download, 1, "Download: Invalid download count."},
        {{"--fault", "error-reply:1:550"}, download, 1, "Download: Invalid region number."},
        // A byte count that is not the frames asked for is refused before anything is written.
        {{"--fault", "announce-bytes:-65664"}, download, 1, "Download: Recived command invalid."},
        {{"--fault", "announce-bytes:1000"}, download, 1, "Download: Recived command invalid."},
        {{"--fault", "hold-226"}, download, 3, "Time out control command port"},
        {{"--fault", "malformed:RQDL"}, download, 3, "stopped answering"},
        {{"--fault", "stall-data:100000"}, download, 3, "MB kept in FILE.part"},
        {{"--fault", "close-data:bytes=100000"}, download, 3, "was lost"},
        {{"--fault", "close-command:commands=20"}, download, 3, "Download: nothing written"},
        {{"--fault", "withhold:TRIG"}, {"trigger"}, 3, "Time out control command port"},
        {{"--fault", "withhold:RMOD"}, {"record-mode", "--regions", "1"}, 3, "stopped answering"},
        {{"--fault", "withhold:LVST"}, {"live", "--frames", "5"}, 3, "Time out control command port"},
        {{"--live-rate", "1"}, {"live", "--frames", "100", "--timeout", "2"}, 4, "did not arrive within 2 s"},
        {{"--fault", "refuse:command"}, {"info"}, 3, "one client at a time"},
        {{"--fault", "error-reply:1"}, {"info"}, 0, ""},
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString file = folder->filePath(QStringLiteral("fault%1.dat").arg(++n));
        QStringList command = c.command;
        command.replaceInStrings("FILE", file);
        camtest::CamProcess cam(QStringList{"--state", c.state ? LiveState() : DemoState()} + c.camera);
        ASSERT_TRUE(cam.started());
        const Result r = Ctl(command, &cam);
        const std::string what = (c.camera + command).join(' ').toStdString() + "\n" + r.err.toStdString();
        EXPECT_EQ(r.exit, c.exit) << what;
        QString message = QString::fromLatin1(c.message);
        message.replace("FILE", file);
        EXPECT_TRUE(r.err.contains(message)) << what;
        if (command.first() != "download") continue;
        EXPECT_EQ(QFileInfo(file).exists() ? QFileInfo(file).size() : -1, c.exit == 0 ? kHundred : -1)
            << what;
        if (c.exit == 0) {
            EXPECT_FALSE(QFile::exists(file + ".part")) << what;
        }
    }

    // A second client while another one holds the camera.
    camtest::CamProcess cam({"--state", DemoState()});
    ASSERT_TRUE(cam.started());
    camtest::CamClient first;
    ASSERT_TRUE(first.open(cam));
    const Result r = Ctl({"info"}, &cam);
    EXPECT_EQ(r.exit, 3) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("one client at a time")) << r.err.toStdString();
}

// SIGINT, SIGTERM and SIGHUP mid-download: 128 + the signal, the partial file kept as FILE.part
// with one line saying so, and a good FILE from before left as it was (--overwrite).
TEST_F(CtlFaultTest, SignalsKeepThePartialFile) {
    camtest::CamProcess cam({"--state", DemoState(), "--fault", "stall-data:1000000"});
    ASSERT_TRUE(cam.started());
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const QString file = folder->filePath(QStringLiteral("signal%1.dat").arg(signal));
        QFile good(file);
        ASSERT_TRUE(good.open(QIODevice::WriteOnly));
        good.write("a good file from before");
        good.close();
        QProcess p;
        Prepare(p, {"download", "1", "0", "99", file, "--overwrite"}, &cam);
        p.start();
        ASSERT_TRUE(p.waitForStarted());
        // The camera goes silent after its first 1000000 bytes; the file holds them and the headers.
        ASSERT_TRUE(WaitUntil([&] { return QFileInfo(file + ".part").size() >= 1000000 + ZRK_DATA_OFFSET; }));
        ::kill(static_cast<pid_t>(p.processId()), signal);
        const Result r = Finish(p, "download");
        EXPECT_EQ(r.exit, 128 + signal) << r.err.toStdString();
        EXPECT_TRUE(r.err.endsWith(QStringLiteral("interrupted: 1.0 of 6.6 MB kept in %1.part\n").arg(file)))
            << r.err.toStdString();
        EXPECT_EQ(QFileInfo(file + ".part").size(), 1000000 + ZRK_DATA_OFFSET);
        ASSERT_TRUE(good.open(QIODevice::ReadOnly));
        EXPECT_EQ(good.readAll(), QByteArray("a good file from before"));
        good.close();
    }
}

// Live output stopped by a signal is stopped on the camera too; an export stopped by one is a
// valid movie of the frames written so far.
TEST_F(CtlFaultTest, SignalsStopLiveOutputAndFinishTheMovie) {
    camtest::CamProcess cam({"--state", DemoState(), "-v"}); // traces what it receives
    ASSERT_TRUE(cam.started());
    QProcess live;
    Prepare(live, {"live", "--frames", "100000"}, &cam);
    live.start();
    ASSERT_TRUE(live.waitForStarted());
    QByteArray trace;
    ASSERT_TRUE(WaitUntil([&] {
        cam.process.waitForReadyRead(20);
        trace += cam.process.readAllStandardError();
        return trace.contains("<- LVST");
    }));
    QThread::msleep(300); // some frames on their way
    ::kill(static_cast<pid_t>(live.processId()), SIGTERM);
    Result r = Finish(live, "live");
    EXPECT_EQ(r.exit, 143) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("interrupted: live output stopped")) << r.err.toStdString();
    r = Ctl({"info", "--json"}, &cam);
    const QJsonObject info = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(info["mode"].toString(), "REC") << r.out.toStdString();
    EXPECT_EQ(info["runState"].toString(), "idle");

    cam.stop();
    camtest::CamProcess quiet({"--state", DemoState()}); // no trace to fill a pipe during the download
    ASSERT_TRUE(quiet.started());
    const QString data = folder->filePath("all.dat"), movie = folder->filePath("all.avi");
    ASSERT_EQ(Ctl({"download", "1", "0", "2043", data}, &quiet).exit, 0);
    QProcess exporting;
    Prepare(exporting, {"export", data, "--avi", movie}, nullptr);
    exporting.start();
    ASSERT_TRUE(exporting.waitForStarted());
    ASSERT_TRUE(WaitUntil([&] { return QFileInfo(movie).size() > 2'000'000; }));
    ::kill(static_cast<pid_t>(exporting.processId()), SIGINT);
    r = Finish(exporting, "export");
    EXPECT_EQ(r.exit, 130) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("interrupted: " + movie)) << r.err.toStdString();
    if (QStandardPaths::findExecutable("ffprobe").isEmpty()) GTEST_SKIP() << "no ffprobe to read the movie";
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                            "stream=nb_read_frames", "-of", "csv=p=0", movie});
    ASSERT_TRUE(probe.waitForFinished(30000));
    const int frames = QString::fromLatin1(probe.readAllStandardOutput()).trimmed().toInt();
    EXPECT_GT(frames, 0);
    EXPECT_LT(frames, 2044);
}

// The data file carries the trigger's position in its range, as info reports it.
TEST_F(CtlFaultTest, DataFilesCarryTheTriggerPosition) {
    camtest::CamProcess cam({"--state", DemoState()});
    ASSERT_TRUE(cam.started());
    const Result r = Ctl({"info", "--json"}, &cam);
    const QJsonObject info = QJsonDocument::fromJson(r.out.toUtf8()).object();
    // The demo region holds 2044 frames, 500 of them after the trigger.
    EXPECT_EQ(info["regionCounts"].toArray()[0].toObject()["triggerFrame"].toInt(), 1543);
    EXPECT_EQ(info["clock"].toString(), "2020-06-01T12:00:00");
    EXPECT_EQ(info["memoryMiB"].toInt(), 256);
    EXPECT_EQ(info["versions"].toObject()["code"].toString(), "1.2");
    const struct {
        const char *first, *last;
        int32_t trigger;
    } ranges[] = {{"1540", "1549", 3}, {"1543", "1543", 0}, {"0", "99", -1}, {"1544", "1600", -1}};
    int n = 0;
    for (const auto& range : ranges) {
        const QString file = folder->filePath(QStringLiteral("trigger%1.dat").arg(++n));
        ASSERT_EQ(Ctl({"download", "1", range.first, range.last, file}, &cam).exit, 0);
        EXPECT_EQ(TriggerFrameOf(file), range.trigger) << range.first << ".." << range.last;
    }
}

// The command line is checked before any camera is asked; options go before or after the command.
TEST_F(CtlFaultTest, CommandLineIsCheckedFirst) {
    const QString existing = folder->filePath("existing.dat");
    QFile f(existing);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    struct Case {
        QStringList args;
        int exit;
        const char* text; // on standard error, or on standard output for status 0
    };
    const Case noCamera[] = {
        {{"--regions", "0", "record-mode"}, 2, "--regions takes 1 to 4"},
        {{"record-mode", "--rate", "301FPS"}, 2, "unknown frame rate"},
        {{"export", existing, "--avi", "x.avi", "--interval", "2"}, 2, "--interval is for bitmaps"},
        {{"wait", "--region", "5"}, 2, "--region 1-4"},
        {{"download", "1", "5", "0", "x.dat"}, 2, "FIRST <= LAST"},
        {{"download", "1", "0", "5", existing}, 1, "exists; give --overwrite"},
        {{"live"}, 2, "--frames takes"},
        {{"--help"}, 0, "Usage: zrkctl"},
        {{"-h"}, 0, "128+N on signal N"},
        {{"--version"}, 0, "zrkctl 1.0"},
        {{"download", "--help"}, 0, "Usage: zrkctl download REGION"},
        {{"wait", "-h"}, 0, "Usage: zrkctl wait"},
        {{}, 2, "no command given"},
    };
    for (const Case& c : noCamera) {
        const Result r = Ctl(c.args); // no --camera: the settings file's address has no camera
        EXPECT_EQ(r.exit, c.exit) << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE((c.exit == 0 ? r.out : r.err).contains(c.text)) << c.args.join(' ').toStdString();
    }

    camtest::CamProcess cam({"--state", DemoState()});
    ASSERT_TRUE(cam.started());
    Result r = Ctl({"wait", "--until", "full", "--region", "3"}, &cam);
    EXPECT_EQ(r.exit, 1);
    EXPECT_TRUE(r.err.contains("there is no region 3")) << r.err.toStdString();
    r = Ctl({"info", "--camera", Address(cam), "--json"});
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    // The demo is Center with 500 frames after the trigger: kept through a change of regions.
    ASSERT_EQ(Ctl({"clear"}, &cam).exit, 0);
    r = Ctl({"record-mode", "--regions", "3"}, &cam);
    EXPECT_EQ(r.exit, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("3 region(s), trigger Center, 500 frames after")) << r.out.toStdString();
}

} // namespace
