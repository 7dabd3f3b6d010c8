#include "data_link.h"

#include "frame_render.h"
#include "tables.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zrkcam {

namespace {
// Bytes sent per wake-up before the event loop gets a turn, so commands are answered during downloads.
constexpr int64_t kBytesPerTurn = 8 << 20;
constexpr double kNsPerSecond = 1e9;
} // namespace

DataLink::DataLink(Camera& camera, const Options& options, std::function<Now()> clock, QObject* parent)
    : QObject(parent), cam_(camera), opt_(options), clock_(std::move(clock)), frame_(kMaxFrameBytes) {
    connect(&liveTimer_, &QTimer::timeout, this, &DataLink::onLiveTick);
}

DataLink::~DataLink() {
    blockSignals(true);
    close();
}

void DataLink::trace(const QString& text) const {
    if (opt_.verbose) std::fprintf(stderr, "zrkcam: data: %s\n", qPrintable(text));
}

void DataLink::attach(int fd) {
    close();
    fd_ = fd;
    connectionBytes_ = 0;
    // Small writes should leave as their own segments when a chunk size is asked for.
    const int one = 1;
    ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    readNotifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &DataLink::onReadable);
    writeNotifier_ = new QSocketNotifier(fd_, QSocketNotifier::Write, this);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &DataLink::pump);
}

void DataLink::close() {
    if (mode_ == Mode::Live && liveRunning_) {
        if (pos_ < len_) skipTicksWhileWaiting(liveClock_.nsecsElapsed());
        traceLiveCounts("live output ended with the connection");
    }
    liveTimer_.stop();
    liveRunning_ = false;
    mode_ = Mode::Idle;
    paused_ = false;
    pauseAt_ = -1;
    pos_ = len_ = 0;
    if (fd_ < 0) return;
    // close() can run inside a notifier's own signal: disable now, delete later.
    for (QSocketNotifier* n : {readNotifier_, writeNotifier_}) {
        n->setEnabled(false);
        n->deleteLater();
    }
    readNotifier_ = writeNotifier_ = nullptr;
    ::close(fd_);
    fd_ = -1;
    trace("connection closed");
    emit disconnected();
}

void DataLink::onReadable() {
    // Nothing is ever requested on this port: read and drop, and notice when the client goes away.
    char scratch[4096];
    const ssize_t n = ::recv(fd_, scratch, sizeof scratch, 0);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) close();
}

void DataLink::startDownload(int region, int first, int count) {
    // A reply held back (delay fault) can be delivered after the data connection went: no data then.
    if (fd_ < 0) return;
    mode_ = Mode::Download;
    region_ = region;
    nextIndex_ = first;
    endIndex_ = first + count;
    framesInTransfer_ = 0;
    transferBytes_ = 0;
    pos_ = len_ = 0;
    trace(QStringLiteral("download region %1 frames %2..%3").arg(region).arg(first).arg(endIndex_ - 1));
    writeNotifier_->setEnabled(true);
}

void DataLink::abandon() {
    if (mode_ != Mode::Download) return;
    mode_ = Mode::Idle;
    paused_ = false;
    pauseAt_ = -1;
    pos_ = len_ = 0;
    if (writeNotifier_) writeNotifier_->setEnabled(false);
    trace(QStringLiteral("download abandoned after %1 bytes").arg(transferBytes_));
}

void DataLink::resume() {
    if (!paused_) return;
    paused_ = false;
    if (writeNotifier_ && mode_ == Mode::Download) writeNotifier_->setEnabled(true);
}

