// Entry points on data files: record reading rules, statuses, and the bitmap file's bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/imagelib/reference.h"
#include "tests/imagelib/test_support.h"

using namespace testsupport;

namespace {

std::vector<std::vector<uint8_t>> numberedRecords(unsigned w, unsigned h, unsigned count) {
    std::vector<std::vector<uint8_t>> records;
    for (unsigned i = 0; i < count; ++i) {
        auto r = frameRecord(w, h, 0, 140, 128, 110, 90);
        fillPattern(r, i);
        r[30] = static_cast<uint8_t>(i); // real frame number
        records.push_back(std::move(r));
    }
    return records;
}

int32_t play(const std::string& path, int32_t w, int32_t h, int32_t index, int16_t& status,
             ZRK_FRAME_HEADER* header = nullptr, int32_t offset = 32) {
    Surface s(512, 512);
    return CombRGB_Play(&s.s, path.c_str(), w, h, w, h, nullptr, header, offset, index, &status);
}

off_t fileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

} // namespace

TEST(PlayEntry, ReadsTheRequestedRecordAndDrawsIt) {
    TempDir dir;
    const std::string path = dir.file("clip.dat");
    const auto records = numberedRecords(256, 256, 4);
    writeDataFile(path, records);
    Surface s(256, 256);
    ZRK_FRAME_HEADER header{};
    int16_t status = 99;
    // Frame 3 of a 256 x 256 file starts at 32 + 3 * 65664.
    ASSERT_EQ(CombRGB_Play(&s.s, path.c_str(), 256, 256, 256, 256, nullptr, &header, 32, 3, &status), 1);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(header.realFrame, 3);
    const std::vector<uint8_t> raw(records[3].begin() + 128, records[3].end() - 8);
    const auto expected = ref::reconstruct(raw, 256, 256, ref::Form::Packed, {110, 128, 140, 90, 0, 0});
    const uint8_t* centre = &expected[(255 - 100) * 768 + 3 * 100];
    EXPECT_EQ(s.at(100, 100), 0xff000000u | centre[2] << 16 | centre[1] << 8 | centre[0]);
}

TEST(PlayEntry, ARecordEndingAtTheFileEndIsReadAndOneByteShortIsNot) {
    TempDir dir;
    const std::string path = dir.file("clip.dat");
    writeDataFile(path, numberedRecords(200, 200, 2));
    int16_t status = 0;
    EXPECT_EQ(play(path, 200, 200, 1, status), 1);
    ASSERT_EQ(::truncate(path.c_str(), fileSize(path) - 1), 0);
    EXPECT_EQ(play(path, 200, 200, 1, status), 0);
    EXPECT_EQ(status, ZRK_STATUS_READ);
    EXPECT_EQ(play(path, 200, 200, 0, status), 1);
    EXPECT_EQ(play(path, 200, 200, 2, status), 0);
    EXPECT_EQ(status, ZRK_STATUS_READ);
}

TEST(PlayEntry, WrongMagicIsStatus5) {
    TempDir dir;
    const std::string path = dir.file("clip.dat");
    auto records = numberedRecords(64, 8, 2);
    records[1][0] = 'X';
    writeDataFile(path, records);
    int16_t status = 0;
    EXPECT_EQ(play(path, 64, 8, 1, status), 0);
    EXPECT_EQ(status, ZRK_STATUS_MAGIC);
    EXPECT_EQ(play(path, 64, 8, 0, status), 1);
    EXPECT_EQ(status, 0);
    // The wrong size makes record 1 start inside record 0's pixels.
    EXPECT_EQ(play(path, 64, 6, 1, status), 0);
    EXPECT_EQ(status, ZRK_STATUS_MAGIC);
}

TEST(PlayEntry, FilesThatCannotBeReadAreStatus1) {
    TempDir dir;
    int16_t status = 0;
    EXPECT_EQ(play(dir.file("missing.dat"), 64, 8, 0, status), 0);
    EXPECT_EQ(status, ZRK_STATUS_READ);
    EXPECT_EQ(play(dir.file(""), 64, 8, 0, status), 0); // a folder
    EXPECT_EQ(status, ZRK_STATUS_READ);
    const std::string fifo = dir.file("pipe.dat");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(play(fifo, 64, 8, 0, status), 0); // returns at once instead of waiting for a writer
    EXPECT_EQ(status, ZRK_STATUS_READ);
    Surface s(64, 8);
    EXPECT_EQ(CombRGB_Play(&s.s, nullptr, 64, 8, 64, 8, nullptr, nullptr, 32, 0, &status), 0);
    EXPECT_EQ(status, ZRK_STATUS_READ);
}

TEST(PlayEntry, FilesOf4GiBOrMoreAreRefused) {
    TempDir dir;
    const std::string path = dir.file("huge.dat");
    writeDataFile(path, numberedRecords(64, 8, 1));
    ASSERT_EQ(::truncate(path.c_str(), off_t{1} << 32), 0); // sparse: no disk space used
    int16_t status = 0;
    EXPECT_EQ(play(path, 64, 8, 0, status), 0);
    EXPECT_EQ(status, ZRK_STATUS_READ);
    ASSERT_EQ(::truncate(path.c_str(), (off_t{1} << 32) - 1), 0);
    EXPECT_EQ(play(path, 64, 8, 0, status), 1);
}

