// CombRGB_AVI: movies read back by our own RIFF walk and by ffprobe/ffmpeg, frame pixels against
// CombRGB_File's bitmaps, the extended form on small data, every early exit leaving a valid movie, and
// the checks made before the file is created. Write failures and odd targets: test_avi_failures.cpp.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "tests/imagelib/avi_clip.h"
#include "tests/imagelib/avi_reader.h"
#include "tests/imagelib/ffmpeg_reader.h"
#include "tests/imagelib/test_support.h"

using namespace testsupport;

namespace {

struct MovieRun {
    int32_t result = -1;
    int16_t status = -1;
    std::vector<uint32_t> done; // every progress report
};

MovieRun exportAvi(const Clip& clip, uint32_t first, uint32_t last, int32_t rate,
                   const ZRK_ENHANCE* sharpen = nullptr, std::function<int32_t(uint32_t)> onReport = {},
                   const std::string& target = {}) {
    MovieRun run;
    struct Ctx {
        MovieRun* run;
        std::function<int32_t(uint32_t)>* onReport;
        uint32_t total = 0;
    } ctx{&run, &onReport};
    ZRK_PROGRESS progress{&ctx, [](void* c, uint32_t done, uint32_t total) -> int32_t {
                              auto* x = static_cast<Ctx*>(c);
                              x->run->done.push_back(done);
                              x->total = total;
                              return *x->onReport ? (*x->onReport)(done) : 0;
                          }};
    const std::string& avi = target.empty() ? clip.avi : target;
    run.result = CombRGB_AVI(&progress, clip.data.c_str(), avi.c_str(), static_cast<int32_t>(clip.w),
                             static_cast<int32_t>(clip.h), sharpen, 32, first, last, rate, &run.status);
    return run;
}

// A movie of `frames` frames that our walk and ffprobe both read whole, in the plain form.
void expectPlainMovie(const Clip& clip, const std::string& avi, unsigned frames, unsigned rate) {
    const AviFacts f = walkAvi(avi);
    ASSERT_EQ(f.error, "") << avi;
    EXPECT_EQ(f.riffSegments, 1u);
    EXPECT_EQ(f.streams, 1u);
    EXPECT_EQ(f.avihFrames, frames);
    EXPECT_EQ(f.usPerFrame, (1000000 + rate / 2) / rate);
    EXPECT_EQ(f.width, clip.w);
    EXPECT_EQ(f.height, clip.h);
    EXPECT_EQ(f.streamType, "vids");
    EXPECT_EQ(f.handler, std::string(4, '\0'));
    EXPECT_EQ(f.scale, 1u);
    EXPECT_EQ(f.rate, rate);
    EXPECT_EQ(f.length, frames);
    EXPECT_EQ(f.suggestedBuffer, clip.frameBytes());
    EXPECT_EQ(f.rect[2], static_cast<int16_t>(clip.w));
    EXPECT_EQ(f.rect[3], static_cast<int16_t>(clip.h));
    EXPECT_EQ(f.bihSize, 40u);
    EXPECT_EQ(f.bihWidth, clip.w);
    EXPECT_EQ(f.bihHeight, static_cast<int32_t>(clip.h)); // positive: bottom-up
    EXPECT_EQ(f.bihBitCount, 24);
    EXPECT_EQ(f.bihCompression, 0u);
    EXPECT_EQ(f.bihSizeImage, clip.frameBytes());
    EXPECT_TRUE(f.hasIdx1);
    EXPECT_EQ(f.idx1Entries, frames);
    EXPECT_EQ(f.superEntries, 0u);
    EXPECT_EQ(f.framePositions.size(), frames);

    const auto probe = probeVideo(avi);
    ASSERT_FALSE(probe.empty()) << "ffprobe cannot read " << avi;
    EXPECT_EQ(probe.at("codec_name"), "rawvideo");
    EXPECT_EQ(probe.at("width"), std::to_string(clip.w));
    EXPECT_EQ(probe.at("height"), std::to_string(clip.h));
    EXPECT_EQ(probe.at("pix_fmt"), "bgr24");
    EXPECT_EQ(probe.at("r_frame_rate"), std::to_string(rate) + "/1");
    EXPECT_EQ(probe.at("nb_read_packets"), std::to_string(frames));
}

} // namespace

