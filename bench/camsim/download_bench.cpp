// Peer: a plain blocking C++ sender and receiver on 127.0.0.1. Measured: zrkcam serving RQDL downloads of
// 512x512 frames to the same receiver loop. Prints the ratio of the two; it should stay at 0.5 or above so
// that the stand-in camera never limits a measurement of the control program.
#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kFrameBytes = 512 * 512 + 128;
constexpr int kFramesPerDownload = 256; // 67 MB per iteration
constexpr int64_t kBytesPerDownload = static_cast<int64_t>(kFrameBytes) * kFramesPerDownload;

double g_plainRate = 0;
double g_camRate = 0;

int connectTo(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The receiver both sides share: read into one buffer until n bytes have come.
bool receive(int fd, int64_t n, std::vector<char>& buf) {
    while (n > 0) {
        const ssize_t r = ::recv(fd, buf.data(), std::min<int64_t>(n, static_cast<int64_t>(buf.size())), 0);
        if (r <= 0) return false;
        n -= r;
    }
    return true;
}

std::string readLine(int fd) {
    std::string line;
    char c = 0;
    while (::recv(fd, &c, 1, 0) == 1) {
        if (c == '\n') break;
        if (c != '\r') line += c;
    }
    return line;
}

void BM_PlainPair(benchmark::State& state) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(listener, 1);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
    const int receiver = connectTo(ntohs(a.sin_port));
    const int sender = ::accept(listener, nullptr, nullptr);
    std::vector<char> buf(1 << 20);
    int64_t bytes = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (auto _ : state) {
        std::thread tx([sender] {
            std::vector<char> frame(kFrameBytes, 'x');
            for (int i = 0; i < kFramesPerDownload; ++i)
                for (size_t off = 0; off < frame.size();) {
                    const ssize_t s = ::send(sender, frame.data() + off, frame.size() - off, MSG_NOSIGNAL);
                    if (s <= 0) return;
                    off += static_cast<size_t>(s);
                }
        });
        if (!receive(receiver, kBytesPerDownload, buf)) state.SkipWithError("plain receive failed");
        tx.join();
        bytes += kBytesPerDownload;
    }
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    g_plainRate = bytes / secs;
    state.SetBytesProcessed(bytes);
    ::close(sender);
    ::close(receiver);
    ::close(listener);
}

void BM_ZrkcamDownload(benchmark::State& state) {
    QTemporaryFile stateFile;
    stateFile.open();
    stateFile.write("memory 2\nrmod 3 0 3 0 0 2 0\nregion 0 2047 0\n");
    stateFile.flush();
    QProcess cam;
    cam.start(QCoreApplication::applicationDirPath() + "/zrkcam",
              {"--command-port", "0", "--data-port", "0", "--state", stateFile.fileName()});
    if (!cam.waitForStarted() || !cam.waitForReadyRead(5000)) {
        state.SkipWithError("zrkcam did not start");
        return;
    }
    const auto m = QRegularExpression("command=(\\d+) data=(\\d+)").match(QString(cam.readLine()));
    const int cmd = connectTo(static_cast<uint16_t>(m.captured(1).toUInt()));
    readLine(cmd);
    const int data = connectTo(static_cast<uint16_t>(m.captured(2).toUInt()));
    readLine(cmd);
    const std::string request = "RQDL 0 2047 " + std::to_string(kFramesPerDownload) + "\r\n";
    std::vector<char> buf(1 << 20);
    int64_t bytes = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (auto _ : state) {
        ::send(cmd, request.data(), request.size(), MSG_NOSIGNAL);
        if (readLine(cmd).rfind("150 ", 0) != 0 || !receive(data, kBytesPerDownload, buf) ||
            readLine(cmd).rfind("226", 0) != 0)
            state.SkipWithError("download failed");
        bytes += kBytesPerDownload;
    }
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    g_camRate = bytes / secs;
    state.SetBytesProcessed(bytes);
    ::close(data);
    ::close(cmd);
    cam.terminate();
    cam.waitForFinished();
}

BENCHMARK(BM_PlainPair)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_ZrkcamDownload)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_plainRate > 0 && g_camRate > 0)
        std::printf("plain pair %.0f MB/s, zrkcam download %.0f MB/s, ratio %.2f (needs >= 0.50)\n",
                    g_plainRate / 1e6, g_camRate / 1e6, g_camRate / g_plainRate);
    return 0;
}
