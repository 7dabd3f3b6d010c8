// "Frame data (CSV)" of a recording downloaded from zrkcam: the player's Convert writes the same
// table beside the movie and the bitmaps as zrkctl prints (whose values the zrkctl suite checks
// against the frame headers).
#include "playback/frm_convert.h"
#include "tests/camsim/cam_client.h"
#include "tests/playback/player_fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>

namespace {

QByteArray Zrkctl(const QStringList& args) {
    QProcess p;
    p.start(qEnvironmentVariable("ZRK_BIN_DIR") + "/zrkctl", args);
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    return p.readAllStandardOutput();
}

TEST_F(PlayerTest, ConvertWritesTheTableOfADownloadAsZrkctlPrintsIt) {
    const QString state = dir.file("camera.state");
    QFile f(state);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("memory 1\nrmod 1 0 3 0 1 1 500\nanig 2\nclock 2020 06 01 12 00 00\n"
            "region 0 2044 500 2020 06 01 11 58 30\n");
    f.close();
    camtest::CamProcess cam({"--state", state});
    ASSERT_TRUE(cam.started());
    const QString take = dir.file("take.dat");
    const QString settings = dir.file("zrk.ini");
    Zrkctl({"--settings", settings, "--camera",
            QStringLiteral("127.0.0.1:%1:%2").arg(cam.commandPort).arg(cam.dataPort), "download", "1", "1530",
            "1559", take});
    // The trigger mark of frame 13, as the thumbnail browser's download records it.
    f.setFileName(take);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const int32_t trigger = 13;
    f.seek(18);
    f.write(reinterpret_cast<const char*>(&trigger), sizeof trigger);
    f.close();
    const QByteArray expected = Zrkctl({"frames", take});
    ASSERT_TRUE(expected.contains(",0.000000,1,")); // frame 13: the trigger, at time 0

    frmPlay* p = Open(take);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->lblTrigTime->text(), "-0.054167 s"); // 13 frames at 240 frames/s
    for (ConvertFormat format : {ConvertFormat::Avi, ConvertFormat::DibSequence}) {
        QDir().mkpath(dir.file("bitmaps"));
        Playback().exportFolder = dir.file("bitmaps/");
        frmConvert dialog(p);
        dialog.optFormat[int(format)]->click();
        ASSERT_TRUE(dialog.chkFrameData->isChecked());
        dialog.cmdOK->click();
        ui.fileAnswers.push_back(dir.file("movie.avi"));
        p->RunExport(dialog.choice());
        EXPECT_TRUE(ui.messages.isEmpty());
    }
    EXPECT_EQ(ReadAll(dir.file("movie.csv")), expected);
    EXPECT_EQ(ReadAll(dir.file("bitmaps/take.csv")), expected);
    EXPECT_EQ(QDir(dir.file("bitmaps")).entryList({"*.bmp"}).size(), 30);
    Playback().exportFrameData = false;
}

} // namespace
