// The frame table end to end: a recording downloaded from zrkcam by zrkctl, its table printed,
// written beside a movie and on its own, every value checked against the frame headers as the
// file holds them.
#include "imagelib/include/zrk_data_file.h"
#include "imagelib/include/zrk_frame_header.h"
#include "tests/camsim/cam_client.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>

namespace {

struct Result {
    int exit = -1;
    QByteArray out;
    QString err;
};

class FramesTest : public ::testing::Test {
protected:
    QTemporaryDir dir;

    Result Ctl(const QStringList& args) {
        QProcess p;
        p.start(qEnvironmentVariable("ZRK_BIN_DIR") + "/zrkctl",
                QStringList{"--settings", dir.filePath("zrk.ini"), "--connect-timeout", "10"} + args);
        EXPECT_TRUE(p.waitForFinished(90000)) << args.join(' ').toStdString();
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
                QString::fromLocal8Bit(p.readAllStandardError())};
    }

    // A download of frames 1530..1559 of region 1 of a recording with the analog input on: the
    // trigger mark of its frame 1543 lies inside. The file's TriggerFrame is set to trigger.
    QString Take(int32_t trigger) {
        QFile state(dir.filePath("camera.state"));
        EXPECT_TRUE(state.open(QIODevice::WriteOnly));
        state.write("memory 1\nrmod 1 0 3 0 1 1 500\nanig 2\nclock 2020 06 01 12 00 00\n"
                    "region 0 2044 500 2020 06 01 11 58 30\n");
        state.close();
        camtest::CamProcess cam({"--state", state.fileName()});
        EXPECT_TRUE(cam.started());
        const QString path = dir.filePath("take.dat");
        const Result r =
            Ctl({"--camera", QStringLiteral("127.0.0.1:%1:%2").arg(cam.commandPort).arg(cam.dataPort),
                 "download", "1", "1530", "1559", path});
        EXPECT_EQ(r.exit, 0) << r.err.toStdString();
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(18); // TriggerFrame
        f.write(reinterpret_cast<const char*>(&trigger), sizeof trigger);
        return path;
    }
};

// The headers of every frame record, read at their offsets without the program's code.
QList<ZRK_FRAME_HEADER> Headers(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray data = f.readAll();
    ZRK_FRAME_HEADER first;
    std::memcpy(&first, data.constData() + ZRK_DATA_OFFSET, sizeof first);
    const qsizetype record = qsizetype{first.width} * first.height + ZRK_FRAME_HEADER_SIZE;
    QList<ZRK_FRAME_HEADER> headers;
    for (qsizetype at = ZRK_DATA_OFFSET; at + record <= data.size(); at += record) {
        ZRK_FRAME_HEADER h;
        std::memcpy(&h, data.constData() + at, sizeof h);
        headers.append(h);
    }
    return headers;
}

