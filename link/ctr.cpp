#include "link/ctr.h"

#include "link/socket_state.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QTcpSocket>

using zrk_link::kStateClosed;
using zrk_link::kStateConnected;
using zrk_link::stateCode;

namespace {

bool validPort(int port) {
    return port >= 0 && port <= 65535;
}

// What a client reports as its own address before it is connected: the first non-loopback IPv4
// address of this host.
QString hostAddress() {
    for (const QHostAddress& a : QNetworkInterface::allAddresses()) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) return a.toString();
    }
    return QStringLiteral("127.0.0.1");
}

} // namespace

ctr::ctr(QObject* parent) : QObject(parent), m_sockets(1) {}

ctr::~ctr() {
    // Quietly: no signal may reach a half-destroyed link.
    for (int i = 0; i < int(m_sockets.size()); ++i)
        destroySocket(i);
    closeListener();
}

void ctr::SetServerData() {
    if (isServer()) TCPClose(0);
    destroySocket(0);
    closeListener();
    applyMode();
}

void ctr::applyMode() {
    m_appliedMode = m_mode;
    if (!isServer()) {
        m_remoteHost = m_serverName;
        m_remotePort = m_serverPort;
        return;
    }
    if (!m_server) {
        m_server = new QTcpServer(this);
        connect(m_server, &QTcpServer::newConnection, this, &ctr::onNewConnection);
        connect(m_server, &QTcpServer::acceptError, this, [this](QAbstractSocket::SocketError e) {
            queueFailure(0, m_sockets[0].serial, int(e), m_server->errorString());
        });
    }
    m_sockets[0].serial = m_nextSerial++;
    // IPv4 only, so that peer addresses read as plain dotted quads.
    if (!validPort(m_serverPort)) {
        queueFailure(0, m_sockets[0].serial, int(QAbstractSocket::SocketAddressNotAvailableError),
                     QStringLiteral("Port out of range"));
    } else if (!m_server->listen(QHostAddress::AnyIPv4, quint16(m_serverPort))) {
        queueFailure(0, m_sockets[0].serial, int(m_server->serverError()), m_server->errorString());
    }
}

void ctr::closeListener() {
    if (m_server) m_server->close();
}

bool ctr::ClientUse(int index) const {
    if (!isServer()) return index == 0;
    return m_slots.UseCheck(index);
}

QString ctr::ClientName(int index) const {
    if (!isServer()) {
        const QTcpSocket* s = socketAt(0);
        if (s && !s->localAddress().isNull()) return s->localAddress().toString();
        return hostAddress();
    }
    const QTcpSocket* s = index > 0 && m_slots.UseCheck(index) ? socketAt(index) : nullptr;
    return s ? s->peerAddress().toString() : QString();
}

int ctr::ClientPort(int index) const {
    if (!isServer()) {
        const QTcpSocket* s = socketAt(0);
        return s ? s->localPort() : 0;
    }
    if (!m_slots.UseCheck(index)) return -1;
    const QTcpSocket* s = socketAt(index);
    return s ? s->peerPort() : 0; // the listener has no peer
}

int ctr::LocalPort() const {
    if (isServer()) return m_server && m_server->isListening() ? m_server->serverPort() : 0;
    const QTcpSocket* s = socketAt(0);
    return s ? s->localPort() : 0;
}

bool ctr::TCPClose(int index) {
    if (!isServer()) {
        destroySocket(0);
        return false;
    }
    if (index == 0) {
        std::vector<int> closed;
        for (int i = m_slots.GetMaxSubscripts(); i >= 1; --i) {
            if (!m_slots.UseCheck(i)) continue;
            destroySocket(i);
            closed.push_back(i);
        }
        for (int i : closed)
            m_slots.ReleaseSubscripts(i);
        return false;
    }
    if (!m_slots.UseCheck(index)) return true;
    destroySocket(index);
    m_slots.ReleaseSubscripts(index);
    return false;
}

