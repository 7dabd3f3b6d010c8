// A camera stand-in for tests: a command and a data listener on 127.0.0.1 that greets, then
// answers each command line through a callback, recording every line it receives.
#pragma once

#include <QByteArray>
#include <QPointer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>

class ScriptedPeer : public QObject {
public:
    ScriptedPeer() {
        command.listen(QHostAddress::LocalHost, 0);
        data.listen(QHostAddress::LocalHost, 0);
        connect(&command, &QTcpServer::newConnection, this, [this] {
            cmd = command.nextPendingConnection();
            if (!greeting.isEmpty()) cmd->write(greeting);
            connect(cmd, &QTcpSocket::readyRead, this, [this] { Read(); });
        });
        connect(&data, &QTcpServer::newConnection, this, [this] {
            dat = data.nextPendingConnection();
            if (cmd && !dataGreeting.isEmpty()) cmd->write(dataGreeting);
        });
    }

    QTcpServer command, data;
    QPointer<QTcpSocket> cmd, dat;
    QByteArray greeting = "200 ZRK-1 command port\r\n";
    QByteArray dataGreeting = "200 ZRK-1 data port\r\n";
    QStringList received;
    // Reply for one command line; empty: withhold the reply.
    std::function<QByteArray(const QString&)> reply = [](const QString&) { return QByteArray("200 OK\r\n"); };
    int maxInFlight = 0; // most commands seen before the previous one was answered

    void Reply(const QByteArray& bytes) {
        if (cmd) cmd->write(bytes);
    }

private:
    void Read() {
        m_buffer += cmd->readAll();
        int pendingNow = 0;
        for (qsizetype end; (end = m_buffer.indexOf("\r\n")) >= 0;) {
            const QString line = QString::fromLatin1(m_buffer.left(end));
            m_buffer.remove(0, end + 2);
            received << line;
            maxInFlight = std::max(maxInFlight, ++pendingNow);
            const QByteArray answer = reply(line);
            if (!answer.isEmpty()) {
                cmd->write(answer);
                --pendingNow;
            }
        }
    }
    QByteArray m_buffer;
};