void DataLink::startLive() {
    if (fd_ < 0) return;
    mode_ = Mode::Live;
    framesInTransfer_ = 0;
    transferBytes_ = 0;
    pos_ = len_ = 0;
    liveRunning_ = true;
    liveSent_ = liveSkipped_ = 0;
    liveDue_ = true;
    if (opt_.liveRate > 0) {
        // A chosen rate: each tick is due at its own time, so the rate holds whatever the timer's grain.
        liveClock_.start();
        liveTicks_ = 0;
        liveWaited_ = false;
        liveTimer_.setSingleShot(true);
        liveTimer_.setTimerType(Qt::PreciseTimer);
        trace(QStringLiteral("live output started at %1 frames a second").arg(opt_.liveRate));
    } else {
        // Live output runs at the recording rate, kept between 5 and 30 frames a second for the viewer.
        const double fps =
            std::clamp(frameRate(cam_.mode.imageSize, cam_.mode.rateCode) * cam_.speed, 5.0, 30.0);
        liveTimer_.setSingleShot(false);
        liveTimer_.setTimerType(Qt::CoarseTimer);
        liveTimer_.start(static_cast<int>(1000.0 / fps));
        trace("live output started");
    }
    writeNotifier_->setEnabled(true);
}

void DataLink::stopLive() {
    if (mode_ != Mode::Live) return;
    // A frame already begun is finished, so the receiver never sees a torn record.
    liveTimer_.stop();
    liveRunning_ = false;
    liveDue_ = false;
    if (pos_ < len_) skipTicksWhileWaiting(liveClock_.nsecsElapsed());
    traceLiveCounts("live output stopped");
    if (pos_ >= len_) {
        mode_ = Mode::Idle;
        if (writeNotifier_) writeNotifier_->setEnabled(false);
    }
}

void DataLink::traceLiveCounts(const char* what) const {
    trace(QStringLiteral("%1: %2 frames sent, %3 ticks skipped").arg(what).arg(liveSent_).arg(liveSkipped_));
}

void DataLink::onLiveTick() {
    if (opt_.liveRate > 0) {
        // The frame starts at its tick even when the socket has no room, so a full socket shows as
        // a frame still leaving and the ticks after it are skipped.
        pump();
        return;
    }
    if (pos_ < len_) { // the last frame is still leaving: drop this one, as a camera would
        ++liveSkipped_;
        return;
    }
    liveDue_ = true;
    if (writeNotifier_) writeNotifier_->setEnabled(true);
}

int64_t DataLink::liveTicksDue(int64_t ns) const {
    return static_cast<int64_t>(static_cast<double>(ns) * opt_.liveRate / kNsPerSecond) + 1;
}

void DataLink::skipTicksWhileWaiting(int64_t now) {
    // Ticks that came while the last frame waited for the socket are skipped, not queued.
    if (opt_.liveRate <= 0 || !liveWaited_) return;
    liveWaited_ = false;
    const int64_t during = liveTicksDue(now) - std::max(liveTicks_, liveTicksDue(liveFrameStartNs_));
    if (during > 0) {
        liveSkipped_ += static_cast<uint64_t>(during);
        liveTicks_ += during;
    }
}

bool DataLink::takeLiveTick() {
    const int64_t now = liveClock_.nsecsElapsed();
    const int64_t due = liveTicksDue(now);
    skipTicksWhileWaiting(now);
    // Ticks this process was merely late for are caught up, but never more than a second's worth.
    const auto backlogLimit = static_cast<int64_t>(opt_.liveRate) + 1;
    if (due - liveTicks_ > backlogLimit) {
        liveSkipped_ += static_cast<uint64_t>(due - liveTicks_ - backlogLimit);
        liveTicks_ = due - backlogLimit;
    }
    if (liveTicks_ >= due) {
        const double nextNs = static_cast<double>(liveTicks_) * kNsPerSecond / opt_.liveRate;
        const double waitMs = std::ceil((nextNs - static_cast<double>(now)) / 1e6);
        liveTimer_.start(static_cast<int>(std::max(waitMs, 0.0)));
        return false;
    }
    ++liveTicks_;
    liveFrameStartNs_ = now;
    return true;
}

