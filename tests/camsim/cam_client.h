// A small blocking client for zrkcam: starts the program on ephemeral ports and talks to both ports.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTcpSocket>

#include <memory>
#include <string>
#include <vector>

namespace camtest {

// zrkcam started with "--command-port 0 --data-port 0" and the given arguments.
class CamProcess {
public:
    explicit CamProcess(const QStringList& args);
    ~CamProcess();
    bool started() const { return commandPort != 0; }
    int stop(); // SIGTERM, returns the exit code (-1 if it did not exit normally)

    QString firstLine;
    quint16 commandPort = 0;
    quint16 dataPort = 0;
    QProcess process;
};

class CamClient {
public:
    // Connects the command port, reads the first line, connects the data port, reads the second.
    bool open(const CamProcess& cam);
    bool connectCommand(quint16 port);
    bool connectData(quint16 port);

    // One line including its terminator, or empty when none came in time.
    QByteArray readRawLine(int timeoutMs = 3000);
    // One line without its CR LF.
    std::string readLine(int timeoutMs = 3000);
    std::string command(const std::string& line, int timeoutMs = 3000);
    void send(const std::string& line);
    // A Start/End reply: every line up to and including the "End" line.
    std::vector<std::string> multiLine(const std::string& line);
    // Exactly n bytes from the data port, or fewer when they did not come in time.
    QByteArray readData(qint64 n, int timeoutMs = 5000);
    bool noDataFor(int ms);
    bool noLineFor(int ms);
    bool commandClosed(int timeoutMs = 3000);
    bool dataClosed(int timeoutMs = 3000);

    QTcpSocket cmd;
    QTcpSocket data;

private:
    QByteArray pending_;
};

QString writeTempFile(const std::string& text);

} // namespace camtest
