// Frames per second of the reconstruction and of CombRGB_Play, measured against OpenCV's bilinear
// Bayer demosaic (COLOR_BayerRG2BGR decodes this camera's B G / G R layout) on one thread and the same
// frames, and against the memory limit: a streamed copy that reads a raw frame and writes a picture's
// worth of bytes with cold caches. Prints each case as frames/s and as a share of that limit.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "imagelib/include/zrkimage.h"
#include "imagelib/src/geometry.h"
#include "imagelib/src/kernel_select.h"
#include "imagelib/src/reconstruct.h"

#if defined(ZRK_BENCH_OPENCV)
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

using namespace zrk::image;

namespace {

constexpr int kFrames = 8;

// Smooth gradients plus noise: closer to a camera picture than pure noise, same for every peer.
const std::vector<uint8_t>& frames(unsigned w, unsigned h) {
    static std::map<std::pair<unsigned, unsigned>, std::vector<uint8_t>> cache;
    auto& v = cache[{w, h}];
    if (v.empty()) {
        std::mt19937 rng(1234);
        v.resize(std::size_t{w} * h * kFrames + 64);
        for (int f = 0; f < kFrames; ++f)
            for (unsigned y = 0; y < h; ++y)
                for (unsigned x = 0; x < w; ++x)
                    v[(f * h + y) * w + x] = static_cast<uint8_t>((x + y + f * 16) / 4 + rng() % 32);
    }
    return v;
}

struct Work {
    std::vector<uint8_t> red, green, blue, blur, out;
    Work()
        : red(kPlaneBytes + 128), green(kPlaneBytes + 128), blue(kPlaneBytes + 128), blur(3 * kPlaneBytes),
          out(kMaxPixelBytes) {}
    Planes planes() {
        return {red.data(),
                green.data(),
                blue.data(),
                {blur.data(), blur.data() + kPlaneBytes, blur.data() + 2 * kPlaneBytes}};
    }
};

void reconstruct(benchmark::State& state, unsigned w, unsigned h, unsigned gamma, int radius, int strength,
                 KernelChoice choice) {
    const auto& raw = frames(w, h);
    Work work;
    const Planes planes = work.planes();
    const RowKernels& kernels = kernelsFor(choice);
    int f = 0;
    for (auto _ : state) {
        reconstructFrame(raw.data() + std::size_t{w} * h * f, work.out.data(), w, h, {128, 128, 128}, gamma,
                         {radius, strength}, planes, kernels);
        benchmark::DoNotOptimize(work.out.data());
        f = (f + 1) % kFrames;
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetLabel(kernels.name);
}

// The limit: per frame, a raw frame's bytes read and a picture's bytes written, nothing computed, with
// cold caches: input and output both rotate through 64 MiB, twice the last-level cache, so every
// byte comes from and goes to memory. Each raw row goes out three times, filling the picture row
// (stride 3 * w for the supported widths).
void streamedCopy(benchmark::State& state, unsigned w, unsigned h) {
    constexpr std::size_t kSpan = std::size_t{64} << 20;
    const std::size_t frameBytes = std::size_t{w} * h, pictureBytes = 3 * frameBytes;
    const std::size_t inFrames = kSpan / frameBytes, outFrames = kSpan / pictureBytes;
    std::vector<uint8_t> in(inFrames * frameBytes), out(outFrames * pictureBytes);
    for (std::size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<uint8_t>(i * 7);
    std::size_t fi = 0, fo = 0;
    for (auto _ : state) {
        const uint8_t* src = in.data() + fi * frameBytes;
        uint8_t* dst = out.data() + fo * pictureBytes;
        for (unsigned r = 0; r < h; ++r, src += w, dst += 3 * std::size_t{w}) {
            std::memcpy(dst, src, w);
            std::memcpy(dst + w, src, w);
            std::memcpy(dst + 2 * w, src, w);
        }
        benchmark::DoNotOptimize(dst);
        benchmark::ClobberMemory();
        fi = (fi + 1) % inFrames;
        fo = (fo + 1) % outFrames;
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

#if defined(ZRK_BENCH_OPENCV)
void openCv(benchmark::State& state, unsigned w, unsigned h) {
    cv::setNumThreads(1);
    auto& raw = const_cast<std::vector<uint8_t>&>(frames(w, h));
    cv::Mat dst(static_cast<int>(h), static_cast<int>(w), CV_8UC3);
    int f = 0;
    for (auto _ : state) {
        const cv::Mat src(static_cast<int>(h), static_cast<int>(w), CV_8UC1,
                          raw.data() + std::size_t{w} * h * f);
        cv::cvtColor(src, dst, cv::COLOR_BayerRG2BGR);
        benchmark::DoNotOptimize(dst.data);
        f = (f + 1) % kFrames;
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
#endif

// A data file of kFrames 512 x 512 records, played frame after frame as the player does.
std::string playFile() {
    static std::string path;
    if (path.empty()) {
        path = (std::filesystem::temp_directory_path() / "zrkimage-bench.dat").string();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        const char head[32] = {'Z', 'R', 0, 0, 0, 0, 32, 0, 0, 0, 22};
        out.write(head, sizeof head);
        const auto& raw = frames(512, 512);
        for (int f = 0; f < kFrames; ++f) {
            ZRK_FRAME_HEADER header{};
            header.magic[0] = 'Z';
            header.magic[1] = 'R';
            header.magic[2] = 'K';
            header.width = header.height = 512;
            header.redGain = 150;
            header.greenGain = 128;
            header.blueGain = 110;
            header.gamma = 100;
            out.write(reinterpret_cast<const char*>(&header), sizeof header);
            out.write(reinterpret_cast<const char*>(raw.data() + 512 * 512 * f), 512 * 512);
        }
    }
    return path;
}

void play(benchmark::State& state, int scale) {
    const std::string path = playFile();
    std::vector<uint32_t> pixels(1024 * 1024);
    const ZRK_SURFACE surface{reinterpret_cast<uint8_t*>(pixels.data()), 1024, 1024, 1024 * 4};
    int16_t status = 0;
    int f = 0;
    for (auto _ : state) {
        if (!CombRGB_Play(&surface, path.c_str(), 512, 512, 512 * scale, 512 * scale, nullptr, nullptr, 32, f,
                          &status)) {
            state.SkipWithError("CombRGB_Play failed");
            break;
        }
        f = (f + 1) % kFrames;
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The live picture's library call: a 200 x 200 frame in memory drawn at 400 x 400.
void live(benchmark::State& state) {
    const auto& raw = frames(200, 200);
    std::vector<uint8_t> buffer((ZRK_FRAME_HEADER_SIZE + 200 * 200) * kFrames + 64);
    for (int f = 0; f < kFrames; ++f) {
        uint8_t* record = buffer.data() + (ZRK_FRAME_HEADER_SIZE + 200 * 200) * f;
        std::memcpy(record, "ZRK", 4);
        std::memcpy(record + ZRK_FRAME_HEADER_SIZE, raw.data() + 200 * 200 * f, 200 * 200);
    }
    std::vector<uint32_t> pixels(400 * 400);
    const ZRK_SURFACE surface{reinterpret_cast<uint8_t*>(pixels.data()), 400, 400, 400 * 4};
    const uint16_t gains[3] = {128, 128, 128};
    const ZRK_ENHANCE off{0, 0};
    int16_t status = 0;
    int f = 0;
    for (auto _ : state) {
        if (!CombRGB_Live(&surface, buffer.data() + (ZRK_FRAME_HEADER_SIZE + 200 * 200) * f, 200, 200, 400,
                          400, gains, 100, &off, nullptr, &status)) {
            state.SkipWithError("CombRGB_Live failed");
            break;
        }
        f = (f + 1) % kFrames;
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Keeps each run's frames per second for the closing comparison.
class Reporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> fps;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            // With repetitions the median stands for the case; means and deviations are left out.
            const bool aggregate = r.run_type == Run::RT_Aggregate;
            if (aggregate && r.aggregate_name != "median") continue;
            if (auto it = r.counters.find("fps"); it != r.counters.end())
                fps[r.run_name.str()] = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    struct Case {
        const char* name;
        unsigned w, h, gamma;
        int radius, strength;
    };
    const Case cases[] = {{"512x512/plain", 512, 512, 100, 0, 0},
                          {"200x200/plain", 200, 200, 100, 0, 0},
                          {"512x512/gamma77", 512, 512, 77, 0, 0},
                          {"512x512/radius1_strength100", 512, 512, 100, 1, 100},
                          {"512x512/radius2_strength100", 512, 512, 100, 2, 100},
                          {"512x512/radius3_strength100", 512, 512, 100, 3, 100}};
    benchmark::RegisterBenchmark("limit/512x512/streamed_copy", streamedCopy, 512u, 512u);
    benchmark::RegisterBenchmark("limit/200x200/streamed_copy", streamedCopy, 200u, 200u);
    for (const Case& c : cases) {
        benchmark::RegisterBenchmark((std::string("zrk/") + c.name).c_str(), reconstruct, c.w, c.h, c.gamma,
                                     c.radius, c.strength, KernelChoice::Best);
        benchmark::RegisterBenchmark((std::string("zrk_scalar/") + c.name).c_str(), reconstruct, c.w, c.h,
                                     c.gamma, c.radius, c.strength, KernelChoice::Scalar);
    }
#if defined(ZRK_BENCH_OPENCV)
    benchmark::RegisterBenchmark("opencv/512x512/plain", openCv, 512u, 512u);
    benchmark::RegisterBenchmark("opencv/200x200/plain", openCv, 200u, 200u);
#endif
    benchmark::RegisterBenchmark("CombRGB_Live/200x200/to_400x400", live);
    benchmark::RegisterBenchmark("CombRGB_Play/512x512/1to1", play, 1);
    benchmark::RegisterBenchmark("CombRGB_Play/512x512/scaled_x2", play, 2);

    benchmark::Initialize(&argc, argv);
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::filesystem::remove(playFile());
    // Every case of a frame size against that size's streamed copy.
    std::printf("\n%-40s %12s %9s\n", "case", "frames/s", "of limit");
    for (const auto& [name, fps] : reporter.fps) {
        const auto slash = name.find('/');
        const auto sizeEnd = name.find('/', slash + 1);
        if (slash == std::string::npos || sizeEnd == std::string::npos) continue;
        const std::string size = name.substr(slash + 1, sizeEnd - slash - 1);
        const auto it = reporter.fps.find("limit/" + size + "/streamed_copy");
        const double limit = it == reporter.fps.end() ? 0 : it->second;
        if (limit > 0)
            std::printf("%-40s %12.0f %8.1f%%\n", name.c_str(), fps, 100.0 * fps / limit);
        else
            std::printf("%-40s %12.0f %9s\n", name.c_str(), fps, "-");
    }
#if defined(ZRK_BENCH_OPENCV)
    for (const char* size : {"512x512", "200x200"}) {
        const double ours = reporter.fps[std::string("zrk/") + size + "/plain"];
        const double theirs = reporter.fps[std::string("opencv/") + size + "/plain"];
        if (ours > 0 && theirs > 0)
            std::printf("ratio %s plain: zrk %.0f fps / OpenCV %.0f fps = %.2f\n", size, ours, theirs,
                        ours / theirs);
    }
#else
    std::printf("OpenCV not found at build time: no comparison\n");
#endif
    benchmark::Shutdown();
    return 0;
}