bool DataLink::loadNextFrame() {
    RecordSettings settings;
    FrameStamp stamp;
    if (mode_ == Mode::Download) {
        if (nextIndex_ >= endIndex_) return false;
        const Recording& rec = cam_.region(region_).rec;
        settings = rec.settings;
        stamp = recordedStamp(rec, region_, nextIndex_++);
    } else {
        if (!liveRunning_) return false;
        if (opt_.liveRate > 0) {
            if (!takeLiveTick()) return false;
        } else {
            if (!liveDue_) return false;
            liveDue_ = false;
        }
        ++liveSent_;
        const Now now = clock_();
        settings = cam_.currentSettings();
        stamp.region = -1;
        stamp.number = liveCounter_;
        stamp.seq = liveCounter_;
        stamp.realFrame = static_cast<uint16_t>(liveCounter_);
        stamp.epochMs = cam_.clockMs(now);
        ++liveCounter_;
    }
    len_ = static_cast<size_t>(renderFrame(settings, stamp, frame_.data()));
    pos_ = 0;
    const int index = framesInTransfer_++;
    if (index == opt_.faults.badMagicFrame || (mode_ == Mode::Download && index == spoilFrame_))
        frame_[0] = 'X';
    return len_ > 0;
}

void DataLink::pump() {
    int64_t budget = kBytesPerTurn;
    const Faults& f = opt_.faults;
    while (fd_ >= 0 && budget > 0) {
        if (mode_ == Mode::Download && pauseAt_ >= 0 &&
            (transferBytes_ >= pauseAt_ || (pos_ >= len_ && nextIndex_ >= endIndex_))) {
            pauseAt_ = -1;
            paused_ = true;
            writeNotifier_->setEnabled(false);
            trace(QStringLiteral("download paused after %1 bytes").arg(transferBytes_));
            emit paused();
            return;
        }
        if (pos_ >= len_ && !loadNextFrame()) {
            writeNotifier_->setEnabled(false);
            if (mode_ == Mode::Download) {
                mode_ = Mode::Idle;
                trace(QStringLiteral("download sent, %1 bytes").arg(transferBytes_));
                emit downloadSent();
            } else if (mode_ == Mode::Live && !liveRunning_) {
                mode_ = Mode::Idle;
            }
            return;
        }
        size_t n = len_ - pos_;
        if (opt_.chunkRandom)
            n = std::min<size_t>(n, std::uniform_int_distribution<size_t>(1, 65536)(rng_));
        else if (opt_.chunk > 0)
            n = std::min<size_t>(n, static_cast<size_t>(opt_.chunk));
        if (f.stallDataAfter >= 0) {
            const int64_t left = f.stallDataAfter - transferBytes_;
            if (left <= 0) {
                // Go silent with the connection open; only a new connection ends this.
                writeNotifier_->setEnabled(false);
                liveTimer_.stop();
                liveRunning_ = false;
                trace("data stalled on purpose");
                return;
            }
            n = std::min<size_t>(n, static_cast<size_t>(left));
        }
        if (mode_ == Mode::Download && pauseAt_ >= 0)
            n = std::min<size_t>(n, static_cast<size_t>(std::max<int64_t>(pauseAt_ - transferBytes_, 1)));
        if (f.closeDataAfterBytes >= 0)
            n = std::min<size_t>(
                n, static_cast<size_t>(std::max<int64_t>(f.closeDataAfterBytes - connectionBytes_, 0)));
        if (n == 0) {
            close();
            return;
        }
        const ssize_t sent = ::send(fd_, frame_.data() + pos_, n, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                if (mode_ == Mode::Live) liveWaited_ = true;
                writeNotifier_->setEnabled(true);
                return;
            }
            close();
            return;
        }
        if (mode_ == Mode::Live && static_cast<size_t>(sent) < n) liveWaited_ = true;
        pos_ += static_cast<size_t>(sent);
        transferBytes_ += sent;
        connectionBytes_ += sent;
        budget -= sent;
        if (f.closeDataAfterBytes >= 0 && connectionBytes_ >= f.closeDataAfterBytes) {
            close();
            return;
        }
        if (opt_.chunk > 0 || opt_.chunkRandom) break; // one chunk per wake-up keeps chunks apart on the wire
    }
    if (writeNotifier_) writeNotifier_->setEnabled(true);
}

} // namespace zrkcam