TEST_F(FramesTest, TheTableOfADownloadIsItsFrameHeadersFromEveryOutlet) {
    const QString take = Take(13);
    const QList<ZRK_FRAME_HEADER> headers = Headers(take);
    ASSERT_EQ(headers.size(), 30);

    const Result json = Ctl({"frames", take, "--json"});
    ASSERT_EQ(json.exit, 0) << json.err.toStdString();
    const QJsonObject whole = QJsonDocument::fromJson(json.out).object();
    EXPECT_EQ(whole["frame_count"].toInt(), 30);
    EXPECT_EQ(whole["trigger_frame"].toInt(), 13);
    const QJsonArray rows = whole["frames"].toArray();
    ASSERT_EQ(rows.size(), 30);
    QByteArray expected = "index,camera_frame,date_time,time_from_trigger_s,trigger,analog\r\n";
    bool analogMoved = false;
    for (int i = 0; i < 30; ++i) {
        SCOPED_TRACE(i);
        const ZRK_FRAME_HEADER& h = headers[i];
        const QJsonObject row = rows[i].toObject();
        const QString date = QStringLiteral("%1-%2-%3T%4:%5:%6")
                                 .arg(2000 + h.year % 100)
                                 .arg(h.month, 2, 10, QChar(u'0'))
                                 .arg(h.day, 2, 10, QChar(u'0'))
                                 .arg(h.hour, 2, 10, QChar(u'0'))
                                 .arg(h.minute, 2, 10, QChar(u'0'))
                                 .arg(h.second, 2, 10, QChar(u'0'));
        const double seconds = (i - 13) / 240.0; // 240 frames/s at 256x256
        EXPECT_EQ(row["index"].toInt(), i);
        EXPECT_EQ(row["camera_frame"].toInt(), h.realFrame);
        EXPECT_EQ(row["date_time"].toString(), date);
        EXPECT_DOUBLE_EQ(row["time_from_trigger_s"].toDouble(), seconds);
        EXPECT_EQ(row["trigger"].toInt(), h.trigger);
        EXPECT_EQ(row["analog"].toInt(), h.analog);
        analogMoved = analogMoved || h.analog != headers[0].analog;
        expected += QStringLiteral("%1,%2,%3,%4,%5,%6\r\n")
                        .arg(i)
                        .arg(h.realFrame)
                        .arg(date)
                        .arg(seconds, 0, 'f', 6)
                        .arg(h.trigger)
                        .arg(h.analog)
                        .toLatin1();
    }
    EXPECT_TRUE(analogMoved);
    EXPECT_EQ(headers[13].trigger, 1);

    const Result csv = Ctl({"frames", take});
    EXPECT_EQ(csv.exit, 0);
    EXPECT_EQ(csv.out, expected);
    // Beside a movie, and on its own.
    const Result movie =
        Ctl({"export", take, "--avi", dir.filePath("m.avi"), "--csv", dir.filePath("m.csv")});
    ASSERT_EQ(movie.exit, 0) << movie.err.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("m.avi")));
    QFile written(dir.filePath("m.csv"));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), expected);
    const Result alone = Ctl({"export", take, "--csv=" + dir.filePath("part.csv"), "--range", "13:14"});
    ASSERT_EQ(alone.exit, 0) << alone.err.toStdString();
    QFile part(dir.filePath("part.csv"));
    ASSERT_TRUE(part.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = expected.split('\n');
    EXPECT_EQ(part.readAll(), lines[0] + '\n' + lines[14] + '\n' + lines[15] + '\n');
}

TEST_F(FramesTest, RefusalsGiveStatusAndMessage) {
    const QString take = Take(-1);
    QFile::copy(take, dir.filePath("short.dat"));
    QFile::resize(dir.filePath("short.dat"), ZRK_DATA_OFFSET + 65664 * 20 + 10);
    struct Case {
        QStringList args;
        int exit;
        const char* message;
    };
    const Case cases[] = {
        {{"frames", dir.filePath("zrk.ini")}, 1, "Play Control: Selected file not ZRK file."},
        {{"frames", dir.filePath("short.dat")}, 1, "Frame Data: Cannot read ZRK file."},
        {{"frames", take, "--range", "5:40"}, 1, "is not a range of them"},
        {{"frames"}, 2, "wrong number of arguments"},
        {{"export", take, "--csv"}, 2, "--csv takes a file name"},
        {{"export", take, "--csv", take}, 1, "Frame Data: Cannot write to file."},
    };
    for (const Case& c : cases) {
        const Result r = Ctl(c.args);
        EXPECT_EQ(r.exit, c.exit) << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.message))) << c.args.join(' ').toStdString() << "\n"
                                                                    << r.err.toStdString();
    }
    // The rows before a missing frame are printed; no time without a trigger.
    const Result partial = Ctl({"frames", dir.filePath("short.dat")});
    EXPECT_EQ(partial.out.count("\r\n"), 21);
    EXPECT_TRUE(partial.out.contains(",2020-06-01T11:58:36,,")) << partial.out.constData();
    EXPECT_EQ(Headers(take).size(), 30); // the data file named as the table stays whole
}

} // namespace
