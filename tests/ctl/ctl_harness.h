// Runs the real zrkctl (copied beside its image library into a scratch folder, so that its
// settings file is its own) and judges it by exit status, output and the files it leaves.
#pragma once

#include "tests/camsim/cam_client.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <memory>

namespace ctltest {

struct Result {
    int exit = -1;
    QString out, err;
};

inline QString Address(const camtest::CamProcess& cam) {
    return QStringLiteral("127.0.0.1:%1:%2").arg(cam.commandPort).arg(cam.dataPort);
}

inline QString DemoState() {
    return QString::fromLatin1(ZRK_SOURCE_DIR) + "/camsim/examples/demo.state";
}

class CtlTest : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        folder = std::make_unique<QTemporaryDir>();
        const QString bin = qEnvironmentVariable("ZRK_BIN_DIR");
        for (const char* name : {"zrkctl", "libzrkimage.so"})
            ASSERT_TRUE(QFile::copy(bin + QLatin1Char('/') + name, folder->filePath(name))) << name;
        QFile::setPermissions(folder->filePath("zrkctl"), QFile::permissions(bin + "/zrkctl"));
        // Short channel time-outs, so that a silent camera ends a case in moments.
        QFile ini(folder->filePath("Zrk1.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[TIMEOUT]\r\nCommand=1500\r\nData=1500\r\n");
    }
    static void TearDownTestSuite() { folder.reset(); }

    // zrkctl with a short connect time-out, not yet started.
    static void Prepare(QProcess& p, const QStringList& args, const camtest::CamProcess* cam,
                        rlim_t fileLimit = 0) {
        QStringList all;
        if (cam) all << "--camera" << Address(*cam);
        all << "--connect-timeout"
            << "10" << args;
        // The signal stays at its default: zrkctl itself must make a write past the limit fail.
        p.setChildProcessModifier([fileLimit] {
            signal(SIGXFSZ, SIG_DFL);
            if (fileLimit) {
                const rlimit limit{fileLimit, fileLimit};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
        });
        p.setProgram(folder->filePath("zrkctl"));
        p.setArguments(all);
    }

    static Result Finish(QProcess& p, const QString& what) {
        EXPECT_TRUE(p.waitForFinished(90000)) << what.toStdString();
        return Result{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                      QString::fromLocal8Bit(p.readAllStandardOutput()),
                      QString::fromLocal8Bit(p.readAllStandardError())};
    }

    static Result Ctl(const QStringList& args, const camtest::CamProcess* cam = nullptr,
                      rlim_t fileLimit = 0) {
        QProcess p;
        Prepare(p, args, cam, fileLimit);
        p.start();
        return Finish(p, args.join(' '));
    }

    static inline std::unique_ptr<QTemporaryDir> folder;
};

} // namespace ctltest
