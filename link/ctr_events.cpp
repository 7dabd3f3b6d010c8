#include "link/ctr.h"

#include <QMetaObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>

namespace {

const QString kErrorSource = QStringLiteral("wscTCPComm");

// Largest chunk handed out at once. The receive buffer is allocated at this size once and reused,
// so a download of hundreds of MB costs no allocation per chunk; more waiting bytes than this
// simply come as several chunks in a row.
constexpr int kChunk = 256 * 1024;

} // namespace

void ctr::onNewConnection() {
    while (m_server && m_server->hasPendingConnections()) {
        QTcpSocket* sock = m_server->nextPendingConnection();
        if (!isServer() || !sock) {
            if (sock) sock->deleteLater();
            continue;
        }
        const int slot = m_slots.GetNewSubscripts();
        attach(slot, sock);
        emit Connect(slot);
    }
}

void ctr::onReadyRead(int index, quint64 serial) {
    // A handler may close the socket, or send (running events in between), so re-check every round.
    while (isCurrent(index, serial)) {
        QTcpSocket* sock = m_sockets[index].sock;
        if (!sock || sock->state() != QAbstractSocket::ConnectedState) return; // leave bytes unread
        if (m_sockets[index].connectPending) return; // Connect comes first; its event delivers these
        const qint64 waiting = sock->bytesAvailable();
        if (waiting <= 0) return;
        const int want = int(std::min<qint64>(waiting, kChunk));

        // A handler that sends runs events, which can bring another socket's data here while the
        // shared buffer is still being looked at; that rare nested read gets a buffer of its own.
        QByteArray nested;
        QByteArray& buf = m_readBufInUse ? nested : m_readBuf;
        if (buf.size() < kChunk) buf.resize(kChunk);
        const qint64 got = sock->read(buf.data(), want);
        if (got <= 0) return;

        const bool outer = !m_readBufInUse;
        m_readBufInUse = true;
        deliver(index, buf.data(), int(got));
        if (outer) m_readBufInUse = false;
    }
}

void ctr::deliver(int index, char* data, int count) {
    if (m_receiveMode != 0) {
        emit DataBinaryReceive(index, QByteArrayView(data, count), count);
        return;
    }
    // Text is 8-bit, one character per byte; a NUL would cut strings short further on.
    std::replace(data, data + count, '\0', '?');
    emit DataReceive(index, QString::fromLatin1(data, count));
}

void ctr::queueConnected(int index, quint64 serial) {
    // A peer that speaks first (the camera greets at once) can have bytes here before Connect is
    // raised; they wait, so a holder always sees Connect before the first data.
    if (isCurrent(index, serial)) m_sockets[index].connectPending = true;
    QMetaObject::invokeMethod(
        this,
        [this, index, serial] {
            if (!isCurrent(index, serial)) return;
            emit Connect(index);
            if (!isCurrent(index, serial)) return;
            m_sockets[index].connectPending = false;
            onReadyRead(index, serial);
        },
        Qt::QueuedConnection);
}

// The socket is still mid-notification here; the events and the clean-up run from the event loop,
// where a handler can close or reconnect without pulling the socket out from under the platform.
// The address is taken now, while the socket still knows it.
void ctr::queuePeerClose(int index, quint64 serial) {
    const QString address = ClientName(index);
    QMetaObject::invokeMethod(
        this,
        [this, index, serial, address] {
            if (!isCurrent(index, serial)) return; // already closed, or an error got there first
            emit ClosingIP(address);
            if (isCurrent(index, serial)) {
                if (isServer()) {
                    destroySocket(index);
                    m_slots.ReleaseSubscripts(index);
                } else {
                    destroySocket(0);
                }
            }
            emit Closing(index);
        },
        Qt::QueuedConnection);
}

void ctr::queueFailure(int index, quint64 serial, int number, const QString& description) {
    const QString address = ClientName(index);
    QMetaObject::invokeMethod(
        this,
        [this, index, serial, number, description, address] {
            if (!isCurrent(index, serial)) return;
            emit Error(index, number, description, kErrorSource);
            emit ClosingIP(address);
            if (isCurrent(index, serial)) {
                TCPClose(index);
                // A failed listener stays failed; show it as closed rather than as listening.
                if (isServer() && index == 0) closeListener();
            }
            emit Closing(index);
        },
        Qt::QueuedConnection);
}
