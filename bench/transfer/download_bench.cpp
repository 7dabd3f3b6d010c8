// Peer: a plain C++ loopback pair (one thread renders and sends the camera's frames, the other
// receives them in 256 KiB reads, writes them to a file and makes it durable with fdatasync, as
// the program does before a download counts as finished). Measured: the same 2,047 frames of
// 512x512 (537 MB) downloaded from zrkcam through the main window's links, the data-port receiver
// and the data-file writer, started by SaveRange. Both run in this one process, one after the
// other. Also reported: the resident memory over the download (sampled while it runs) and the
// allocations made inside the receiver per chunk.
#include "base/app_state.h"
#include "base/blocking_wait.h"
#include "base/frame_buffers.h"
#include "base/shared_state.h"
#include "base/ui_port.h"
#include "camsim/frame_render.h"
#include "camsim/tables.h"
#include "link/ctr.h"
#include "protocol/frm_main.h"
#include "protocol/main_supervisor.h"
#include "protocol/main_targets.h"
#include "protocol/reply_handlers.h"
#include "protocol/window_hooks.h"
#include "transfer/data_receiver.h"
#include "transfer/save_range.h"
#include "transfer/transfer_install.h"

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

// Every malloc of the process is counted; the receiver's share is what happens inside its calls.
extern "C" void* __libc_malloc(size_t size);
static std::atomic<uint64_t> g_mallocs{0};
extern "C" void* malloc(size_t size) {
    g_mallocs.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}

namespace {

constexpr int kFrames = 2047;
constexpr int64_t kFrameBytes = 512 * 512 + 128;
constexpr int64_t kDownloadBytes = kFrames * kFrameBytes;
constexpr int kChunk = 256 * 1024; // what the link hands over at most

double g_plainRate = 0, g_programRate = 0;
long g_rssMinKiB = 0, g_rssMaxKiB = 0;
uint64_t g_chunks = 0, g_receiverMallocs = 0, g_chunksAllocating = 0;

long ResidentKiB() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The frames zrkcam holds for the state below, rendered the same way.
zrkcam::Recording Recording() {
    zrkcam::Recording rec;
    rec.settings.imageSize = 3;
    rec.settings.red = 190;
    rec.settings.blue = 154;
    rec.startEpochMs = zrkcam::toEpochSeconds({2010, 1, 2, 3, 0, 0}) * 1000;
    rec.frames = kFrames;
    rec.triggerIndex = kFrames - 1;
    return rec;
}

void BM_PlainPairToFile(benchmark::State& state) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(listener, 1);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
    const int receiver = ::socket(AF_INET, SOCK_STREAM, 0);
    ::connect(receiver, reinterpret_cast<sockaddr*>(&a), sizeof a);
    const int sender = ::accept(listener, nullptr, nullptr);
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath(QStringLiteral("plain.dat")));
    std::vector<char> buf(kChunk);
    int64_t bytes = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        std::thread tx([sender] {
            const zrkcam::Recording rec = Recording();
            std::vector<uint8_t> frame(zrkcam::kMaxFrameBytes);
            for (int i = 0; i < kFrames; ++i) {
                const int n =
                    zrkcam::renderFrame(rec.settings, zrkcam::recordedStamp(rec, 0, i), frame.data());
                for (int off = 0; off < n;) {
                    const ssize_t s =
                        ::send(sender, frame.data() + off, static_cast<size_t>(n - off), MSG_NOSIGNAL);
                    if (s <= 0) return;
                    off += static_cast<int>(s);
                }
            }
        });
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        char headers[32] = {'Z', 'R'};
        bool ok = fd >= 0 && ::write(fd, headers, sizeof headers) == sizeof headers;
        for (int64_t left = kDownloadBytes; ok && left > 0;) {
            const ssize_t r =
                ::recv(receiver, buf.data(), static_cast<size_t>(std::min<int64_t>(left, kChunk)), 0);
            ok = r > 0 && ::write(fd, buf.data(), static_cast<size_t>(r)) == r;
            left -= r;
        }
        ok = ok && ::fdatasync(fd) == 0;
        ok = ::close(fd) == 0 && ok;
        tx.join();
        if (!ok) state.SkipWithError("plain pair failed");
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        bytes += kDownloadBytes;
        QFile::remove(dir.filePath(QStringLiteral("plain.dat")));
    }
    g_plainRate = static_cast<double>(bytes) / seconds;
    state.SetBytesProcessed(bytes);
    ::close(sender);
    ::close(receiver);
    ::close(listener);
}

// Answers the save dialog with the bench's file; everything else stays silent.
class BenchUi final : public UiPort {
public:
    QString file;
    QStringList messages;
    MsgResult MessageBox(const QString&, const QString& text, MsgIcon, MsgButtons) override {
        messages << text;
        return MsgResult::Ok;
    }
    QString OpenFileDialog(const QString&, const QString&) override { return {}; }
    QString SaveFileDialog(const QString&, const QString&) override { return file; }
    QString FolderDialog(const QString&, const QString&) override { return {}; }
    void ShowNotice(const QString&, const QString&) override {}
    void CloseNotice() override {}
    void ShowProgress(const QString&, const QString&, int) override {}
    void SetProgress(int, const QString&) override {}
    void CloseProgress() override {}
    void TraceLine(const QString&) override {}
};

class Forwarding final : public WindowHooks {
public:
    void EndDownload() override { ::EndDownload(); }
    void EndThumbNail() override { ::EndThumbNail(); }
};

