#pragma once

#include "link/minimum_list.h"

#include <QAbstractSocket>
#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <vector>

class QTcpServer;
class QTcpSocket;

// A TCP link with a small, fixed interface for both roles it can play:
//  - client (Mode != 0): socket 0 connects to ServerName:ServerPort;
//  - server (Mode == 0): socket 0 listens on ServerPort and every accepted client gets the lowest
//    free slot number >= 1.
// Socket activity comes out as the six signals below; received bytes as text (ReceiveMode 0) or as
// raw bytes (any other ReceiveMode). Boolean results: false = done, true = not done.
//
// Signals about a connection ending or failing (Connect of a client, Error, ClosingIP, Closing)
// are raised from the event loop, never from inside one of this class's methods, so a handler may
// call TCPConnect or TCPClose freely. Data signals are raised straight from the socket's read
// notification.
class ctr : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Mode READ Mode WRITE setMode)
    Q_PROPERTY(QString ServerName READ ServerName WRITE setServerName)
    Q_PROPERTY(int ServerPort READ ServerPort WRITE setServerPort)
    Q_PROPERTY(int ReceiveMode READ ReceiveMode WRITE setReceiveMode)
    Q_PROPERTY(int ClientMaxNumber READ ClientMaxNumber)

public:
    explicit ctr(QObject* parent = nullptr);
    ~ctr() override;

    // Property writes only store the value (and mark the properties changed); SetServerData
    // applies Mode, ServerName and ServerPort to the sockets.
    int Mode() const { return m_mode; }
    void setMode(int mode);
    QString ServerName() const { return m_serverName; }
    void setServerName(const QString& name);
    int ServerPort() const { return m_serverPort; }
    void setServerPort(int port);
    int ReceiveMode() const { return m_receiveMode; }
    void setReceiveMode(int mode);
    // Highest server slot number currently tracked; 0 with no clients.
    int ClientMaxNumber() const { return m_slots.GetMaxSubscripts(); }

    // Saved form of the four properties: only those that differ from their defaults.
    QVariantMap saveProperties();
    // Reads the saved form (missing or unreadable entries take their defaults) and applies the mode.
    void loadProperties(const QVariantMap& saved);
    bool propertiesChanged() const { return m_propertiesChanged; }

    void ShowAboutBox() {}
    // Closes socket 0 (and, as a server, every client) and applies the current properties: a
    // server starts listening, a client only records where TCPConnect will go.
    void SetServerData();
    bool ClientUse(int index) const;
    // Client: local address/port of socket 0. Server: peer address/port of slot index
    // ("" and -1 when the slot is not in use).
    QString ClientName(int index) const;
    int ClientPort(int index) const;
    bool TCPClose(int index);
    bool TCPConnect();
    // 0 closed, 7 connected (see socket_state.h for the rest); -1 for an unused server slot.
    short State(int index) const;
    // Sends text as 8-bit bytes (characters above U+00FF go out as '?'). After each send pending
    // events are processed, so any handler - including this link's own - may run inside this call.
    bool DataSend(int index, const QString& data);
    bool DataSend(int index, const char* data, qsizetype size);

    // Port socket 0 is bound to: the listening port of a server (useful with ServerPort 0),
    // the local port of a connected client, otherwise 0.
    int LocalPort() const;

signals:
    void Closing(int index);
    void Connect(int index);
    // number: a QAbstractSocket::SocketError value; source: the socket array's name.
    void Error(int index, int number, const QString& description, const QString& source);
    void DataReceive(int index, const QString& data);
    void ClosingIP(const QString& address);
    // data points into the link's receive buffer and is valid only during the emission;
    // copy what must outlive it. Connect with a direct connection only.
    void DataBinaryReceive(int index, QByteArrayView data, int count);

private:
    struct Endpoint {
        QTcpSocket* sock = nullptr;
        quint64 serial = 0;          // tells queued notifications about a socket that has since gone apart
        bool connectPending = false; // connected, Connect not yet raised: hold its data back till then
    };

    bool isServer() const { return m_appliedMode == 0; }
    QTcpSocket* socketAt(int index) const;
    bool isCurrent(int index, quint64 serial) const;
    void applyMode();
    void closeListener();
    void attach(int index, QTcpSocket* sock);
    void destroySocket(int index);
    void sendOn(QTcpSocket* sock, const char* data, qsizetype size);

    // ctr_events.cpp: socket notifications turned into signals.
    void onNewConnection();
    void onReadyRead(int index, quint64 serial);
    void deliver(int index, char* data, int count);
    void queueConnected(int index, quint64 serial);
    void queuePeerClose(int index, quint64 serial);
    void queueFailure(int index, quint64 serial, int number, const QString& description);

    int m_mode = 1;
    QString m_serverName;
    int m_serverPort = 0;
    int m_receiveMode = 0;
    bool m_propertiesChanged = false;

    int m_appliedMode = 1;
    QString m_remoteHost;
    int m_remotePort = 0;

    // Index 0: the client socket (null until the first TCPConnect). As a server, index 0 has no
    // socket (the listener is m_server) and indices 1..Max mirror m_slots.
    std::vector<Endpoint> m_sockets;
    QTcpServer* m_server = nullptr;
    quint64 m_nextSerial = 1;
    MinimumList m_slots;

    QByteArray m_readBuf; // reused for every read; sized once
    bool m_readBufInUse = false;
};
