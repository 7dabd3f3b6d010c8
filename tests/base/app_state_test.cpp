// Settings applied at start-up: the camera address, the trace switch and the time-outs.
#include "base/app_state.h"
#include "base/main_window_parts.h"
#include "base/settings.h"
#include "base/shared_state.h"
#include "base/trace.h"
#include "link/ctr.h"
#include "tests/support/scripted_ui.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class AppState : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ScriptedUi ui;
    ctr cmd, data;
    QTimer comTimeOut, dataTimeOut;
    QString caption, label;

    void SetUp() override {
        SetAppPath(dir.path());
        MainWindowParts& p = MainParts();
        p = MainWindowParts{};
        p.ctrTCPCmd = &cmd;
        p.ctrTCPData = &data;
        p.tmrComTimeOut = &comTimeOut;
        p.tmrDataTimeOut = &dataTimeOut;
        p.showAddress = [this](const QString& c, const QString& a) {
            caption = c;
            label = a;
        };
        g_blnDebug = false;
    }
    void TearDown() override { MainParts() = MainWindowParts{}; }

    QString IniPath() const { return ComputeIniFile(); }
    void WriteIni(const QByteArray& text) {
        QFile f(IniPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QByteArray ReadIni() {
        QFile f(IniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(AppState, SettingsPathIsBesideTheExecutableWithOneSeparator) {
    SetAppPath(QStringLiteral("/"));
    EXPECT_EQ(g_strAppPath, QStringLiteral("/"));
    EXPECT_TRUE(ComputeIniFile().startsWith(QStringLiteral("/")));
    EXPECT_FALSE(ComputeIniFile().startsWith(QStringLiteral("//")));
    SetAppPath(QStringLiteral("/opt/zrk"));
    EXPECT_EQ(ComputeIniFile(), QStringLiteral("/opt/zrk/") + QCoreApplication::applicationName() + ".ini");
}

TEST_F(AppState, LeadingZerosAreNormalisedOnDiskButShownAsRead) {
    WriteIni("[TCP]\r\nClientIP=  192.168.000.010 \r\nCommandPort=4100\r\nDataPort=4101\r\n");
    LoadSettings();
    EXPECT_EQ(g_bytClientIP, (std::array<uint8_t, 4>{192, 168, 0, 10}));
    EXPECT_TRUE(ReadIni().contains("ClientIP=192.168.0.10\r\n"));
    EXPECT_EQ(caption, QStringLiteral("ZRK1 - 192.168.000.010"));
    EXPECT_EQ(label, QStringLiteral("192.168.000.010"));
    EXPECT_EQ(cmd.ServerName(), QStringLiteral("192.168.000.010"));
    EXPECT_EQ(data.ServerName(), QStringLiteral("192.168.000.010"));
    EXPECT_EQ(cmd.ServerPort(), 4100);
    EXPECT_EQ(data.ServerPort(), 4101);
}

TEST_F(AppState, AnAddressThatIsNotFourBytesFallsBackAndTheFallbackIsSaved) {
    for (const char* bad : {"192.168.0.256", "192.168.0", "1.2.3.4.5", "camera", "10.0.-1.2"}) {
        g_blnDebug = false; // tracing is switched on by the same file: the fallback line is not lost
        ui.traces.clear();
        WriteIni(QByteArray("[COMMON]\nDebug=1\n[TCP]\nClientIP=") + bad + "\n");
        LoadSettings();
        EXPECT_EQ(g_bytClientIP, (std::array<uint8_t, 4>{192, 168, 0, 2})) << bad;
        EXPECT_TRUE(ReadIni().contains("ClientIP=192.168.0.2")) << bad;
        EXPECT_EQ(cmd.ServerName(), QStringLiteral("192.168.0.2")) << bad;
        ASSERT_FALSE(ui.traces.isEmpty()) << bad;
        EXPECT_TRUE(ui.traces.first().contains(QString::fromLatin1(bad))) << bad;
    }
}

TEST_F(AppState, MissingFileGivesDefaultsAndIsCreated) {
    ASSERT_FALSE(QFile::exists(IniPath()));
    InitState();
    EXPECT_TRUE(QFile::exists(IniPath()));
    EXPECT_TRUE(ReadIni().contains("[TCP]"));
    EXPECT_TRUE(ReadIni().contains("ClientIP=192.168.0.2"));
    EXPECT_EQ(cmd.ServerPort(), 4000);
    EXPECT_EQ(data.ServerPort(), 4001);
    EXPECT_FALSE(g_blnDebug);
    EXPECT_EQ(comTimeOut.interval(), 60000);
    EXPECT_EQ(dataTimeOut.interval(), 60000);
}

TEST_F(AppState, DebugAndTimeOutsComeFromTheFile) {
    WriteIni("[COMMON]\nDebug=5\n[TIMEOUT]\nCommand=1000\nData=2500\n");
    LoadSettings();
    EXPECT_TRUE(g_blnDebug);
    EXPECT_EQ(comTimeOut.interval(), 1000);
    EXPECT_EQ(dataTimeOut.interval(), 2500);
    WriteIni("[COMMON]\nDebug=0\n");
    LoadSettings();
    EXPECT_FALSE(g_blnDebug);
}

TEST_F(AppState, InitStateResetsTheCameraSettingsAndFlags) {
    g_RecMode.ImageSize = 3;
    g_lngTrigPos[2] = 17;
    g_UserWB[0] = {10, 20, 30};
    g_blnLinkOpen = g_blnCmdOpen = g_blnDataOpen = true;
    g_lngViewMode = 3;
    g_bytCamMaskBits = 24;
    comTimeOut.start(100000);
    InitState();
    EXPECT_EQ(g_RecMode, (RecordMode{0, 6, 0, 0, 0, 0, 0, 3, 2, 0}));
    EXPECT_EQ(g_lngTrigPos[2], -1);
    EXPECT_EQ(g_WB, (WhiteBalance{6, 128, 128, 128}));
    EXPECT_FALSE(g_blnLinkOpen || g_blnCmdOpen || g_blnDataOpen);
    EXPECT_EQ(g_lngViewMode, 0);
    EXPECT_EQ(g_bytCamMaskBits, 24); // not part of the reset
    EXPECT_EQ(g_Gamma, (GammaSetting{0, 100}));
    EXPECT_FALSE(comTimeOut.isActive());
    EXPECT_EQ(g_strReplyLines, QStringList{QString()});
}

TEST_F(AppState, TracingOffStoresNothing) {
    g_blnDebug = false;
    WriteTrace(QStringLiteral("hello"));
    EXPECT_TRUE(ui.traces.isEmpty());
    g_blnDebug = true;
    WriteTrace(QStringLiteral("hello"));
    EXPECT_EQ(ui.traces, QStringList{QStringLiteral("hello")});
    g_blnDebug = false;
}

TEST(TraceStamp, LayoutIsYearMonthDayWeekdayTime) {
    const QDateTime when(QDate(2002, 7, 15), QTime(9, 5, 0));
    EXPECT_EQ(TraceStamp(when), QStringLiteral("2002/07/15 Mon 09:05:00"));
}

} // namespace
