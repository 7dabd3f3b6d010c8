// Entry points on frames held in memory: pictures, statuses, argument checks, WriteImageBuf.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "tests/imagelib/reference.h"
#include "tests/imagelib/test_support.h"

using namespace testsupport;

namespace {

std::vector<uint8_t> rawOf(const std::vector<uint8_t>& record, unsigned w, unsigned h) {
    return {record.begin() + ZRK_FRAME_HEADER_SIZE, record.begin() + ZRK_FRAME_HEADER_SIZE + w * h};
}

// Compares a 1:1 drawing with a bottom-up 24-bit reference picture.
void expectDrawn(const Surface& s, const std::vector<uint8_t>& bitmap, unsigned w, unsigned h) {
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x) {
            const uint8_t* p = &bitmap[(h - 1 - y) * 3 * w + 3 * x];
            const uint32_t expected = 0xff000000u | p[2] << 16 | p[1] << 8 | p[0];
            ASSERT_EQ(s.at(static_cast<int>(x), static_cast<int>(y)), expected) << x << "," << y;
        }
}

int16_t green(uint32_t pixel) {
    return static_cast<int16_t>((pixel >> 8) & 0xff);
}

} // namespace

TEST(LiveEntry, DrawsOneToOneWithTheCallersGainsAndGamma) {
    auto record = frameRecord(256, 256, 0, 300, 300, 300, 40); // header values must not count
    fillPattern(record, 1);
    Surface s(300, 260);
    const uint16_t gains[3] = {200, 128, 90}; // red, green, blue
    const ZRK_ENHANCE sharpen{1, 100};
    ZRK_FRAME_HEADER header{};
    int16_t status = 99;
    ASSERT_EQ(CombRGB_Live(&s.s, record.data(), 256, 256, 256, 256, gains, 77, &sharpen, &header, &status),
              1);
    EXPECT_EQ(status, ZRK_STATUS_OK);
    EXPECT_EQ(std::memcmp(&header, record.data(), ZRK_FRAME_HEADER_SIZE), 0);
    expectDrawn(
        s, ref::reconstruct(rawOf(record, 256, 256), 256, 256, ref::Form::Packed, {90, 128, 200, 77, 1, 100}),
        256, 256);
    EXPECT_EQ(s.at(256, 0), kSentinel);
}

TEST(LiveEntry, GainsOf256AndAboveActAs255) {
    const auto record = frameRecord(64, 8, 100, 300, 300, 300);
    Surface s(64, 8);
    int16_t status = 0;
    const uint16_t unity[3] = {128, 128, 128}, high[3] = {300, 128, 256};
    ASSERT_EQ(CombRGB_Live(&s.s, record.data(), 64, 8, 64, 8, unity, 100, nullptr, nullptr, &status), 1);
    EXPECT_EQ(s.at(5, 4), 0xff646464u);
    ASSERT_EQ(CombRGB_Live(&s.s, record.data(), 64, 8, 64, 8, high, 100, nullptr, nullptr, &status), 1);
    EXPECT_EQ(s.at(5, 4), 0xffc764c7u); // 100 * 255 >> 7 = 199
}

TEST(LiveEntry, ReadsNothingBeyondTheFrame) {
    // The program's buffers hold one record of the largest size and nothing more: under the address
    // sanitizer any read past the raw frame would stop this test.
    for (auto [w, h] : {std::pair{512, 512}, std::pair{200, 200}, std::pair{8, 2}}) {
        auto record = frameRecord(w, h, 33);
        record.resize(ZRK_FRAME_HEADER_SIZE + std::size_t(w) * h);
        record.shrink_to_fit();
        Surface s(w, h);
        const uint16_t gains[3] = {128, 128, 128};
        const ZRK_ENHANCE sharpen{1, 100};
        int16_t status = 0;
        EXPECT_EQ(CombRGB_Live(&s.s, record.data(), w, h, w, h, gains, 60, &sharpen, nullptr, &status), 1);
    }
}

TEST(ThumbNailEntry, TakesGainsAndGammaFromTheFrameHeader) {
    auto record = frameRecord(200, 200, 0, 300, 128, 64, 50);
    fillPattern(record, 2);
    Surface s(200, 200);
    int16_t status = 99;
    ASSERT_EQ(CombRGB_ThumbNail(&s.s, record.data(), 200, 200, 200, 200, nullptr, nullptr, &status), 1);
    EXPECT_EQ(status, 0);
    expectDrawn(
        s, ref::reconstruct(rawOf(record, 200, 200), 200, 200, ref::Form::Packed, {64, 128, 255, 50, 0, 0}),
        200, 200);
}

