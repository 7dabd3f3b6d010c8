// CombRGB_AVI and CombRGB_File when writing fails or the target is no file: a file-size limit at every
// 4 KiB step across frames, indexes and segment boundaries, each movie left behind read back by our
// walk and by ffprobe; FIFOs, devices, folders and links as targets.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/imagelib/avi_clip.h"
#include "tests/imagelib/avi_reader.h"
#include "tests/imagelib/ffmpeg_reader.h"

using namespace testsupport;

namespace {

// Runs body in a child process and returns its exit code (-1 when it was killed, by the alarm that
// catches a call that blocks, say).
int inChild(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(20);
        ::_exit(body());
    }
    int wstatus = 0;
    ::waitpid(child, &wstatus, 0);
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
}

// Exports frames 0..last in a child whose files may not grow past limit bytes: its status, 100 for
// success.
int exportWithFileLimit(const Clip& clip, uint32_t last, rlim_t limit) {
    return inChild([&] {
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of ending the process
        rlimit rl{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &rl);
        int16_t status = -1;
        const int32_t result =
            CombRGB_AVI(nullptr, clip.data.c_str(), clip.avi.c_str(), static_cast<int32_t>(clip.w),
                        static_cast<int32_t>(clip.h), nullptr, 32, 0, last, 20, &status);
        return result == 1 ? 100 : status;
    });
}

// Checks that the movie's own walk, its headers and ffprobe agree on its frames and that each is its
// bitmap; returns the count.
unsigned expectTrustworthyMovie(const Clip& clip, const std::vector<std::vector<uint8_t>>& bitmaps) {
    const AviFacts f = walkAvi(clip.avi);
    EXPECT_EQ(f.error, "");
    EXPECT_EQ(f.hasIdx1, (f.avihFlags & 0x10) != 0) << "no index, yet readers are told there is one";
    EXPECT_EQ(f.framePositions.size(), f.length);
    EXPECT_EQ(f.dmlhFrames, f.length);
    if (f.superEntries > 0) {
        EXPECT_EQ(f.indexedByIx00, f.length);
    }
    const auto probe = probeVideo(clip.avi);
    EXPECT_EQ(probe.count("nb_read_packets") ? probe.at("nb_read_packets") : "ffprobe failed",
              std::to_string(f.length));
    for (unsigned k = 0; k < f.length && k < f.framePositions.size(); ++k)
        EXPECT_EQ(aviFrame(clip.avi, f, k), bitmaps.at(k)) << "frame " << k;
    return f.length;
}

} // namespace

TEST(AviExport, AFileSizeLimitAtAny4KiBStepLeavesAMovieReadersAgreeWith) {
    Clip clip(64, 64, 8); // 12,288-byte frames: chunks of four 4 KiB blocks
    std::vector<std::vector<uint8_t>> bitmaps;
    for (unsigned k = 0; k < clip.frames; ++k)
        bitmaps.push_back(bitmapPixels(clip, k));
    // Three frames a segment: the sweep crosses frames, indexes and two segment boundaries.
    ASSERT_EQ(::setenv("ZRKIMAGE_AVI_SEGMENT_BYTES", "60000", 1), 0);
    inBothWriteModes([&] {
        std::filesystem::remove(clip.avi);
        ASSERT_EQ(exportWithFileLimit(clip, 7, RLIM_INFINITY), 100);
        const AviFacts whole = walkAvi(clip.avi);
        ASSERT_EQ(whole.riffSegments, 3u);
        const uint64_t headers = whole.framePositions[0] - 8, size = std::filesystem::file_size(clip.avi);

        // Not even the headers fit: the file this call made goes again.
        std::filesystem::remove(clip.avi);
        EXPECT_EQ(exportWithFileLimit(clip, 7, 100), ZRK_STATUS_AVI_STREAM);
        EXPECT_FALSE(std::filesystem::exists(clip.avi));
        // A name that was there before (a link to an older movie) stays, emptied.
        const std::string older = clip.dir.file("older.avi");
        std::ofstream(older) << "an older movie";
        std::filesystem::create_symlink(older, clip.avi);
        EXPECT_EQ(exportWithFileLimit(clip, 7, 100), ZRK_STATUS_AVI_STREAM);
        EXPECT_TRUE(std::filesystem::is_symlink(clip.avi));
        EXPECT_TRUE(std::filesystem::exists(older));

        // Every 4 KiB step; in the page cache also a cut inside a block (direct I/O writes whole ones).
        const bool direct = std::string(std::getenv("ZRKIMAGE_AVI_DIRECT")) == "1";
        std::vector<uint64_t> limits;
        for (uint64_t step = headers + 4096; step <= size + 4096; step += 4096) {
            limits.push_back(step);
            if (!direct) limits.push_back(step + 100);
        }
        unsigned before = 0;
        for (const uint64_t limit : limits) {
            SCOPED_TRACE("file size limit " + std::to_string(limit));
            std::filesystem::remove(clip.avi);
            const int status = exportWithFileLimit(clip, 7, limit);
            EXPECT_EQ(status, limit >= size ? 100 : ZRK_STATUS_AVI_WRITE);
            // Not a single frame: no movie is left either.
            const unsigned frames =
                std::filesystem::exists(clip.avi) ? expectTrustworthyMovie(clip, bitmaps) : 0;
            EXPECT_GE(frames, before); // more room never loses a frame
            // No whole frame of the first segment is lost.
            EXPECT_GE(frames, std::min<uint64_t>(3, (limit - headers) / 16384));
            if (limit >= size) {
                EXPECT_EQ(frames, 8u);
            }
            before = frames;
        }
    });
    ::unsetenv("ZRKIMAGE_AVI_SEGMENT_BYTES");
}

TEST(AviExport, TargetsThatAreNoRegularFileAreRefusedAtOnceAndLeftAsTheyWere) {
    Clip clip(64, 8, 2);
    const std::string fifo = clip.dir.file("pipe.avi"), fifoLink = clip.dir.file("pipe-link.avi"),
                      folder = clip.dir.file("folder.avi"), nullLink = clip.dir.file("null-link.bmp");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink(fifo, fifoLink);
    std::filesystem::create_directory(folder);
    std::filesystem::create_symlink("/dev/null", nullLink);
    for (const std::string& target : {fifo, fifoLink, folder, std::string("/dev/null"), nullLink}) {
        SCOPED_TRACE(target);
        const auto kind = std::filesystem::symlink_status(target).type();
        // In a child, so that a target that blocks fails the test instead of hanging it.
        EXPECT_EQ(inChild([&] {
                      int16_t status = -1;
                      return CombRGB_AVI(nullptr, clip.data.c_str(), target.c_str(), 64, 8, nullptr, 32, 0, 1,
                                         20, &status) == 0
                                 ? status
                                 : 100;
                  }),
                  ZRK_STATUS_AVI_OPEN);
        EXPECT_EQ(inChild([&] {
                      int16_t status = -1;
                      return CombRGB_File(clip.data.c_str(), target.c_str(), 64, 8, nullptr, 32, 0,
                                          &status) == 0
                                 ? status
                                 : 100;
                  }),
                  ZRK_STATUS_WRITE);
        EXPECT_EQ(std::filesystem::symlink_status(target).type(), kind);
    }
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}