template <typename Pred> bool SpinUntil(Pred done, int ms, const std::function<void()>& each = {}) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (each) each();
    }
    return true;
}

void BM_ProgramDownload(benchmark::State& state) {
    QTemporaryDir dir;
    SetAppPath(dir.path());
    SetWaitScale(1);
    BenchUi ui;
    SetUi(&ui);
    ui.file = dir.filePath(QStringLiteral("program.dat"));
    AllocPreviewBuffers();
    AllocThumbnailBuffer();
    InstallReplyHandlers();
    auto* window = new frmMain;
    auto* sup = new MainSupervisor(window);
    InstallTransfer();
    Forwarding hooks;
    SetHooks(&hooks);
    // Counts the chunks and the allocations made while the receiver handles them.
    Targets().dataChunk = [](const char* data, int count) {
        const uint64_t before = g_mallocs.load(std::memory_order_relaxed);
        RecvImageData(data, count);
        const uint64_t made = g_mallocs.load(std::memory_order_relaxed) - before;
        g_receiverMallocs += made;
        if (made > 0) ++g_chunksAllocating;
        ++g_chunks;
    };

    QFile stateFile(dir.filePath(QStringLiteral("camera.state")));
    stateFile.open(QIODevice::WriteOnly);
    stateFile.write("memory 2\nrmod 3 0 3 0 0 2 0\nclock 2010 01 02 03 04 05\n"
                    "region 0 2047 0 2010 01 02 03 00 00\n");
    stateFile.close();
    QProcess cam;
    cam.start(QCoreApplication::applicationDirPath() + "/zrkcam",
              {"--command-port", "0", "--data-port", "0", "--state", stateFile.fileName()});
    if (!cam.waitForStarted() || !cam.waitForReadyRead(5000)) {
        state.SkipWithError("zrkcam did not start");
        return;
    }
    const auto m = QRegularExpression("command=(\\d+) data=(\\d+)").match(QString(cam.readLine()));
    for (auto [link, port] : {std::pair{sup->ctrTCPCmd, m.captured(1).toInt()},
                              std::pair{sup->ctrTCPData, m.captured(2).toInt()}}) {
        link->setServerName(QStringLiteral("127.0.0.1"));
        link->setServerPort(port);
        link->SetServerData();
    }
    window->chkTCPConnect->setChecked(true);
    if (!SpinUntil([&] { return window->cmdRec->isEnabled() && g_blnLinkOpen && !g_blnCmdBusy; }, 15000)) {
        state.SkipWithError("no connection to zrkcam");
        return;
    }
    int64_t bytes = 0;
    double seconds = 0;
    g_rssMinKiB = g_rssMaxKiB = 0;
    for (auto _ : state) {
        g_chunks = g_receiverMallocs = g_chunksAllocating = 0;
        const auto t0 = std::chrono::steady_clock::now();
        if (!SaveRange(0, kFrames, kFrames, 0, -1)) state.SkipWithError("SaveRange refused");
        QElapsedTimer sampleClock;
        sampleClock.start();
        const bool done = SpinUntil([] { return !DownloadBusy() && !g_blnCmdBusy; }, 120000,
                                    [&] {
                                        // Resident memory once the download is under way (the first tenth
                                        // lets buffers settle).
                                        if (sampleClock.elapsed() < 50) return;
                                        sampleClock.restart();
                                        if (g_lngFilePos < kDownloadBytes / 10) return;
                                        const long rss = ResidentKiB();
                                        g_rssMinKiB = g_rssMinKiB ? std::min(g_rssMinKiB, rss) : rss;
                                        g_rssMaxKiB = std::max(g_rssMaxKiB, rss);
                                    });
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (!done || QFileInfo(ui.file).size() != kDownloadBytes + 32 || !ui.messages.isEmpty())
            state.SkipWithError("download failed");
        bytes += kDownloadBytes;
        QFile::remove(ui.file);
    }
    g_programRate = static_cast<double>(bytes) / seconds;
    state.SetBytesProcessed(bytes);
    state.counters["chunks"] = static_cast<double>(g_chunks);
    state.counters["receiver_mallocs"] = static_cast<double>(g_receiverMallocs);
    state.counters["chunks_allocating"] = static_cast<double>(g_chunksAllocating);
    delete sup;
    delete window;
    SetHooks(nullptr);
    SetUi(nullptr);
    cam.terminate();
    cam.waitForFinished();
}

BENCHMARK(BM_PlainPairToFile)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_ProgramDownload)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_plainRate > 0 && g_programRate > 0) {
        std::printf("plain pair to file %.0f MB/s, program download %.0f MB/s, ratio %.2f (needs >= 0.90)\n",
                    g_plainRate / 1e6, g_programRate / 1e6, g_programRate / g_plainRate);
        std::printf("resident memory during the last download: %ld..%ld KiB (spread %ld KiB)\n", g_rssMinKiB,
                    g_rssMaxKiB, g_rssMaxKiB - g_rssMinKiB);
        // Allocations happen only in the progress window's updates (at most 100 a download) and in
        // the data time-out's restarts (at most one per hundredth of its interval).
        std::printf("receiver allocations: %llu in %llu chunks, made in %llu of them\n",
                    static_cast<unsigned long long>(g_receiverMallocs),
                    static_cast<unsigned long long>(g_chunks),
                    static_cast<unsigned long long>(g_chunksAllocating));
    }
    return 0;
}
