#pragma once

#include "link/ctr.h"

#include <QByteArray>
#include <QHostAddress>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <memory>

namespace linktest {

constexpr int kWaitMs = 5000;

// Records every event of one link as a line, in the order raised.
struct EventLog {
    QStringList lines;
    QString text;     // all DataReceive text, concatenated
    QByteArray bytes; // all DataBinaryReceive bytes, concatenated
    int dataEvents = 0;

    explicit EventLog(ctr& link) {
        QObject::connect(&link, &ctr::Closing,
                         [this](int i) { lines << QStringLiteral("Closing %1").arg(i); });
        QObject::connect(&link, &ctr::Connect,
                         [this](int i) { lines << QStringLiteral("Connect %1").arg(i); });
        QObject::connect(&link, &ctr::Error, [this](int i, int, const QString&, const QString&) {
            lines << QStringLiteral("Error %1").arg(i);
        });
        QObject::connect(&link, &ctr::ClosingIP, [this](const QString& a) { lines << "ClosingIP " + a; });
        QObject::connect(&link, &ctr::DataReceive, [this](int, const QString& t) {
            text += t;
            ++dataEvents;
        });
        QObject::connect(&link, &ctr::DataBinaryReceive, [this](int, QByteArrayView d, int n) {
            bytes.append(d.data(), n);
            ++dataEvents;
        });
    }
    bool waitLines(int n) {
        return QTest::qWaitFor([&] { return lines.size() >= n; }, kWaitMs);
    }
};

inline std::unique_ptr<ctr> makeServer() {
    auto link = std::make_unique<ctr>();
    link->setMode(0);
    link->setServerPort(0);
    link->SetServerData();
    return link;
}

// A port nothing listens on (briefly bound, then released).
inline int freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// A plain socket connected to 127.0.0.1:port, or null.
inline std::unique_ptr<QTcpSocket> dial(int port) {
    auto s = std::make_unique<QTcpSocket>();
    s->connectToHost(QHostAddress::LocalHost, quint16(port));
    if (!s->waitForConnected(kWaitMs)) return nullptr;
    return s;
}

} // namespace linktest
