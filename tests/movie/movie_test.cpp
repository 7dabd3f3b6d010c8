// Movies made from a data file through the same reconstruction as the bitmap and AVI exports, read
// back by ffprobe and ffmpeg: count, rate, metadata and pictures; then the ways a run can stop.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>

#include "imagelib/include/zrkimage.h"
#include "movie/movie_export.h"
#include "tests/imagelib/ffmpeg_reader.h"
#include "tests/imagelib/test_support.h"
#include "tests/movie/movie_reader.h"

using namespace testsupport;
using namespace zrk::movie;

namespace {

constexpr unsigned kW = 256, kH = 192;
constexpr ZRK_ENHANCE kSharpen{1, 150};

struct Format {
    const char* name;
    Codec codec;
    const char* file;
    const char* codecName;
    bool lossless;
};
const Format kFormats[] = {
    {"H264", Codec::H264, "clip.mp4", "h264", false},
    {"FFV1", Codec::Ffv1, "clip.mkv", "ffv1", true},
};

// A camera-like picture: smooth colour fields under the mosaic, a disc that moves, a little noise.
std::vector<uint8_t> sceneRecord(unsigned k) {
    auto record = frameRecord(kW, kH, 0, 140, 128, 118, 120);
    uint8_t* raw = record.data() + ZRK_FRAME_HEADER_SIZE;
    for (unsigned y = 0; y < kH; ++y)
        for (unsigned x = 0; x < kW; ++x) {
            const unsigned channel = (x & 1) + (y & 1);
            const double dx = double(x) - 60 - 8.0 * k, dy = double(y) - 96;
            double v = 60 + channel * 12 + 0.3 * x + 0.3 * y * (channel == 1 ? 1 : -1);
            if (dx * dx + dy * dy < 900) v += 60;
            v += ((x * 7 + y * 13 + k * 5) % 2); // sensor noise
            raw[y * kW + x] = static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
        }
    return record;
}

struct Recording {
    TempDir dir;
    std::string data = dir.file("rec.dat");
    explicit Recording(unsigned frames) {
        std::vector<std::vector<uint8_t>> records;
        for (unsigned k = 0; k < frames; ++k)
            records.push_back(sceneRecord(k));
        writeDataFile(data, records);
    }
    // The same frame as the bitmap export writes it, top row first.
    std::vector<uint8_t> bitmap(unsigned k) const {
        const std::string bmp = dir.file("frame.bmp");
        int16_t status = -1;
        EXPECT_EQ(CombRGB_File(data.c_str(), bmp.c_str(), kW, kH, &kSharpen, ZRK_DATA_OFFSET, k, &status), 1);
        const auto file = readFile(bmp);
        return file.size() == 54 + kW * kH * 3 ? topDown(file.data() + 54, kW, kH) : std::vector<uint8_t>{};
    }
    // Draws frames as the program's exports do: CombRGB_Play, 1:1, with the header's gains and gamma.
    DrawFrame drawer(int failAt = -1) const {
        return [this, failAt](uint32_t frame, uint8_t* pixels, int stride) -> int {
            if (int(frame) == failAt) return ZRK_STATUS_READ;
            const ZRK_SURFACE surface{pixels, int(kW), int(kH), stride};
            int16_t status = 0;
            CombRGB_Play(&surface, data.c_str(), kW, kH, kW, kH, &kSharpen, nullptr, ZRK_DATA_OFFSET,
                         int32_t(frame), &status);
            return status;
        };
    }
};

MovieRun runOf(const Format& f, const Recording& rec, uint32_t first, uint32_t last, int rate = 24) {
    MovieRun run;
    run.path = rec.dir.file(f.file);
    run.settings.codec = f.codec;
    run.settings.width = kW;
    run.settings.height = kH;
    run.settings.rate = rate;
    run.settings.recordingRate = 90;
    run.first = first;
    run.last = last;
    return run;
}

class MovieFormat : public ::testing::TestWithParam<Format> {};

// The movie holds frames first..last at the rate asked for, with the recording rate in its comment,
// and every picture is the export's own: identical for FFV1, at least 40 dB for H.264.
TEST_P(MovieFormat, ReadsBackWithCountRateAndTheExportsPictures) {
    const Format& f = GetParam();
    Recording rec(10);
    const MovieRun run = runOf(f, rec, 2, 9);
    const MovieOutcome out = MakeMovie(run, rec.drawer(), nullptr);
    ASSERT_EQ(out.result, Result::Ok) << out.detail;
    EXPECT_TRUE(out.fileLeft);
    EXPECT_EQ(out.frames, 8);

    auto facts = probeVideo(run.path);
    EXPECT_EQ(facts["codec_name"], f.codecName);
    EXPECT_EQ(facts["width"], std::to_string(kW));
    EXPECT_EQ(facts["height"], std::to_string(kH));
    EXPECT_EQ(facts["r_frame_rate"], "24/1");
    EXPECT_EQ(facts["nb_read_packets"], "8");
    if (f.codec == Codec::H264) {
        EXPECT_EQ(facts["pix_fmt"], "yuv420p");
    }
    EXPECT_EQ(commentTag(run.path), "Recorded at 90 frames/s, played at 24 frames/s");

    // FFV1: the export's pixels exactly. H.264: the luma within 40 dB (yuv420p keeps a quarter of
    // the colour detail, so the colour is held to a looser bound that still catches a mixed-up order).
    const auto decoded = decodeAll(run.path);
    const auto planes = decodeYuv420(run.path);
    const std::size_t pixels = kW * kH, frameBytes = pixels * 3, yuvBytes = pixels * 3 / 2;
    ASSERT_EQ(decoded.size(), 8 * frameBytes);
    ASSERT_EQ(planes.size(), 8 * yuvBytes);
    for (unsigned k = 0; k < 8; ++k) {
        const auto expected = rec.bitmap(2 + k);
        ASSERT_EQ(expected.size(), frameBytes);
        const uint8_t* got = decoded.data() + k * frameBytes;
        if (f.lossless) {
            EXPECT_EQ(std::memcmp(got, expected.data(), frameBytes), 0) << "frame " << k;
        } else {
            EXPECT_GE(psnr(luma(expected.data(), pixels).data(), planes.data() + k * yuvBytes, pixels), 40.0)
                << "frame " << k;
            EXPECT_GE(psnr(expected.data(), got, frameBytes), 30.0) << "frame " << k;
        }
    }
}

// A run that stops early keeps the frames written as a playable movie: a cancel after frame 3, a frame
// that cannot be read at frame 4.
TEST_P(MovieFormat, StoppedRunLeavesPlayableMovieOfTheFramesWritten) {
    const Format& f = GetParam();
    Recording rec(10);
    struct Case {
        const char* what;
        int failAt;      // frame whose reading fails, -1 none
        uint32_t cancel; // frames after which cancel is pressed, 0 never
        Result result;
        int frames;
    };
    for (const Case& c : {Case{"cancel at frame 3", -1, 3, Result::Cancelled, 3},
                          Case{"unreadable frame 4", 4, 0, Result::SourceFailed, 4},
                          Case{"cancel before the first", -1, 99, Result::Cancelled, 0}}) {
        SCOPED_TRACE(c.what);
        const MovieRun run = runOf(f, rec, 0, 9, 30);
        std::filesystem::remove(run.path);
        const auto cancel = [&c](uint32_t done, uint32_t) {
            return c.cancel == 99 ? true : c.cancel != 0 && done >= c.cancel;
        };
        const MovieOutcome out = MakeMovie(run, rec.drawer(c.failAt), cancel);
        EXPECT_EQ(out.result, c.result);
        EXPECT_EQ(out.frames, c.frames);
        if (c.frames == 0) {
            EXPECT_FALSE(std::filesystem::exists(run.path)) << "nothing is created before the first frame";
            continue;
        }
        if (c.failAt >= 0) {
            EXPECT_EQ(out.drawStatus, ZRK_STATUS_READ);
        }
        ASSERT_TRUE(out.fileLeft);
        auto facts = probeVideo(run.path);
        EXPECT_EQ(facts["nb_read_packets"], std::to_string(c.frames));
        EXPECT_EQ(facts["r_frame_rate"], "30/1");
        EXPECT_EQ(decodeAll(run.path).size(), std::size_t(c.frames) * kW * kH * 3);
    }
}

// A disk that fills (a file-size limit, the signal ignored) ends in a playable movie or none, never a
// half-written file reported as done.
TEST_P(MovieFormat, FullDiskLeavesPlayableMovieOrNone) {
    const Format& f = GetParam();
    Recording rec(40);
    const MovieRun run = runOf(f, rec, 0, 39);
    ASSERT_EQ(MakeMovie(run, rec.drawer(), nullptr).result, Result::Ok);
    const auto whole = static_cast<rlim_t>(std::filesystem::file_size(run.path));
    for (const rlim_t limit : {rlim_t{300}, whole / 2, whole - 1}) {
        SCOPED_TRACE(limit);
        std::filesystem::remove(run.path);
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &small);
        const MovieOutcome out = MakeMovie(run, rec.drawer(), nullptr);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        EXPECT_EQ(out.result, Result::WriteFailed);
        EXPECT_FALSE(out.detail.empty());
        if (out.fileLeft) {
            EXPECT_EQ(probeVideo(run.path)["nb_read_packets"], std::to_string(out.frames));
        } else {
            EXPECT_FALSE(std::filesystem::exists(run.path));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, MovieFormat, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

// Arguments are checked before the file exists: no movie file appears for a run that cannot be made.
TEST(MovieArguments, RefusedBeforeTheFileIsCreated) {
    Recording rec(2);
    struct Case {
        const char* what;
        void (*change)(MovieRun&);
    };
    const Case cases[] = {
        {"odd width", [](MovieRun& r) { r.settings.width = 95; }},
        {"no height", [](MovieRun& r) { r.settings.height = 0; }},
        {"rate 0", [](MovieRun& r) { r.settings.rate = 0; }},
        {"rate above the limit", [](MovieRun& r) { r.settings.rate = kMaxRate + 1; }},
        {"quality 52", [](MovieRun& r) { r.settings.quality = 52; }},
        {"negative recording rate", [](MovieRun& r) { r.settings.recordingRate = -1; }},
        {"range backwards", [](MovieRun& r) { r.first = 1, r.last = 0; }},
        {"no target", [](MovieRun& r) { r.path.clear(); }},
    };
    for (const Format& f : kFormats)
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(f.name) + ": " + c.what);
            MovieRun run = runOf(f, rec, 0, 1);
            c.change(run);
            int drawn = 0;
            const auto draw = [&drawn](uint32_t, uint8_t*, int) { return ++drawn, 0; };
            EXPECT_EQ(MakeMovie(run, draw, nullptr).result, Result::BadArguments);
            EXPECT_EQ(drawn, 0);
            EXPECT_FALSE(std::filesystem::exists(rec.dir.file(f.file)));
        }
    // A target that cannot be created: nothing drawn.
    MovieRun run = runOf(kFormats[0], rec, 0, 1);
    run.path = rec.dir.file("no-such-folder/clip.mp4");
    EXPECT_EQ(MakeMovie(run, rec.drawer(), nullptr).result, Result::CannotOpen);
}

TEST(SlowMotion, SaysLengthAndFactor) {
    struct Case {
        int64_t frames;
        int rate;
        double recording;
        const char* text;
    };
    for (const Case& c : {Case{2047, 30, 2000, "2,047 frames at 30 fps = 68.2 s, 66.7\u00d7 slower"},
                          Case{1000000, 25, 90, "1,000,000 frames at 25 fps = 40000.0 s, 3.6\u00d7 slower"},
                          Case{12, 30, 0, "12 frames at 30 fps = 0.4 s"},
                          Case{300, 30, 0.1, "300 frames at 30 fps = 10.0 s, 300.0\u00d7 faster"},
                          Case{999, 1, 1, "999 frames at 1 fps = 999.0 s, 1.0\u00d7 slower"}})
        EXPECT_EQ(SlowMotionText(c.frames, c.rate, c.recording), c.text);
}

} // namespace
