#include "session.h"

#include "tables.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace zrkcam {

namespace {
// Longest command line taken; the longest real one (RSTR with its backup text) is far shorter.
constexpr qsizetype kMaxCommandLine = 4096;
// A client that sends faster than it reads is held back by TCP flow control, not by memory here: at most
// this many commands wait, Qt buffers at most kReadBuffer unread bytes, and answering pauses while
// kMaxUnsentBytes of replies are still unsent.
constexpr size_t kMaxQueuedCommands = 64;
constexpr qint64 kReadBuffer = 64 * 1024;
constexpr qint64 kMaxUnsentBytes = 1 << 20;
} // namespace

Session::Session(Camera& camera, const Options& options, std::function<Now()> clock, QObject* parent)
    : QObject(parent), cam_(camera), opt_(options), clock_(std::move(clock)), protocol_(camera),
      data_(camera, options, clock_) {
    connect(&commandServer_, &QTcpServer::newConnection, this, &Session::onCommandConnection);
    connect(&dataServer_, &DescriptorServer::descriptorReady, this, &Session::onDataDescriptor);
    connect(&data_, &DataLink::downloadSent, this, &Session::onDownloadSent);
    connect(&data_, &DataLink::paused, this, &Session::onDownloadPaused);
    connect(&data_, &DataLink::disconnected, this, [this] {
        awaitingSent_ = false; // an aborted download gets no "226"
        cam_.liveOutput = false;
    });
}

Session::~Session() {
    // The client socket belongs to the server and dies after the data link: unhook it first.
    if (cmd_) {
        disconnect(cmd_, nullptr, this, nullptr);
        cmd_->abort();
    }
    data_.close();
}

bool Session::listen(QString& error) {
    QHostAddress address;
    if (opt_.bind == "localhost")
        address = QHostAddress(QHostAddress::LocalHost);
    else if (!address.setAddress(QString::fromStdString(opt_.bind))) {
        error = QStringLiteral("invalid bind address '%1'").arg(QString::fromStdString(opt_.bind));
        return false;
    }
    if (!commandServer_.listen(address, static_cast<quint16>(opt_.commandPort))) {
        error = QStringLiteral("command port: %1").arg(commandServer_.errorString());
        return false;
    }
    if (!dataServer_.listen(address, static_cast<quint16>(opt_.dataPort))) {
        error = QStringLiteral("data port: %1").arg(dataServer_.errorString());
        return false;
    }
    return true;
}

void Session::trace(const char* dir, const std::string& line) const {
    if (opt_.verbose) std::fprintf(stderr, "zrkcam: %s %s\n", dir, line.c_str());
}

void Session::onCommandConnection() {
    while (QTcpSocket* s = commandServer_.nextPendingConnection()) {
        if (opt_.faults.refuseCommand || cmd_) {
            // One client at a time; a refused one sees its connection closed at once.
            trace("--", opt_.faults.refuseCommand ? "command connection refused" : "second client refused");
            s->abort();
            s->deleteLater();
            continue;
        }
        cmd_ = s;
        ++connectionId_;
        commandsAnswered_ = 0;
        commandBytes_ = 0;
        s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        s->setReadBufferSize(kReadBuffer);
        connect(s, &QTcpSocket::readyRead, this, &Session::onCommandReadable);
        connect(s, &QTcpSocket::bytesWritten, this, &Session::processQueue);
        connect(s, &QTcpSocket::disconnected, this, &Session::onCommandGone);
        trace("--", "command connection from " + s->peerAddress().toString().toStdString());
        sendLine(std::string(kGreetingLine), {});
    }
}

void Session::onDataDescriptor(qintptr fd) {
    if (opt_.faults.refuseData || !cmd_ || data_.connected()) {
        trace("--", "data connection refused");
        ::close(static_cast<int>(fd));
        return;
    }
    data_.attach(static_cast<int>(fd));
    trace("--", "data connection accepted");
    sendLine(std::string(kDataReadyLine), {});
}

void Session::onCommandGone() {
    if (!cmd_) return;
    trace("--", "command connection closed");
    cmd_->deleteLater();
    cmd_ = nullptr;
    ++connectionId_;
    data_.close();
    cam_.liveOutput = false;
    queue_.clear();
    input_.clear();
    discardingLine_ = false;
    blocked_ = false;
    awaitingSent_ = false;
    refuseAtPause_ = false;
    heldLines_.clear();
}

