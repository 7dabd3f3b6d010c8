// The real program, started headless in an empty folder.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

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

// Under a file-size limit, with SIGXFSZ at its default as a shell leaves it, a write past the
// limit must fail like a full disk and not kill the program: the settings file written at start-up
// is not written whole, and the program still runs on and ends normally.
TEST(StartUp, AWritePastTheFileSizeLimitFailsInsteadOfKillingTheProgram) {
    QTemporaryDir dir;
    const QString exe = dir.path() + "/Zrk1";
    ASSERT_TRUE(QFile::copy(BinDir() + "/Zrk1", exe));
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    constexpr rlim_t kLimit = 16;
    p.setChildProcessModifier([] {
        std::signal(SIGXFSZ, SIG_DFL); // an ignored signal would be inherited and hide the fault
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = kLimit;
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    p.start(exe, {QStringLiteral("--quit-after"), QStringLiteral("1500")});
    ASSERT_TRUE(p.waitForFinished(30000)) << p.readAll().constData();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << p.readAll().constData();
    EXPECT_EQ(p.exitCode(), 0) << p.readAll().constData();
    EXPECT_LE(QFileInfo(dir.path() + "/Zrk1.ini").size(), static_cast<qint64>(kLimit));
}

} // namespace
