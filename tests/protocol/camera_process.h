// Runs the stand-in camera (zrkcam from the build's bin folder) on 127.0.0.1 with free ports.
#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

class CameraProcess {
public:
    // Starts zrkcam with extra arguments; false when it did not come up.
    bool Start(const QStringList& extra = {}) {
        const QString exe = qEnvironmentVariable("ZRK_BIN_DIR") + QStringLiteral("/zrkcam");
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(exe,
                      QStringList{"--bind", "127.0.0.1", "--command-port", "0", "--data-port", "0"} + extra);
        if (!process.waitForStarted(5000)) return false;
        while (!process.canReadLine())
            if (!process.waitForReadyRead(5000)) return false;
        const QString first = QString::fromLatin1(process.readLine()).trimmed();
        const auto m =
            QRegularExpression(QStringLiteral("^zrkcam listening on (\\S+) command=(\\d+) data=(\\d+)$"))
                .match(first);
        if (!m.hasMatch()) return false;
        commandPort = m.captured(2).toInt();
        dataPort = m.captured(3).toInt();
        return true;
    }
    void Stop() {
        if (process.state() == QProcess::NotRunning) return;
        process.terminate();
        if (!process.waitForFinished(3000)) process.kill();
        process.waitForFinished(1000);
    }
    ~CameraProcess() { Stop(); }

    QProcess process;
    int commandPort = 0;
    int dataPort = 0;
};
