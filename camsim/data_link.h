// The data port's one connection: streams downloads and live frames straight from one reusable frame
// buffer into the socket, rendering the next frame only when the previous one has been handed over.
#pragma once

#include "camera.h"
#include "options.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <random>
#include <vector>

class QSocketNotifier;

namespace zrkcam {

class DataLink : public QObject {
    Q_OBJECT
public:
    DataLink(Camera& camera, const Options& options, std::function<Now()> clock, QObject* parent = nullptr);
    ~DataLink() override;

    bool connected() const { return fd_ >= 0; }
    bool busy() const { return mode_ != Mode::Idle; }
    void attach(int fd); // takes the connected socket over
    void close();

    void startDownload(int region, int first, int count);
    // Frame (within the next download) whose magic is spoiled; -1 for none.
    void spoilFrame(int index) { spoilFrame_ = index; }
    // The next download pauses once this many bytes are handed over (or all of them): paused().
    void pauseAfter(int64_t bytes) { pauseAt_ = bytes; }
    void resume();
    // Stops the download where it is; the connection stays open.
    void abandon();
    void startLive();
    void stopLive();

signals:
    void downloadSent(); // every byte of the download has been handed to the socket
    void paused();       // the download reached its pause point
    void disconnected();

private:
    enum class Mode { Idle, Download, Live };
    void pump();
    bool loadNextFrame();
    void onReadable();
    void onLiveTick();
    bool takeLiveTick();
    void skipTicksWhileWaiting(int64_t now);
    int64_t liveTicksDue(int64_t ns) const;
    void traceLiveCounts(const char* what) const;
    void trace(const QString& text) const;

    Camera& cam_;
    const Options& opt_;
    std::function<Now()> clock_;
    int fd_ = -1;
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    std::vector<uint8_t> frame_;
    size_t pos_ = 0;
    size_t len_ = 0;
    Mode mode_ = Mode::Idle;
    int region_ = 0;
    int nextIndex_ = 0;
    int endIndex_ = 0;
    int framesInTransfer_ = 0;
    int64_t transferBytes_ = 0;
    int64_t connectionBytes_ = 0;
    bool liveDue_ = false;
    int spoilFrame_ = -1;
    int64_t pauseAt_ = -1;
    bool paused_ = false;
    uint32_t liveCounter_ = 0;
    bool liveRunning_ = false;
    // Since startLive(), traced when live output ends: frames put on the wire, and ticks skipped
    // because the frame before was still leaving the socket.
    uint64_t liveSent_ = 0;
    uint64_t liveSkipped_ = 0;
    // --live-rate: tick k falls k periods after the start; ticks counts those sent or skipped.
    QElapsedTimer liveClock_;
    int64_t liveTicks_ = 0;
    int64_t liveFrameStartNs_ = 0;
    bool liveWaited_ = false; // the frame on its way found the socket full
    QTimer liveTimer_;
    std::mt19937 rng_{20240607u};
};

} // namespace zrkcam