TEST(AviExport, MoviesReadBackWithEveryFrameEqualToItsBitmap) {
    struct Case {
        unsigned w, h, count, first, last, rate;
        ZRK_ENHANCE sharpen;
    };
    const Case cases[] = {
        {200, 200, 3, 0, 2, 20, {0, 100}}, // camera size, row stride 600
        {256, 256, 6, 1, 5, 30, {1, 100}}, // a range inside the file, with sharpening
        {512, 256, 2, 1, 1, 1, {0, 0}},    // one frame at the slowest rate
        {64, 8, 10, 0, 9, 7, {1, 200}},    // a rate that does not divide a second evenly
    };
    inBothWriteModes([&] {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
            Clip clip(c.w, c.h, c.count);
            const MovieRun run = exportAvi(clip, c.first, c.last, static_cast<int32_t>(c.rate), &c.sharpen);
            ASSERT_EQ(run.result, 1);
            EXPECT_EQ(run.status, 0);
            const unsigned frames = c.last - c.first + 1;
            std::vector<uint32_t> expected(frames + 1);
            for (unsigned i = 0; i <= frames; ++i)
                expected[i] = i;
            EXPECT_EQ(run.done, expected); // 0 before the first frame, then after each
            expectPlainMovie(clip, clip.avi, frames, c.rate);
            const AviFacts f = walkAvi(clip.avi);
            for (unsigned k = 0; k < frames; ++k) {
                const auto bitmap = bitmapPixels(clip, c.first + k, &c.sharpen);
                ASSERT_FALSE(bitmap.empty());
                EXPECT_EQ(aviFrame(clip.avi, f, k), bitmap) << "frame " << k << " (own reader)";
                if (k == 0 || k + 1 == frames) { // ffmpeg seeks to the first and the last by the index
                    EXPECT_EQ(decodeFrame(clip.avi, k, c.rate), topDown(bitmap.data(), c.w, c.h))
                        << "frame " << k << " (ffmpeg)";
                }
            }
        }
    });
}

TEST(AviExport, PastTheSegmentLimitTheMovieContinuesInTheExtendedForm) {
    inBothWriteModes([] {
        Clip clip(200, 200, 11);
        // Room for four 120,000-byte frames per segment: 11 frames need three segments.
        ASSERT_EQ(::setenv("ZRKIMAGE_AVI_SEGMENT_BYTES", "500000", 1), 0);
        const MovieRun run = exportAvi(clip, 0, 10, 25);
        ::unsetenv("ZRKIMAGE_AVI_SEGMENT_BYTES");
        ASSERT_EQ(run.result, 1);
        const AviFacts f = walkAvi(clip.avi);
        ASSERT_EQ(f.error, "");
        EXPECT_EQ(f.riffSegments, 3u);
        EXPECT_EQ(f.superEntries, 3u);
        EXPECT_EQ(f.indexedByIx00, 11u);
        EXPECT_TRUE(f.hasDmlh);
        EXPECT_EQ(f.dmlhFrames, 11u);
        EXPECT_EQ(f.length, 11u);
        EXPECT_EQ(f.avihFrames, 4u); // the first segment's, for readers that know only the plain form
        EXPECT_EQ(f.idx1Entries, 4u);
        ASSERT_EQ(f.framePositions.size(), 11u);

        const auto probe = probeVideo(clip.avi);
        ASSERT_FALSE(probe.empty());
        EXPECT_EQ(probe.at("nb_read_packets"), "11");
        for (unsigned k : {0u, 4u, 10u}) {
            const auto bitmap = bitmapPixels(clip, k);
            EXPECT_EQ(aviFrame(clip.avi, f, k), bitmap) << k;
            EXPECT_EQ(decodeFrame(clip.avi, k, 25), topDown(bitmap.data(), 200, 200)) << k;
        }
    });
}

TEST(AviExport, ARunThatStopsEarlyLeavesAValidMovieOfTheFramesWritten) {
    constexpr uint64_t kRecord = 64 * 8 + 128;
    struct Case {
        const char* name;
        int16_t status;
        unsigned framesLeft;
        std::function<int32_t(const Clip&, uint32_t done)> onReport;
        std::function<void(const Clip&)> before = {};
    };
    const Case cases[] = {
        {"cancel after 3 of 10", ZRK_STATUS_CANCELLED, 3,
         [](const Clip&, uint32_t done) { return done == 3; }},
        {"cancel answered after the last frame", ZRK_STATUS_OK, 10,
         [](const Clip&, uint32_t done) { return done == 10; }},
        {"data file cut short during the run", ZRK_STATUS_READ, 4,
         [](const Clip& c, uint32_t done) {
             if (done == 4) std::filesystem::resize_file(c.data, 32 + 5 * kRecord - 1);
             return 0;
         }},
        {"data file holding 3 of its 10 frames (an interrupted download)", ZRK_STATUS_READ, 3,
         [](const Clip&, uint32_t) { return 0; },
         [](const Clip& c) { std::filesystem::resize_file(c.data, 32 + 3 * kRecord + kRecord / 2); }},
        {"frame without its magic", ZRK_STATUS_MAGIC, 6,
         [](const Clip& c, uint32_t done) {
             if (done == 6) {
                 std::FILE* f = std::fopen(c.data.c_str(), "r+b");
                 std::fseek(f, static_cast<long>(32 + 6 * kRecord), SEEK_SET);
                 std::fputc('X', f);
                 std::fclose(f);
             }
             return 0;
         }},
        {"cancel before the first frame", ZRK_STATUS_CANCELLED, 0, [](const Clip&, uint32_t) { return 1; }},
    };
    inBothWriteModes([&] {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            Clip clip(64, 8, 10);
            if (c.before) c.before(clip);
            const MovieRun run =
                exportAvi(clip, 0, 9, 20, nullptr, [&](uint32_t done) { return c.onReport(clip, done); });
            EXPECT_EQ(run.result, c.status == ZRK_STATUS_OK ? 1 : 0);
            EXPECT_EQ(run.status, c.status);
            if (c.framesLeft == 0) {
                EXPECT_FALSE(std::filesystem::exists(clip.avi)); // stopped before the file was created
                continue;
            }
            expectPlainMovie(clip, clip.avi, c.framesLeft, 20);
            EXPECT_EQ(aviFrame(clip.avi, walkAvi(clip.avi), c.framesLeft - 1),
                      bitmapPixels(clip, c.framesLeft - 1));
        }
    });
}