TEST(BufferedEntries, WrongMagicIsStatus5AndTheHeaderIsStillCopied) {
    auto record = frameRecord(64, 8, 50);
    record[3] = '!';
    Surface s(64, 8);
    for (int entry = 0; entry < 2; ++entry) {
        ZRK_FRAME_HEADER header{};
        int16_t status = 0;
        const int32_t result =
            entry == 0
                ? CombRGB_Live(&s.s, record.data(), 64, 8, 64, 8, nullptr, 100, nullptr, &header, &status)
                : CombRGB_ThumbNail(&s.s, record.data(), 64, 8, 64, 8, nullptr, &header, &status);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(status, ZRK_STATUS_MAGIC);
        EXPECT_EQ(std::memcmp(&header, record.data(), ZRK_FRAME_HEADER_SIZE), 0);
        EXPECT_TRUE(s.untouched());
    }
    int16_t status = 0;
    EXPECT_EQ(CombRGB_ThumbNail(&s.s, nullptr, 64, 8, 64, 8, nullptr, nullptr, &status), 0);
    EXPECT_EQ(status, ZRK_STATUS_MAGIC);
}

TEST(BufferedEntries, SizesThePipelineCannotTakeAreRefusedBeforeAnyRead) {
    const auto record = frameRecord(8, 2, 50); // holds an 8 x 2 frame only
    Surface s(600, 600);
    const std::pair<int32_t, int32_t> sizes[] = {{0, 2}, {7, 2},   {12, 2},    {520, 2}, {8, 0},
                                                 {8, 3}, {8, 514}, {65535, 2}, {-8, 2},  {512, 65534}};
    for (auto [w, h] : sizes) {
        int16_t status = 0;
        EXPECT_EQ(CombRGB_ThumbNail(&s.s, record.data(), w, h, w, h, nullptr, nullptr, &status), 0)
            << w << "x" << h;
        EXPECT_EQ(status, ZRK_STATUS_SURFACE);
        EXPECT_EQ(CombRGB_Live(&s.s, record.data(), w, h, 100, 100, nullptr, 100, nullptr, nullptr, &status),
                  0);
        EXPECT_EQ(status, ZRK_STATUS_SURFACE);
    }
    EXPECT_TRUE(s.untouched());
    // Only the low 16 bits of a size count.
    int16_t status = 0;
    EXPECT_EQ(CombRGB_ThumbNail(&s.s, record.data(), 0x10008, 0x20002, 8, 2, nullptr, nullptr, &status), 1);
}

TEST(BufferedEntries, DisplaySizesAndSurfacesThatCannotBeUsed) {
    const auto record = frameRecord(64, 8, 90);
    struct Case {
        int surfaceW, surfaceH;
        int32_t dispW, dispH;
        int16_t status;
    };
    const Case cases[] = {
        {64, 8, 0, 8, ZRK_STATUS_SCALE},       {64, 8, 32, -1, ZRK_STATUS_SCALE},
        {64, 8, 65, 8, ZRK_STATUS_SURFACE},    {64, 8, 32, 9, ZRK_STATUS_SURFACE},
        {63, 8, 64, 8, ZRK_STATUS_SURFACE},    {64, 7, 64, 8, ZRK_STATUS_SURFACE},
        {64, 8, 0x10000, 8, ZRK_STATUS_SCALE}, // low 16 bits: 0
    };
    for (const Case& c : cases) {
        Surface s(c.surfaceW, c.surfaceH);
        int16_t status = 0;
        EXPECT_EQ(CombRGB_ThumbNail(&s.s, record.data(), 64, 8, c.dispW, c.dispH, nullptr, nullptr, &status),
                  0);
        EXPECT_EQ(status, c.status) << c.dispW << "x" << c.dispH << " on " << c.surfaceW << "x" << c.surfaceH;
        EXPECT_TRUE(s.untouched());
    }
    Surface s(64, 8);
    ZRK_SURFACE badStride = s.s;
    badStride.stride = 64 * 4 - 4;
    int16_t status = 0;
    EXPECT_EQ(CombRGB_ThumbNail(&badStride, record.data(), 64, 8, 64, 8, nullptr, nullptr, &status), 0);
    EXPECT_EQ(status, ZRK_STATUS_SURFACE);
    EXPECT_EQ(CombRGB_ThumbNail(nullptr, record.data(), 64, 8, 64, 8, nullptr, nullptr, &status), 0);
    EXPECT_EQ(status, ZRK_STATUS_SURFACE);
}

