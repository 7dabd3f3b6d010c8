// A whole camera memory as one movie: 2,047 frames of 512 x 512 (a 537 MB data file, a 1.6 GB AVI in
// the extended form), written and read back to its last frame by our walk and by ffprobe / ffmpeg.
// Everything streams: neither file is ever held in memory, and both are removed at the end.
#include <gtest/gtest.h>

#include <fstream>
#include <sys/resource.h>

#include "tests/imagelib/avi_reader.h"
#include "tests/imagelib/ffmpeg_reader.h"
#include "tests/imagelib/test_support.h"

using namespace testsupport;

namespace {

long maxResidentKb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

TEST(FullMemoryMovie, TwoThousandFortySevenFramesPlayToTheLast) {
    constexpr unsigned kFrames = 2047, kSide = 512, kRate = 30;
    TempDir dir;
    const std::string data = dir.file("memory.dat"), avi = dir.file("memory.avi"), bmp = dir.file("last.bmp");
    {
        auto record = frameRecord(kSide, kSide, 0, 150, 128, 110, 100);
        fillPattern(record, 1);
        const std::size_t recordBytes = record.size() - 8;
        std::ofstream out(data, std::ios::binary);
        writeDataHeaders(out, kFrames, int64_t{kFrames} * static_cast<int64_t>(recordBytes));
        for (unsigned i = 0; i < kFrames; ++i) {
            record[30] = static_cast<uint8_t>(i); // real frame number
            record[31] = static_cast<uint8_t>(i >> 8);
            for (unsigned k = 0; k < 64; ++k) // a band that tells the frames apart
                record[128 + 1000 + k * 517] = static_cast<uint8_t>(i * 7 + k);
            out.write(reinterpret_cast<const char*>(record.data()),
                      static_cast<std::streamsize>(recordBytes));
        }
        ASSERT_TRUE(out.good());
    }

    const long residentBefore = maxResidentKb();
    uint32_t reports = 0, lastDone = 0;
    struct Counter {
        uint32_t* reports;
        uint32_t* lastDone;
    } counter{&reports, &lastDone};
    ZRK_PROGRESS progress{&counter, [](void* c, uint32_t done, uint32_t) -> int32_t {
                              auto* x = static_cast<Counter*>(c);
                              ++*x->reports;
                              *x->lastDone = done;
                              return 0;
                          }};
    int16_t status = -1;
    ASSERT_EQ(CombRGB_AVI(&progress, data.c_str(), avi.c_str(), kSide, kSide, nullptr, 32, 0, kFrames - 1,
                          kRate, &status),
              1);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(reports, kFrames + 1);
    EXPECT_EQ(lastDone, kFrames);
    EXPECT_LT(maxResidentKb() - residentBefore, 8 * 1024) << "memory grew during the run";

    const AviFacts f = walkAvi(avi);
    ASSERT_EQ(f.error, "");
    EXPECT_EQ(f.riffSegments, 2u); // 1.6 GB: the first gigabyte, then one extended segment
    EXPECT_EQ(f.superEntries, 2u);
    EXPECT_EQ(f.indexedByIx00, kFrames);
    EXPECT_EQ(f.dmlhFrames, kFrames);
    EXPECT_EQ(f.length, kFrames);
    EXPECT_EQ(f.idx1Entries, f.avihFrames);
    ASSERT_EQ(f.framePositions.size(), kFrames);

    const auto probe = probeVideo(avi);
    ASSERT_FALSE(probe.empty());
    EXPECT_EQ(probe.at("nb_read_packets"), std::to_string(kFrames));
    EXPECT_EQ(probe.at("width"), "512");

    int16_t bmpStatus = -1;
    ASSERT_EQ(CombRGB_File(data.c_str(), bmp.c_str(), kSide, kSide, nullptr, 32, kFrames - 1, &bmpStatus), 1);
    const auto file = readFile(bmp);
    const std::vector<uint8_t> last(file.begin() + 54, file.end());
    EXPECT_EQ(aviFrame(avi, f, kFrames - 1), last);
    EXPECT_EQ(decodeFrame(avi, kFrames - 1, kRate), topDown(last.data(), kSide, kSide));
}