TEST(AviExport, ArgumentsAreCheckedBeforeAnyFileIsCreated) {
    Clip clip(64, 8, 5);
    const auto dataBefore = readFile(clip.data);
    const std::string link = clip.dir.file("link.avi"), hard = clip.dir.file("hard.avi");
    std::filesystem::create_symlink(clip.data, link);
    std::filesystem::create_hard_link(clip.data, hard);
    struct Case {
        const char* name;
        int32_t w, h;
        uint32_t first, last;
        int32_t rate;
        std::string target;
        int16_t status;
    };
    const Case cases[] = {
        {"first after last", 64, 8, 3, 2, 20, clip.avi, ZRK_STATUS_READ},
        {"first frame past the file's frames", 64, 8, 5, 6, 20, clip.avi, ZRK_STATUS_READ},
        {"rate 0", 64, 8, 0, 4, 0, clip.avi, ZRK_STATUS_AVI_STREAM},
        {"rate with 0 microseconds a frame", 64, 8, 0, 4, 2000001, clip.avi, ZRK_STATUS_AVI_STREAM},
        {"negative rate", 64, 8, 0, 4, -5, clip.avi, ZRK_STATUS_AVI_STREAM},
        {"width not a multiple of 8", 100, 8, 0, 4, 20, clip.avi, ZRK_STATUS_AVI_FORMAT},
        {"height past 512", 64, 514, 0, 0, 20, clip.avi, ZRK_STATUS_AVI_FORMAT},
        {"the data file itself", 64, 8, 0, 4, 20, clip.data, ZRK_STATUS_AVI_OPEN},
        {"a link to the data file", 64, 8, 0, 4, 20, link, ZRK_STATUS_AVI_OPEN},
        {"another name of the data file", 64, 8, 0, 4, 20, hard, ZRK_STATUS_AVI_OPEN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool reported = false;
        ZRK_PROGRESS progress{&reported, [](void* r, uint32_t, uint32_t) -> int32_t {
                                  *static_cast<bool*>(r) = true;
                                  return 0;
                              }};
        int16_t status = -1;
        EXPECT_EQ(CombRGB_AVI(&progress, clip.data.c_str(), c.target.c_str(), c.w, c.h, nullptr, 32, c.first,
                              c.last, c.rate, &status),
                  0);
        EXPECT_EQ(status, c.status);
        EXPECT_FALSE(reported);
        EXPECT_FALSE(std::filesystem::exists(clip.avi));
        EXPECT_EQ(readFile(clip.data), dataBefore);
    }
}

TEST(AviExport, AnOlderLongerFileIsReplacedWhole) {
    Clip clip(64, 8, 2);
    std::FILE* f = std::fopen(clip.avi.c_str(), "wb");
    const std::vector<char> junk(1 << 20, 'j');
    std::fwrite(junk.data(), 1, junk.size(), f);
    std::fclose(f);
    int16_t status = -1;
    ASSERT_EQ(
        CombRGB_AVI(nullptr, clip.data.c_str(), clip.avi.c_str(), 64, 8, nullptr, 32, 0, 1, 20, &status), 1);
    expectPlainMovie(clip, clip.avi, 2, 20);
}

TEST(AviExport, BitmapsAreNeverWrittenOverTheDataFile) {
    Clip clip(64, 8, 2);
    const auto before = readFile(clip.data);
    const std::string link = clip.dir.file("00000.bmp");
    std::filesystem::create_symlink(clip.data, link);
    for (const std::string& target : {clip.data, link}) {
        int16_t status = -1;
        EXPECT_EQ(CombRGB_File(clip.data.c_str(), target.c_str(), 64, 8, nullptr, 32, 0, &status), 0);
        EXPECT_EQ(status, ZRK_STATUS_WRITE);
    }
    EXPECT_EQ(readFile(clip.data), before);
}
