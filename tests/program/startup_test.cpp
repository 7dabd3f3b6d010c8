// The real program, started headless in an empty folder.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString BinDir() {
    return qEnvironmentVariable("ZRK_BIN_DIR");
}

TEST(StartUp, FirstStartInAnEmptyFolderWritesTheSettingsFileAndShowsTheMainWindow) {
    QTemporaryDir dir;
    const QString exe = dir.path() + "/Zrk1";
    ASSERT_TRUE(QFile::copy(BinDir() + "/Zrk1", exe));
    const QString shot = dir.path() + "/main.png";
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(exe, {QStringLiteral("--screenshot"), shot});
    ASSERT_TRUE(p.waitForFinished(30000)) << p.readAll().constData();
    EXPECT_EQ(p.exitCode(), 0) << p.readAll().constData();

    QFile ini(dir.path() + "/Zrk1.ini");
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    EXPECT_TRUE(text.contains("[TCP]"));
    EXPECT_TRUE(text.contains("ClientIP=192.168.0.2"));

    const QImage image(shot);
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(image.width(), 100);
    // Keep the picture for the docs when asked to (scripts/screenshot.sh).
    const QString keep = qEnvironmentVariable("ZRK_KEEP_SCREENSHOT");
    if (!keep.isEmpty()) {
        QFile::remove(keep);
        QFile::copy(shot, keep);
    }
}

} // namespace
