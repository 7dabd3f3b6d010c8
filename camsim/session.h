// The camera's two listening ports and the one client they serve: reads command lines, answers them
// through Protocol, applies the fault switches and drives the data link.
#pragma once

#include "camera.h"
#include "data_link.h"
#include "options.h"
#include "protocol.h"

#include <QByteArray>
#include <QTcpServer>

#include <deque>
#include <functional>
#include <string>
#include <vector>

class QTcpSocket;

namespace zrkcam {

// Hands accepted sockets over as plain descriptors, for the data link's own writing.
class DescriptorServer : public QTcpServer {
    Q_OBJECT
signals:
    void descriptorReady(qintptr fd);

protected:
    void incomingConnection(qintptr fd) override { emit descriptorReady(fd); }
};

class Session : public QObject {
    Q_OBJECT
public:
    Session(Camera& camera, const Options& options, std::function<Now()> clock, QObject* parent = nullptr);
    ~Session() override;

    bool listen(QString& error);
    quint16 commandPort() const { return commandServer_.serverPort(); }
    quint16 dataPort() const { return dataServer_.serverPort(); }
    // Ends the client's command or data connection now, as a camera that drops a link would.
    void dropCommandConnection();
    void dropDataConnection();

private:
    void onCommandConnection();
    void onDataDescriptor(qintptr fd);
    void onCommandReadable();
    void onCommandGone();
    void takeLines();
    void processQueue();
    void handleLine(const std::string& line);
    void deliver(const Reply& reply, const std::string& line);
    void sendLine(const std::string& text, const std::string& command);
    void sendRaw(const QByteArray& bytes);
    void afterCommand();
    void onDownloadPaused();
    void onDownloadSent();
    void sendTransferDone();
    void trace(const char* dir, const std::string& line) const;

    Camera& cam_;
    const Options& opt_;
    std::function<Now()> clock_;
    Protocol protocol_;
    QTcpServer commandServer_;
    DescriptorServer dataServer_;
    QTcpSocket* cmd_ = nullptr;
    DataLink data_;
    QByteArray input_;
    bool discardingLine_ = false;
    std::deque<std::string> queue_;
    bool blocked_ = false;       // a reply is held back (delay fault, image size change)
    bool awaitingSent_ = false;  // "226" goes out when the data link has sent the download
    bool refuseAtPause_ = false; // error-after: the pause of this download ends it with a refusal
    quint64 connectionId_ = 0;   // tells timers of an old connection from the current one
    int64_t commandsAnswered_ = 0;
    int64_t commandBytes_ = 0;
    int64_t dataRequests_ = 0;           // RQDL lines taken, for the faults aimed at one of them
    std::vector<std::string> heldLines_; // reply lines of a download whose data goes first
    std::string heldCommand_;
};

} // namespace zrkcam