TEST(BufferedEntries, AnyOtherDisplaySizeScalesIntoExactlyThatArea) {
    const auto record = frameRecord(512, 512, 120);
    for (auto [dw, dh] : {std::pair{113, 113}, std::pair{512, 511}, std::pair{1024, 1024}}) {
        Surface s(1030, 1030);
        int16_t status = 99;
        ASSERT_EQ(CombRGB_ThumbNail(&s.s, record.data(), 512, 512, dw, dh, nullptr, nullptr, &status), 1);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(green(s.at(dw / 2, dh / 2)), 120);
        EXPECT_EQ(s.at(dw, 0), kSentinel);
        EXPECT_EQ(s.at(0, dh), kSentinel);
        EXPECT_NE(s.at(dw - 1, dh - 1), kSentinel);
    }
}

TEST(Arithmetic, EnvironmentVariableSelectsTheScalarForm) {
    auto record = frameRecord(64, 8, 0);
    fillPattern(record, 3);
    const auto raw = rawOf(record, 64, 8);
    Surface s(64, 8);
    int16_t status = 0;
    ::setenv("ZRKIMAGE_ARITHMETIC", "scalar", 1);
    ASSERT_EQ(CombRGB_ThumbNail(&s.s, record.data(), 64, 8, 64, 8, nullptr, nullptr, &status), 1);
    expectDrawn(s, ref::reconstruct(raw, 64, 8, ref::Form::Scalar, {}), 64, 8);
    for (const char* packed : {"packed-portable", "packed-sse2", "packed-avx2", "packed"}) {
        ::setenv("ZRKIMAGE_ARITHMETIC", packed, 1);
        ASSERT_EQ(CombRGB_ThumbNail(&s.s, record.data(), 64, 8, 64, 8, nullptr, nullptr, &status), 1);
        expectDrawn(s, ref::reconstruct(raw, 64, 8, ref::Form::Packed, {}), 64, 8);
    }
    ::unsetenv("ZRKIMAGE_ARITHMETIC");
}

TEST(WriteImageBufEntry, AppendsPiecesAndReturnsTheNextPosition) {
    std::vector<uint8_t> buffer(256, 0);
    std::vector<uint8_t> piece(28, 7);
    EXPECT_EQ(WriteImageBuf(buffer.data(), 256, piece.data(), 100, 28), 128);
    EXPECT_EQ(buffer[99], 0);
    EXPECT_EQ(buffer[100], 7);
    EXPECT_EQ(buffer[127], 7);
    EXPECT_EQ(buffer[128], 0);
    EXPECT_EQ(WriteImageBuf(buffer.data(), 256, piece.data(), 228, 28), 256); // ends exactly at the end
    // Overlapping ranges copy as if through a temporary.
    for (int i = 0; i < 16; ++i)
        buffer[i] = static_cast<uint8_t>(i);
    EXPECT_EQ(WriteImageBuf(buffer.data(), 256, buffer.data(), 4, 12), 16);
    EXPECT_EQ(buffer[4], 0);
    EXPECT_EQ(buffer[15], 11);
    EXPECT_EQ(WriteImageBuf(buffer.data(), 256, nullptr, 40, 0), 40);
}

TEST(WriteImageBufEntry, PiecesThatDoNotFitCopyNothing) {
    std::vector<uint8_t> buffer(256, 0);
    std::vector<uint8_t> piece(64, 9);
    EXPECT_EQ(WriteImageBuf(buffer.data(), 256, piece.data(), 229, 28), -1);
    EXPECT_EQ(WriteImageBuf(buffer.data(), 256, piece.data(), -1, 4), -1);
    EXPECT_EQ(WriteImageBuf(buffer.data(), 256, piece.data(), 0, -4), -1);
    EXPECT_EQ(WriteImageBuf(buffer.data(), 256, piece.data(), 0x7fffffff, 1), -1);
    EXPECT_EQ(WriteImageBuf(buffer.data(), -1, piece.data(), 0, 0), -1);
    EXPECT_EQ(WriteImageBuf(nullptr, 256, piece.data(), 0, 4), -1);
    EXPECT_EQ(buffer, std::vector<uint8_t>(256, 0));
}
