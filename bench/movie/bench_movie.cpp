// A whole camera memory (2,047 frames of 512 x 512) made into a shareable movie, against the ffmpeg
// command line encoding the same raw mosaic frames (bayer_bggr8) with the same encoder, preset and
// rate factor, in the same run and interleaved with it. Then the pictures: our H.264 decoded against
// the uncompressed export's frames (luma PSNR, and RGB PSNR, which yuv420p's halved colour resolution
// bounds), and the FFV1 movie decoded byte for byte against them. Files go to ZRK_BENCH_DIR (default:
// the temporary folder) and are removed. Prints the medians and ratios at the end.
#include <benchmark/benchmark.h>

#include "bench/bench_files.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "imagelib/include/zrk_data_file.h"
#include "imagelib/include/zrkimage.h"
#include "movie/movie_export.h"

namespace {

using namespace zrk::movie;

constexpr unsigned kSide = 512, kRate = 30;
// 2,047 frames (a whole camera memory); ZRK_BENCH_FRAMES takes fewer for a quick look.
unsigned kFrames = 2047;
constexpr std::size_t kRaw = std::size_t{kSide} * kSide;
// The export's own preset; ZRK_BENCH_PRESET measures both at another one.
const char* preset() {
    const char* p = std::getenv("ZRK_BENCH_PRESET");
    return p && *p ? p : MovieSettings{}.preset;
}

using benchfiles::flush;
using benchfiles::path;

// A camera-like scene under the mosaic (smooth colour fields, a moving bright disc, sensor noise),
// as a data file for us and as bare raw frames for ffmpeg.
void makeInputs() {
    static bool made = false;
    if (made) return;
    made = true;
    std::vector<uint8_t> raw(kRaw);
    FILE* data = std::fopen(path("bench_movie.dat").c_str(), "wb");
    FILE* bare = std::fopen(path("bench_movie.raw").c_str(), "wb");
    ZRK_DATA_FILE_HEADER file{
        {'Z', 'R'}, static_cast<int32_t>(ZRK_DATA_OFFSET + (kRaw + 128) * kFrames), ZRK_DATA_OFFSET};
    ZRK_DATA_INFO_HEADER info{ZRK_DATA_INFO_HEADER_SIZE, static_cast<int32_t>(kFrames), -1, 0, {}};
    std::fwrite(&file, sizeof file, 1, data);
    std::fwrite(&info, sizeof info, 1, data);
    ZRK_FRAME_HEADER header{};
    std::memcpy(header.magic, "ZRK", 4);
    header.width = header.height = kSide;
    header.redGain = header.greenGain = header.blueGain = 128;
    header.gamma = 100;
    header.imageSizeCode = 3;
    for (unsigned k = 0; k < kFrames; ++k) {
        const double cx = 60 + (k * 3) % 400, cy = 256 + 120 * std::sin(k / 50.0);
        for (unsigned y = 0; y < kSide; ++y)
            for (unsigned x = 0; x < kSide; ++x) {
                const unsigned site = (x & 1) + (y & 1);
                double v = 50 + site * 15 + 0.2 * x + 0.15 * y;
                const double dx = x - cx, dy = y - cy;
                if (dx * dx + dy * dy < 2500) v += 70;
                v += (x * 7 + y * 13 + k * 5) % 4;
                raw[y * kSide + x] = static_cast<uint8_t>(std::min(v, 255.0));
            }
        std::fwrite(&header, sizeof header, 1, data);
        std::fwrite(raw.data(), 1, raw.size(), data);
        std::fwrite(raw.data(), 1, raw.size(), bare);
    }
    std::fclose(data);
    std::fclose(bare);
    flush(path("bench_movie.dat"));
    flush(path("bench_movie.raw"));
}

// Draws frames as the program's movie export does: CombRGB_Play 1:1, the header's gains and gamma.
int draw(uint32_t frame, uint8_t* pixels, int stride) {
    const ZRK_SURFACE surface{pixels, int(kSide), int(kSide), stride};
    int16_t status = 0;
    CombRGB_Play(&surface, path("bench_movie.dat").c_str(), kSide, kSide, kSide, kSide, nullptr, nullptr,
                 ZRK_DATA_OFFSET, int32_t(frame), &status);
    return status;
}

std::map<std::string, std::vector<double>> g_fps;
std::map<std::string, uint64_t> g_bytes;
std::map<std::string, std::vector<double>> g_cpuMs; // processor time per frame, every thread

double cpuSeconds(int who) {
    rusage u{};
    ::getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void ours(benchmark::State& state, Codec codec) {
    makeInputs();
    const bool h264 = codec == Codec::H264;
    const std::string name = h264 ? "ours/h264" : "ours/ffv1";
    MovieRun run;
    run.path = path(h264 ? "bench_movie_ours.mp4" : "bench_movie_ours.mkv");
    run.settings = {codec, int(kSide), int(kSide), int(kRate), kDefaultQuality, 90, preset()};
    run.first = 0;
    run.last = kFrames - 1;
    for (auto _ : state) {
        const double cpu = cpuSeconds(RUSAGE_SELF);
        const auto start = std::chrono::steady_clock::now();
        const MovieOutcome out = MakeMovie(run, draw, nullptr);
        flush(run.path);
        const double secs = seconds(start);
        g_cpuMs[name].push_back((cpuSeconds(RUSAGE_SELF) - cpu) * 1000 / kFrames);
        if (out.result != Result::Ok) state.SkipWithError(("movie failed: " + out.detail).c_str());
        state.SetIterationTime(secs);
        g_fps[name].push_back(kFrames / secs);
        g_bytes[name] = std::filesystem::file_size(run.path); // kept for the picture check
    }
    state.counters["fps"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
}

void ffmpeg(benchmark::State& state) {
    makeInputs();
    const std::string mp4 = path("bench_movie_ffmpeg.mp4");
    const std::string command =
        "ffmpeg -nostdin -v error -y -f rawvideo -pix_fmt bayer_bggr8 -s 512x512 -r 30 "
        "-i '" +
        path("bench_movie.raw") + "' -c:v libx264 -preset " + preset() + " -crf " +
        std::to_string(kDefaultQuality) + " -pix_fmt yuv420p -movflags +faststart '" + mp4 + "'";
    for (auto _ : state) {
        const double cpu = cpuSeconds(RUSAGE_CHILDREN);
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) state.SkipWithError("ffmpeg failed (is it installed?)");
        flush(mp4);
        const double secs = seconds(start);
        g_cpuMs["ffmpeg/h264"].push_back((cpuSeconds(RUSAGE_CHILDREN) - cpu) * 1000 / kFrames);
        state.SetIterationTime(secs);
        g_fps["ffmpeg/h264"].push_back(kFrames / secs);
        g_bytes["ffmpeg/h264"] = std::filesystem::file_size(mp4);
        std::filesystem::remove(mp4);
    }
    state.counters["fps"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
}

// The same encoder fed the export's own frames through a pipe: tells the encoder's work on our
// pictures apart from the rest of the pipeline.
void ffmpegOurFrames(benchmark::State& state) {
    makeInputs();
    const std::string mp4 = path("bench_movie_piped.mp4");
    const std::string command = "ffmpeg -nostdin -v error -y -f rawvideo -pix_fmt bgr0 -s 512x512 -r 30 -i - "
                                "-c:v libx264 -preset " +
                                std::string(preset()) + " -crf " + std::to_string(kDefaultQuality) +
                                " -pix_fmt yuv420p -movflags +faststart '" + mp4 + "'";
    std::vector<uint32_t> frame(kRaw);
    for (auto _ : state) {
        const double cpu = cpuSeconds(RUSAGE_SELF) + cpuSeconds(RUSAGE_CHILDREN);
        const auto start = std::chrono::steady_clock::now();
        FILE* p = ::popen(command.c_str(), "w");
        for (unsigned k = 0; p && k < kFrames; ++k) {
            draw(k, reinterpret_cast<uint8_t*>(frame.data()), int(kSide * 4));
            std::fwrite(frame.data(), 4, kRaw, p);
        }
        if (!p || ::pclose(p) != 0) state.SkipWithError("ffmpeg failed (is it installed?)");
        flush(mp4);
        const double secs = seconds(start);
        state.SetIterationTime(secs);
        g_fps["piped/h264"].push_back(kFrames / secs);
        g_cpuMs["piped/h264"].push_back((cpuSeconds(RUSAGE_SELF) + cpuSeconds(RUSAGE_CHILDREN) - cpu) * 1000 /
                                        kFrames);
        g_bytes["piped/h264"] = std::filesystem::file_size(mp4);
        std::filesystem::remove(mp4);
    }
    state.counters["fps"] = benchmark::Counter(kFrames, benchmark::Counter::kIsIterationInvariantRate);
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double psnr(double squaredError, double samples) {
    return squaredError == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * samples / squaredError);
}

// Decodes a movie frame by frame (ffmpeg, as pixFmt) and hands each frame with its export reference
// (0xffRRGGBB rows) to check.
template <typename Check>
bool compareFrames(const std::string& movie, const char* pixFmt, std::size_t frameBytes, Check check) {
    const std::string command =
        "ffmpeg -nostdin -v error -i '" + movie + "' -f rawvideo -pix_fmt " + pixFmt + " -";
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return false;
    std::vector<uint8_t> got(frameBytes);
    std::vector<uint32_t> reference(kRaw);
    unsigned k = 0;
    for (; k < kFrames && std::fread(got.data(), 1, frameBytes, p) == frameBytes; ++k) {
        draw(k, reinterpret_cast<uint8_t*>(reference.data()), int(kSide * 4));
        check(got.data(), reference.data());
    }
    return ::pclose(p) == 0 && k == kFrames;
}

void checkPictures() {
    // H.264: the luma against the export's BT.601 luma, and the colour pictures.
    double lumaError = 0, rgbError = 0;
    const bool h264 = compareFrames(
        path("bench_movie_ours.mp4"), "yuv420p", kRaw * 3 / 2, [&](const uint8_t* yuv, const uint32_t* ref) {
            for (std::size_t i = 0; i < kRaw; ++i) {
                const double r = (ref[i] >> 16) & 255, g = (ref[i] >> 8) & 255, b = ref[i] & 255;
                const double y = std::lround(16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255);
                lumaError += (y - yuv[i]) * (y - yuv[i]);
            }
        });
    const bool rgb = compareFrames(
        path("bench_movie_ours.mp4"), "bgr24", kRaw * 3, [&](const uint8_t* bgr, const uint32_t* ref) {
            for (std::size_t i = 0; i < kRaw; ++i)
                for (int c = 0; c < 3; ++c) {
                    const double d = double((ref[i] >> (8 * c)) & 255) - bgr[3 * i + c];
                    rgbError += d * d;
                }
        });
    unsigned differing = 0;
    const bool ffv1 = compareFrames(
        path("bench_movie_ours.mkv"), "bgr24", kRaw * 3, [&](const uint8_t* bgr, const uint32_t* ref) {
            for (std::size_t i = 0; i < kRaw; ++i)
                if (bgr[3 * i] != (ref[i] & 255) || bgr[3 * i + 1] != ((ref[i] >> 8) & 255) ||
                    bgr[3 * i + 2] != ((ref[i] >> 16) & 255)) {
                    ++differing;
                    break;
                }
        });
    if (h264 && rgb)
        std::printf("H.264 pictures over %u frames: luma PSNR %.2f dB, RGB PSNR %.2f dB\n", kFrames,
                    psnr(lumaError, double(kFrames) * kRaw), psnr(rgbError, double(kFrames) * kRaw * 3));
    if (ffv1) std::printf("FFV1 pictures: %u of %u frames differ from the export\n", differing, kFrames);
}

} // namespace

int main(int argc, char** argv) {
    if (const char* n = std::getenv("ZRK_BENCH_FRAMES"); n && std::atoi(n) > 0)
        kFrames = std::min(2047u, static_cast<unsigned>(std::atoi(n)));
    // Ours and ffmpeg take turns, so that a change in the machine's load falls on both.
    for (int round = 0; round < 3; ++round) {
        benchmark::RegisterBenchmark("MakeMovie_H264/2047x512x512", ours, Codec::H264)
            ->UseManualTime()
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("ffmpeg_cli_H264/2047x512x512", ffmpeg)
            ->UseManualTime()
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark("ffmpeg_cli_H264_our_frames/2047x512x512", ffmpegOurFrames)
            ->UseManualTime()
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("MakeMovie_FFV1/2047x512x512", ours, Codec::Ffv1)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    const double us = median(g_fps["ours/h264"]), ff = median(g_fps["ffmpeg/h264"]);
    std::printf(
        "processor time per frame, all threads (medians): MakeMovie %.1f ms, ffmpeg command line %.1f ms\n",
        median(g_cpuMs["ours/h264"]), median(g_cpuMs["ffmpeg/h264"]));
    if (us > 0 && ff > 0)
        std::printf(
            "H.264 (%s, rate factor %d), medians of %zu: MakeMovie %.1f fps, ffmpeg command line %.1f fps "
            "(x%.2f); %.1f MB vs %.1f MB\n",
            preset(), kDefaultQuality, g_fps["ours/h264"].size(), us, ff, us / ff, g_bytes["ours/h264"] / 1e6,
            g_bytes["ffmpeg/h264"] / 1e6);
    if (const double piped = median(g_fps["piped/h264"]); piped > 0)
        std::printf("ffmpeg command line fed our frames: %.1f fps, %.1f ms a frame, %.1f MB (MakeMovie x%.2f "
                    "of it)\n",
                    piped, median(g_cpuMs["piped/h264"]), g_bytes["piped/h264"] / 1e6, us / piped);
    if (const double v = median(g_fps["ours/ffv1"]); v > 0)
        std::printf("FFV1: MakeMovie %.1f fps, %.1f MB (uncompressed AVI %.1f MB)\n", v,
                    g_bytes["ours/ffv1"] / 1e6, kFrames * (kRaw * 3 + 8) / 1e6);
    if (!g_fps["ours/h264"].empty() && !g_fps["ours/ffv1"].empty()) checkPictures();
    for (const char* name :
         {"bench_movie.dat", "bench_movie.raw", "bench_movie_ours.mp4", "bench_movie_ours.mkv"})
        std::filesystem::remove(path(name));
    benchmark::Shutdown();
    return 0;
}
