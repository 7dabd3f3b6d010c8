// CombRGB_AVI on a whole camera memory (2,047 frames of 512 x 512), by both of its write paths (the
// page cache with its own write-back, and direct I/O), against two peers in the same run: ffmpeg on one
// thread turning the same raw mosaic frames (bayer_bggr8) into an uncompressed 24-bit AVI, and a plain
// write of the movie's byte count to the same disk. Every run ends with its output on the disk
// (CombRGB_AVI flushes the movie itself; the peers are flushed with fdatasync), so all are timed to the
// same point. The four run in turn, round after round (ZRK_BENCH_ROUNDS, default 5), so that a busy
// spell of a shared machine falls on all of them; the medians and ratios are printed at the end.
// Files go to ZRK_BENCH_DIR (default: the temporary folder) and are removed.
#include <benchmark/benchmark.h>

#include "bench/bench_files.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "imagelib/include/zrk_data_file.h"
#include "imagelib/include/zrkimage.h"

namespace {

constexpr unsigned kFrames = 2047, kSide = 512, kRate = 30;
constexpr std::size_t kRaw = std::size_t{kSide} * kSide;

using benchfiles::flush;
using benchfiles::path;

// The same mosaic frames as a data file (for us) and as bare raw frames (for ffmpeg).
void makeInputs() {
    static bool made = false;
    if (made) return;
    made = true;
    std::vector<uint8_t> raw(kRaw);
    std::mt19937 rng(7);
    for (unsigned y = 0; y < kSide; ++y)
        for (unsigned x = 0; x < kSide; ++x)
            raw[y * kSide + x] = static_cast<uint8_t>((x / 2 + y / 3) ^ (rng() & 15));
    FILE* data = std::fopen(path("bench_avi.dat").c_str(), "wb");
    FILE* bare = std::fopen(path("bench_avi.raw").c_str(), "wb");
    ZRK_DATA_FILE_HEADER file{
        {'Z', 'R'}, static_cast<int32_t>(ZRK_DATA_OFFSET + (kRaw + 128) * kFrames), ZRK_DATA_OFFSET};
    ZRK_DATA_INFO_HEADER info{ZRK_DATA_INFO_HEADER_SIZE, kFrames, -1, 0, {}};
    std::fwrite(&file, sizeof file, 1, data);
    std::fwrite(&info, sizeof info, 1, data);
    ZRK_FRAME_HEADER header{};
    std::memcpy(header.magic, "ZRK", 4);
    header.width = header.height = kSide;
    header.redGain = header.greenGain = header.blueGain = 128;
    header.gamma = 100;
    for (unsigned i = 0; i < kFrames; ++i) {
        raw[i % kRaw] ^= 0x55; // frames differ
        std::fwrite(&header, sizeof header, 1, data);
        std::fwrite(raw.data(), 1, raw.size(), data);
        std::fwrite(raw.data(), 1, raw.size(), bare);
    }
    std::fclose(data);
    std::fclose(bare);
    // On the disk before any timing starts, so that their write-back does not land in a run.
    flush(path("bench_avi.dat"));
    flush(path("bench_avi.raw"));
}

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::map<std::string, std::vector<double>> g_fps;
uint64_t g_movieBytes = uint64_t{kFrames} * (kRaw * 3 + 8) + 64 * 1024;

void record(benchmark::State& state, const std::string& name, double secs) {
    state.SetIterationTime(secs);
    g_fps[name].push_back(kFrames / secs);
}

void ours(benchmark::State& state, bool direct) {
    makeInputs();
    ::setenv("ZRKIMAGE_AVI_DIRECT", direct ? "1" : "0", 1);
    const std::string avi = path("bench_avi_ours.avi");
    long grown = 0;
    for (auto _ : state) {
        rusage before{}, after{};
        ::getrusage(RUSAGE_SELF, &before);
        const auto start = std::chrono::steady_clock::now();
        int16_t status = 0;
        if (!CombRGB_AVI(nullptr, path("bench_avi.dat").c_str(), avi.c_str(), kSide, kSide, nullptr, 32, 0,
                         kFrames - 1, kRate, &status))
            state.SkipWithError(("CombRGB_AVI status " + std::to_string(status)).c_str());
        // The movie is on the disk when CombRGB_AVI returns.
        record(state, direct ? "direct/synced" : "ours/synced", seconds(start));
        ::getrusage(RUSAGE_SELF, &after);
        grown = std::max(grown, after.ru_maxrss - before.ru_maxrss);
        g_movieBytes = std::filesystem::file_size(avi);
        std::filesystem::remove(avi);
    }
    ::unsetenv("ZRKIMAGE_AVI_DIRECT");
    state.counters["fps"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["maxrss_growth_kB"] = static_cast<double>(grown);
}

void ffmpeg(benchmark::State& state, bool sync) {
    makeInputs();
    const std::string avi = path("bench_avi_ffmpeg.avi");
    const std::string command = "ffmpeg -nostdin -v error -y -threads 1 -filter_threads 1 -f rawvideo "
                                "-pix_fmt bayer_bggr8 -s 512x512 -r 30 -i '" +
                                path("bench_avi.raw") + "' -c:v rawvideo -pix_fmt bgr24 '" + avi + "'";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) state.SkipWithError("ffmpeg failed (is it installed?)");
        if (sync) flush(avi);
        record(state, sync ? "ffmpeg/synced" : "ffmpeg/cached", seconds(start));
        std::filesystem::remove(avi);
    }
    state.counters["fps"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
}

// The disk's own speed: the movie's byte count in frame-sized writes.
void plainWrite(benchmark::State& state, bool sync) {
    const std::string file = path("bench_avi_plain.bin");
    std::vector<uint8_t> block(kRaw * 3 + 8, 0x5a);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        for (uint64_t left = g_movieBytes; left > 0;) {
            const std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(left, block.size()));
            if (::write(fd, block.data(), n) != static_cast<ssize_t>(n)) {
                state.SkipWithError("write failed");
                break;
            }
            left -= n;
        }
        if (sync) ::fdatasync(fd);
        ::close(fd);
        record(state, sync ? "disk/synced" : "disk/cached", seconds(start));
        std::filesystem::remove(file);
    }
    state.counters["fps"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    const char* roundsText = std::getenv("ZRK_BENCH_ROUNDS");
    const int rounds = roundsText && std::atoi(roundsText) > 0 ? std::atoi(roundsText) : 5;
    const auto add = [](const std::string& name, auto fn, bool arg) {
        benchmark::RegisterBenchmark(name.c_str(), fn, arg)
            ->UseManualTime()
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    };
    for (int round = 1; round <= rounds; ++round) {
        const std::string suffix = "/synced/round:" + std::to_string(round);
        add("CombRGB_AVI_page_cache/2047x512x512" + suffix, ours, false);
        add("CombRGB_AVI_direct/2047x512x512" + suffix, ours, true);
        add("ffmpeg_1thread/2047x512x512" + suffix, ffmpeg, true);
        add("plain_write/same_bytes" + suffix, plainWrite, true);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    const double ff = median(g_fps["ffmpeg/synced"]), disk = median(g_fps["disk/synced"]);
    for (const char* path : {"ours", "direct"}) {
        const double us = median(g_fps[std::string(path) + "/synced"]);
        if (us > 0 && ff > 0 && disk > 0)
            std::printf("synced, medians of %d: CombRGB_AVI (%s) %.0f fps, ffmpeg %.0f fps (x%.2f), plain "
                        "write %.0f fps (CombRGB_AVI at %.0f%% of it; %.0f MB/s vs %.0f MB/s)\n",
                        rounds, path[0] == 'o' ? "page cache" : "direct I/O", us, ff, us / ff, disk,
                        100 * us / disk, us * g_movieBytes / kFrames / 1e6,
                        disk * g_movieBytes / kFrames / 1e6);
    }
    for (const char* name : {"bench_avi.dat", "bench_avi.raw"})
        std::filesystem::remove(path(name));
    benchmark::Shutdown();
    return 0;
}
