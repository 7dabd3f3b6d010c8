#include "cam_client.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cstdlib>

namespace camtest {

CamProcess::CamProcess(const QStringList& args) {
    const char* bin = std::getenv("ZRK_BIN_DIR");
    const QString program = QString::fromLocal8Bit(bin ? bin : ".") + "/zrkcam";
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, QStringList{"--command-port", "0", "--data-port", "0"} + args);
    if (!process.waitForStarted(5000)) return;
    QDeadlineTimer deadline(5000);
    while (!process.canReadLine() && !deadline.hasExpired())
        process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    firstLine = QString::fromLocal8Bit(process.readLine()).trimmed();
    const QRegularExpression re("^zrkcam listening on (\\S+) command=(\\d+) data=(\\d+)$");
    const auto m = re.match(firstLine);
    if (m.hasMatch()) {
        commandPort = static_cast<quint16>(m.captured(2).toUInt());
        dataPort = static_cast<quint16>(m.captured(3).toUInt());
    }
}

CamProcess::~CamProcess() {
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(3000);
    }
}

int CamProcess::stop() {
    process.terminate();
    if (!process.waitForFinished(5000)) return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool CamClient::connectCommand(quint16 port) {
    cmd.connectToHost("127.0.0.1", port);
    return cmd.waitForConnected(3000);
}

bool CamClient::connectData(quint16 port) {
    data.connectToHost("127.0.0.1", port);
    return data.waitForConnected(3000);
}

bool CamClient::open(const CamProcess& cam) {
    if (!connectCommand(cam.commandPort) || readLine().empty()) return false;
    return connectData(cam.dataPort) && !readLine().empty();
}

QByteArray CamClient::readRawLine(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const qsizetype lf = pending_.indexOf('\n');
        if (lf >= 0) {
            const QByteArray line = pending_.left(lf + 1);
            pending_.remove(0, lf + 1);
            return line;
        }
        if (cmd.bytesAvailable() == 0 &&
            (deadline.hasExpired() || !cmd.waitForReadyRead(static_cast<int>(deadline.remainingTime()))))
            return {};
        pending_.append(cmd.readAll());
    }
}

std::string CamClient::readLine(int timeoutMs) {
    QByteArray line = readRawLine(timeoutMs);
    if (line.endsWith("\r\n")) line.chop(2);
    return line.toStdString();
}

void CamClient::send(const std::string& line) {
    cmd.write(QByteArray::fromStdString(line + "\r\n"));
    cmd.flush();
}

std::string CamClient::command(const std::string& line, int timeoutMs) {
    send(line);
    return readLine(timeoutMs);
}

std::vector<std::string> CamClient::multiLine(const std::string& line) {
    std::vector<std::string> out{command(line)};
    while (!out.back().empty() && out.back().find(" End") == std::string::npos &&
           out.back().substr(0, 1) != "5")
        out.push_back(readLine());
    return out;
}

QByteArray CamClient::readData(qint64 n, int timeoutMs) {
    QByteArray out;
    out.reserve(n);
    QDeadlineTimer deadline(timeoutMs);
    while (out.size() < n) {
        if (data.bytesAvailable() == 0 &&
            (deadline.hasExpired() || !data.waitForReadyRead(static_cast<int>(deadline.remainingTime()))))
            break;
        out.append(data.read(n - out.size()));
    }
    return out;
}

bool CamClient::noDataFor(int ms) {
    return data.bytesAvailable() == 0 && !data.waitForReadyRead(ms);
}

bool CamClient::noLineFor(int ms) {
    return readRawLine(ms).isEmpty();
}

bool CamClient::commandClosed(int timeoutMs) {
    if (cmd.state() == QAbstractSocket::UnconnectedState) return true;
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (!cmd.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) break;
        pending_.append(cmd.readAll());
    }
    return cmd.state() == QAbstractSocket::UnconnectedState;
}

bool CamClient::dataClosed(int timeoutMs) {
    if (data.state() == QAbstractSocket::UnconnectedState) return true;
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (!data.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) break;
        data.readAll();
    }
    return data.state() == QAbstractSocket::UnconnectedState;
}

QString writeTempFile(const std::string& text) {
    QTemporaryFile file;
    file.setAutoRemove(false);
    if (!file.open()) return {};
    file.write(QByteArray::fromStdString(text));
    return file.fileName();
}

} // namespace camtest
