// One settings file per camera (--settings FILE): used instead of the one beside the program,
// created on first use, a clear message when it cannot be written, and two programs side by side
// against two stand-in cameras, each with its own file.
#include "base/settings.h"
#include "base/shared_state.h"
#include "program/startup.h"
#include "tests/camsim/cam_client.h"
#include "tests/support/scripted_ui.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool Write(const QString& path, const QByteArray& text) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

TEST(SettingsFile, TheChosenFileIsUsedCreatedOnFirstUseOrReportedWhenItCannotBeWritten) {
    QTemporaryDir dir;
    ASSERT_TRUE(Write(dir.filePath("plain"), "not a folder"));
    ASSERT_TRUE(Write(dir.filePath("slave.ini"), "[TCP]\r\nClientIP=10.0.0.7\r\nCommandPort=5000\r\n"));
    struct Case {
        const char* what;
        QString path;
        bool message;
        const char* holds; // text the file holds afterwards ("" = no file)
    };
    const Case cases[] = {
        {"a new file", dir.filePath("master.ini"), false, "ClientIP=192.168.0.2"},
        {"a file of its own", dir.filePath("slave.ini"), false, "ClientIP=10.0.0.7\r\nCommandPort=5000"},
        {"a folder that is missing", dir.filePath("none/master.ini"), true, ""},
        {"a folder that is a file", dir.filePath("plain/master.ini"), true, ""},
    };
    const QString app = dir.filePath("app");
    QDir().mkpath(app);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedUi ui;
        SetSettingsFile(c.path);
        ASSERT_TRUE(StartUp(StartUpOptions{app})); // the program goes on either way
        EXPECT_EQ(g_strIniFile, c.path);
        if (c.message) {
            ASSERT_EQ(ui.messages.size(), 1);
            EXPECT_EQ(ui.messages[0].title, "Settings");
            EXPECT_EQ(ui.messages[0].text, "Cannot write the settings file\r\n" + c.path +
                                               "\r\nSettings changed now will not be kept.");
            EXPECT_FALSE(QFile::exists(c.path));
        } else {
            EXPECT_TRUE(ui.messages.isEmpty());
            EXPECT_TRUE(ReadAll(c.path).contains(c.holds)) << ReadAll(c.path).constData();
        }
        ShutDown();
        SetSettingsFile(QString());
        EXPECT_TRUE(QDir(app).isEmpty()); // nothing beside the program
    }
    // A relative name counts from the working folder.
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    SetSettingsFile(QStringLiteral("relative.ini"));
    EXPECT_EQ(ComputeIniFile(), dir.filePath("relative.ini"));
    SetSettingsFile(QString());
    QDir::setCurrent(before);
    EXPECT_NE(ComputeIniFile(), dir.filePath("relative.ini"));
}

TEST(SettingsFile, TwoProgramsDriveTwoCamerasEachWithItsOwnFile) {
    QTemporaryDir dir;
    struct Side {
        const char* name;
        std::unique_ptr<camtest::CamProcess> camera;
        QString ini;
        QByteArray backup; // the camera set-up backup kept in the file
        QProcess program;
    } sides[2];
    sides[0].name = "master";
    sides[1].name = "slave";
    for (Side& s : sides) {
        s.camera = std::make_unique<camtest::CamProcess>(QStringList{"-v"});
        ASSERT_TRUE(s.camera->started());
        s.ini = dir.filePath(QString::fromLatin1(s.name) + ".ini");
        s.backup = QByteArray("ZRKBK1 ") + s.name;
        ASSERT_TRUE(Write(
            s.ini, "[TCP]\r\nClientIP=127.0.0.1\r\nCommandPort=" + QByteArray::number(s.camera->commandPort) +
                       "\r\nDataPort=" + QByteArray::number(s.camera->dataPort) +
                       "\r\n[EPROM]\r\nData=" + s.backup + "\r\n"));
    }
    for (Side& s : sides) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        s.program.setProcessEnvironment(env);
        s.program.setProcessChannelMode(QProcess::MergedChannels);
        s.program.start(qEnvironmentVariable("ZRK_BIN_DIR") + "/Zrk1",
                        {"--settings", s.ini, "--connect", "--quit-after", "5000"});
    }
    for (Side& s : sides) {
        SCOPED_TRACE(s.name);
        ASSERT_TRUE(s.program.waitForFinished(30000));
        EXPECT_EQ(s.program.exitCode(), 0) << s.program.readAll().constData();
        // Each camera was read out by exactly one program: its own.
        s.camera->stop(); // its trace is all there once it has ended
        const QByteArray trace = s.camera->process.readAllStandardError();
        EXPECT_EQ(trace.count("command connection from 127.0.0.1"), 1) << trace.constData();
        EXPECT_TRUE(trace.contains("<- STAT")) << trace.constData();
        // Each file kept its own address, ports and backup.
        const QByteArray text = ReadAll(s.ini);
        EXPECT_TRUE(text.contains("CommandPort=" + QByteArray::number(s.camera->commandPort)));
        EXPECT_TRUE(text.contains("DataPort=" + QByteArray::number(s.camera->dataPort)));
        EXPECT_TRUE(text.contains("ClientIP=127.0.0.1"));
        EXPECT_TRUE(text.contains("Data=" + s.backup)) << text.constData();
    }
}

} // namespace