void Session::onDownloadSent() {
    if (!awaitingSent_) return;
    const int hold = opt_.faults.hold226Ms;
    if (hold == -1) {
        trace("--", "\"226\" held back on purpose");
        return; // the camera stays busy with this transfer until the client goes
    }
    if (hold >= 0) {
        const quint64 id = connectionId_;
        QTimer::singleShot(hold, this, [this, id] {
            if (id == connectionId_) sendTransferDone();
        });
        return;
    }
    sendTransferDone();
}

void Session::sendTransferDone() {
    if (!awaitingSent_) return;
    awaitingSent_ = false;
    sendLine(std::string(kTransferDoneLine), {});
}

void Session::dropCommandConnection() {
    if (!cmd_) return;
    trace("--", "closing the command connection on request");
    cmd_->abort();
    onCommandGone();
}

void Session::dropDataConnection() {
    if (!data_.connected()) return;
    trace("--", "closing the data connection on request");
    data_.close();
}

void Session::onDownloadPaused() {
    if (refuseAtPause_) {
        // Part of the data is out: the camera gives up on the transfer and says so instead of "226".
        refuseAtPause_ = false;
        awaitingSent_ = false;
        data_.abandon();
        sendLine(opt_.faults.errorAfterCode + " Transfer aborted", {});
        return;
    }
    if (heldLines_.empty()) {
        data_.resume();
        return;
    }
    // The first data is on its way; the "150" follows a moment later, so the client surely sees
    // data before it.
    const quint64 id = connectionId_;
    QTimer::singleShot(30, this, [this, id] {
        if (id != connectionId_) return;
        const std::vector<std::string> lines = std::move(heldLines_);
        heldLines_.clear();
        for (const std::string& l : lines)
            sendLine(l, heldCommand_);
        if (opt_.faults.early226)
            sendLine(std::string(kTransferDoneLine), {});
        else
            awaitingSent_ = true;
        blocked_ = false;
        data_.resume();
        processQueue();
    });
}

void Session::onCommandReadable() {
    if (!cmd_) return;
    char chunk[kMaxCommandLine];
    while (queue_.size() < kMaxQueuedCommands && cmd_->bytesAvailable() > 0) {
        const qint64 n = cmd_->read(chunk, sizeof chunk);
        if (n <= 0) break;
        input_.append(chunk, static_cast<qsizetype>(n));
        takeLines();
    }
    processQueue();
}

void Session::takeLines() {
    for (;;) {
        const qsizetype lf = input_.indexOf('\n');
        if (lf < 0) break;
        QByteArray line = input_.left(lf);
        input_.remove(0, lf + 1);
        if (discardingLine_) {
            discardingLine_ = false;
            continue;
        }
        // CR LF ends a command; a bare LF is taken too.
        if (line.endsWith('\r')) line.chop(1);
        if (!line.isEmpty()) queue_.push_back(line.toStdString());
    }
    if (input_.size() > kMaxCommandLine) {
        input_.clear();
        discardingLine_ = true;
        sendLine("500 Line too long", {});
    }
}

void Session::processQueue() {
    while (!blocked_ && cmd_ && !queue_.empty() && cmd_->bytesToWrite() < kMaxUnsentBytes) {
        const std::string line = queue_.front();
        queue_.pop_front();
        handleLine(line);
    }
    // Bytes left unread while the queue was full are picked up once there is room again.
    if (cmd_ && queue_.size() < kMaxQueuedCommands && cmd_->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &Session::onCommandReadable, Qt::QueuedConnection);
}

void Session::handleLine(const std::string& line) {
    trace("<-", line);
    const bool dataRequest = line.compare(0, 4, "RQDL") == 0;
    if (dataRequest) ++dataRequests_;
    Reply reply = protocol_.handle(line, clock_(), data_.connected(), data_.busy() || awaitingSent_);
    const Faults& f = opt_.faults;
    if (dataRequest && dataRequests_ == f.errorRequest) {
        trace("--", "data request refused on purpose");
        reply = Reply{};
        reply.lines = {f.errorCode + " Request refused"};
    }
    if (reply.data == Reply::Data::Download && f.announceDelta != 0 && !reply.lines.empty()) {
        const int64_t bytes =
            static_cast<int64_t>(reply.count) * frameBytes(cam_.region(reply.region).rec.settings.imageSize);
        reply.lines[0] = "150 " + std::to_string(reply.count) + " " + std::to_string(bytes + f.announceDelta);
    }
    if (f.find(ReplyFault::Kind::Withhold, line)) {
        trace("--", "reply withheld");
        if (reply.data == Reply::Data::LiveStart) cam_.liveOutput = false;
        afterCommand();
        return;
    }
    if (const ReplyFault* delay = f.find(ReplyFault::Kind::Delay, line)) {
        blocked_ = true;
        const quint64 id = connectionId_;
        QTimer::singleShot(delay->value, this, [this, reply, line, id] {
            if (id != connectionId_) return;
            blocked_ = false;
            deliver(reply, line);
            processQueue();
        });
        return;
    }
    deliver(reply, line);
}