TEST(PlayEntry, PositionsPastThe32BitRangeAreStatus1) {
    TempDir dir;
    const std::string path = dir.file("clip.dat");
    writeDataFile(path, numberedRecords(512, 512, 1));
    const std::pair<int32_t, int32_t> offsetAndIndex[] = {
        {32, 0x7fffffff}, {32, -1}, {-1, 0}, {32, 16384}, {static_cast<int32_t>(0x80000000), 0}};
    for (auto [offset, index] : offsetAndIndex) {
        int16_t status = 0;
        EXPECT_EQ(play(path, 512, 512, index, status, nullptr, offset), 0) << offset << " " << index;
        EXPECT_EQ(status, ZRK_STATUS_READ);
    }
}

TEST(PlayEntry, UnsupportedSizesAreStatus1AndDisplayProblemsComeAfterTheRead) {
    TempDir dir;
    const std::string path = dir.file("clip.dat");
    writeDataFile(path, numberedRecords(64, 8, 1));
    int16_t status = 0;
    for (auto [w, h] : {std::pair{0, 8}, std::pair{60, 8}, std::pair{64, 7}, std::pair{1024, 8}}) {
        EXPECT_EQ(play(path, w, h, 0, status), 0);
        EXPECT_EQ(status, ZRK_STATUS_READ);
    }
    Surface s(64, 8);
    ZRK_FRAME_HEADER header{};
    EXPECT_EQ(CombRGB_Play(&s.s, path.c_str(), 64, 8, 0, 8, nullptr, &header, 32, 0, &status), 0);
    EXPECT_EQ(status, ZRK_STATUS_SCALE);
    EXPECT_EQ(header.magic[0], 'Z'); // the header was delivered before the drawing failed
    EXPECT_EQ(CombRGB_Play(&s.s, path.c_str(), 64, 8, 128, 16, nullptr, nullptr, 32, 0, &status), 0);
    EXPECT_EQ(status, ZRK_STATUS_SURFACE);
    EXPECT_TRUE(s.untouched());
}

TEST(FileEntry, WritesA54ByteHeaderAndTheBottomUpPixels) {
    TempDir dir;
    const std::string data = dir.file("clip.dat"), bmp = dir.file("00001.bmp");
    const auto records = numberedRecords(256, 256, 2);
    writeDataFile(data, records);
    const ZRK_ENHANCE sharpen{1, 100};
    int16_t status = 99;
    ASSERT_EQ(CombRGB_File(data.c_str(), bmp.c_str(), 256, 256, &sharpen, 32, 1, &status), 1);
    EXPECT_EQ(status, 0);
    const auto bytes = readFile(bmp);
    ASSERT_EQ(bytes.size(), 768u * 256u + 54u);
    const uint8_t header[54] = {
        'B', 'M', 0x36, 0x00, 0x03, 0x00, 0, 0, 0,    0,    54, 0, 0, 0, // file header
        40,  0,   0,    0,    0x00, 0x01, 0, 0, 0x00, 0x01, 0,  0,       // size, width, height
        1,   0,   24,   0,    0,    0,    0, 0, 0,    0,    0,  0,       // planes, bits, ...
        0,   0,   0,    0,    0,    0,    0, 0, 0,    0,    0,  0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(bytes.data(), header, 54), 0);
    const std::vector<uint8_t> raw(records[1].begin() + 128, records[1].end() - 8);
    const auto expected = ref::reconstruct(raw, 256, 256, ref::Form::Packed, {110, 128, 140, 90, 1, 100});
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes.begin() + 54));
}

TEST(FileEntry, AnOlderLongerFileIsCutToTheNewLength) {
    TempDir dir;
    const std::string data = dir.file("clip.dat"), bmp = dir.file("00000.bmp");
    writeDataFile(data, numberedRecords(200, 200, 1));
    {
        std::vector<uint8_t> old(1 << 20, 0xAB);
        const int fd = ::open(bmp.c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, old.data(), old.size()), static_cast<ssize_t>(old.size()));
        ::close(fd);
    }
    int16_t status = 0;
    ASSERT_EQ(CombRGB_File(data.c_str(), bmp.c_str(), 200, 200, nullptr, 32, 0, &status), 1);
    EXPECT_EQ(fileSize(bmp), 600 * 200 + 54);
}

TEST(FileEntry, FailuresWriteNothingAndSayWhy) {
    TempDir dir;
    const std::string data = dir.file("clip.dat"), bmp = dir.file("out.bmp");
    auto records = numberedRecords(64, 8, 2);
    records[1][1] = 0;
    writeDataFile(data, records);
    int16_t status = 0;
    EXPECT_EQ(
        CombRGB_File(data.c_str(), dir.file("no/such/folder.bmp").c_str(), 64, 8, nullptr, 32, 0, &status),
        0);
    EXPECT_EQ(status, ZRK_STATUS_WRITE);
    EXPECT_EQ(CombRGB_File(data.c_str(), nullptr, 64, 8, nullptr, 32, 0, &status), 0);
    EXPECT_EQ(status, ZRK_STATUS_WRITE);
    EXPECT_EQ(CombRGB_File(data.c_str(), bmp.c_str(), 64, 8, nullptr, 32, 1, &status), 0);
    EXPECT_EQ(status, ZRK_STATUS_MAGIC);
    EXPECT_EQ(CombRGB_File(data.c_str(), bmp.c_str(), 64, 8, nullptr, 32, 2, &status), 0);
    EXPECT_EQ(status, ZRK_STATUS_READ);
    EXPECT_EQ(CombRGB_File(data.c_str(), bmp.c_str(), 66, 8, nullptr, 32, 0, &status), 0);
    EXPECT_EQ(status, ZRK_STATUS_READ);
    EXPECT_EQ(fileSize(bmp), -1);
}