bool ctr::TCPConnect() {
    if (isServer() || State(0) != kStateClosed) return true;
    destroySocket(0);
    auto* sock = new QTcpSocket(this);
    attach(0, sock);
    if (!validPort(m_remotePort)) {
        queueFailure(0, m_sockets[0].serial, int(QAbstractSocket::SocketAddressNotAvailableError),
                     QStringLiteral("Port out of range"));
        return false;
    }
    sock->connectToHost(m_remoteHost, quint16(m_remotePort));
    return false;
}

short ctr::State(int index) const {
    if (!isServer()) {
        const QTcpSocket* s = socketAt(0);
        return s ? stateCode(s->state()) : kStateClosed;
    }
    if (!m_slots.UseCheck(index)) return -1;
    if (index == 0)
        return m_server ? stateCode(m_server->isListening() ? QAbstractSocket::ListeningState
                                                            : QAbstractSocket::UnconnectedState)
                        : kStateClosed;
    const QTcpSocket* s = socketAt(index);
    return s ? stateCode(s->state()) : kStateClosed;
}

bool ctr::DataSend(int index, const QString& data) {
    const QByteArray bytes = data.toLatin1();
    return DataSend(index, bytes.constData(), bytes.size());
}

bool ctr::DataSend(int index, const char* data, qsizetype size) {
    if (!isServer()) {
        QTcpSocket* s = socketAt(0);
        if (!s || s->state() != QAbstractSocket::ConnectedState) return true;
        sendOn(s, data, size);
        return false;
    }
    if (index > 0) {
        QTcpSocket* s = m_slots.UseCheck(index) ? socketAt(index) : nullptr;
        if (!s) return true;
        sendOn(s, data, size);
        return false;
    }
    if (index < 0) return true;
    // Slots may come and go while events run between the sends; look each one up afresh.
    for (int i = 1; i <= m_slots.GetMaxSubscripts(); ++i) {
        QTcpSocket* s = m_slots.UseCheck(i) ? socketAt(i) : nullptr;
        if (s) sendOn(s, data, size);
    }
    return false;
}

void ctr::sendOn(QTcpSocket* sock, const char* data, qsizetype size) {
    if (size > 0) {
        sock->write(data, size);
        sock->flush();
    }
    // Holders rely on the send going out before they continue (one reply may already be handled).
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

QTcpSocket* ctr::socketAt(int index) const {
    if (index < 0 || index >= int(m_sockets.size())) return nullptr;
    return m_sockets[index].sock;
}

bool ctr::isCurrent(int index, quint64 serial) const {
    return index >= 0 && index < int(m_sockets.size()) && m_sockets[index].serial == serial;
}

void ctr::attach(int index, QTcpSocket* sock) {
    if (index >= int(m_sockets.size())) m_sockets.resize(index + 1);
    const quint64 serial = m_nextSerial++;
    m_sockets[index] = Endpoint{sock, serial};
    sock->setParent(this);
    connect(sock, &QTcpSocket::readyRead, this, [this, index, serial] { onReadyRead(index, serial); });
    connect(sock, &QTcpSocket::connected, this, [this, index, serial] { queueConnected(index, serial); });
    connect(sock, &QTcpSocket::disconnected, this, [this, index, serial] { queuePeerClose(index, serial); });
    connect(sock, &QTcpSocket::errorOccurred, this,
            [this, index, serial, sock](QAbstractSocket::SocketError e) {
                // A peer close comes as this error followed by disconnected(); treat it as the close it is.
                if (e == QAbstractSocket::RemoteHostClosedError) {
                    queuePeerClose(index, serial);
                    return;
                }
                queueFailure(index, serial, int(e), sock->errorString());
            });
}

void ctr::destroySocket(int index) {
    if (index < 0 || index >= int(m_sockets.size())) return;
    Endpoint& e = m_sockets[index];
    if (QTcpSocket* s = e.sock) {
        s->blockSignals(true); // our own close raises no events
        if (s->state() == QAbstractSocket::ConnectedState) s->flush();
        s->abort();
        s->deleteLater(); // we may be inside one of its signals
    }
    e = Endpoint{};
    if (isServer() && index > 0) {
        // Keep the table no longer than the slot list.
        while (m_sockets.size() > 1 && !m_sockets.back().sock)
            m_sockets.pop_back();
    }
}