void Session::deliver(const Reply& reply, const std::string& line) {
    const Faults& f = opt_.faults;
    const bool dataFirst = reply.data == Reply::Data::Download && f.dataBefore150 >= 0;
    if (!dataFirst)
        for (const std::string& l : reply.lines)
            sendLine(l, line);
    if (!cmd_) return;
    if (reply.data == Reply::Data::Download)
        data_.spoilFrame(dataRequests_ == f.badMagicRequest ? f.badMagicRequestFrame : -1);
    if (dataFirst) {
        // The reply waits until the first data has left; later commands wait behind it.
        heldLines_ = reply.lines;
        heldCommand_ = line;
        blocked_ = true;
        data_.pauseAfter(f.dataBefore150);
        data_.startDownload(reply.region, reply.first, reply.count);
        afterCommand();
        return;
    }
    switch (reply.data) {
    case Reply::Data::Download:
        cmd_->flush(); // "150" should be on its way before the first data byte
        if (opt_.faults.early226)
            sendLine(std::string(kTransferDoneLine), {});
        else
            awaitingSent_ = true;
        if (f.errorAfter >= 0) {
            refuseAtPause_ = true;
            data_.pauseAfter(f.errorAfter);
        }
        data_.startDownload(reply.region, reply.first, reply.count);
        if (!data_.connected()) awaitingSent_ = refuseAtPause_ = false; // the link went meanwhile
        break;
    case Reply::Data::LiveStart:
        data_.startLive();
        break;
    case Reply::Data::LiveStop:
        data_.stopLive();
        break;
    case Reply::Data::None:
        break;
    }
    if (!reply.laterLines.empty()) {
        blocked_ = true;
        const quint64 id = connectionId_;
        QTimer::singleShot(reply.laterDelayMs, this, [this, reply, line, id] {
            if (id != connectionId_) return;
            blocked_ = false;
            for (const std::string& l : reply.laterLines)
                sendLine(l, line);
            processQueue();
        });
    }
    afterCommand();
}

void Session::afterCommand() {
    ++commandsAnswered_;
    const Faults& f = opt_.faults;
    if (f.closeDataAfterCommands >= 0 && commandsAnswered_ >= f.closeDataAfterCommands && data_.connected()) {
        trace("--", "closing the data connection on purpose");
        data_.close();
    }
    if (cmd_ && f.closeCommandAfterCommands >= 0 && commandsAnswered_ >= f.closeCommandAfterCommands) {
        trace("--", "closing the command connection on purpose");
        cmd_->flush();
        cmd_->disconnectFromHost();
    }
}

void Session::sendLine(const std::string& text, const std::string& command) {
    std::string out = text;
    std::string end = "\r\n";
    if (!command.empty()) {
        const Faults& f = opt_.faults;
        if (f.find(ReplyFault::Kind::Malformed, command) && out.size() >= 3) out[1] = 'x';
        if (const ReplyFault* o = f.find(ReplyFault::Kind::Overlong, command))
            out = "200 " + std::string(static_cast<size_t>(std::max(o->value - 4, 0)), 'X');
        if (f.find(ReplyFault::Kind::NoCrlf, command)) end = "\n";
    }
    trace("->",
          out.size() > 200 ? out.substr(0, 200) + "... (" + std::to_string(out.size()) + " chars)" : out);
    sendRaw(QByteArray::fromStdString(out + end));
}

void Session::sendRaw(const QByteArray& bytes) {
    if (!cmd_) return;
    const int64_t limit = opt_.faults.closeCommandAfterBytes;
    if (limit >= 0 && commandBytes_ + bytes.size() >= limit) {
        cmd_->write(bytes.left(static_cast<qsizetype>(limit - commandBytes_)));
        commandBytes_ = limit;
        trace("--", "closing the command connection on purpose");
        cmd_->flush();
        cmd_->disconnectFromHost();
        return;
    }
    commandBytes_ += bytes.size();
    cmd_->write(bytes);
}

} // namespace zrkcam
