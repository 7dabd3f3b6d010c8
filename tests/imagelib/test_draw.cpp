// Drawing onto a surface: target checks, 1:1 placement and smooth scaling.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "imagelib/src/draw.h"
#include "imagelib/src/kernel_select.h"

using namespace zrk::image;

namespace {

struct Surface {
    std::vector<uint32_t> pixels;
    ZRK_SURFACE s;
    Surface(int w, int h, int strideWords = 0) {
        const int stride = strideWords ? strideWords : w;
        pixels.assign(static_cast<std::size_t>(stride) * h, 0xDEADBEEF);
        s = {reinterpret_cast<uint8_t*>(pixels.data()), w, h, stride * 4};
    }
    uint32_t at(int x, int y) const { return pixels[y * (s.stride / 4) + x]; }
};

struct Bitmap {
    unsigned w, h;
    std::vector<uint8_t> bytes;
    Bitmap(unsigned w_, unsigned h_) : w(w_), h(h_), bytes(3 * w_ * h_, 0) {}
    // Picture pixel (x, y) from the top.
    void set(unsigned x, unsigned y, uint8_t b, uint8_t g, uint8_t r) {
        uint8_t* p = &bytes[(h - 1 - y) * 3 * w + 3 * x];
        p[0] = b;
        p[1] = g;
        p[2] = r;
    }
    BitmapView view() const { return {bytes.data(), w, h, 3 * std::size_t{w}}; }
};

std::vector<uint16_t> spans(70000), weights(70000);
std::vector<uint32_t> rowSums(9 * 1100);
// With room for row sums the scaler filters each axis once; without, it sums every pixel directly.
const ScaleScratch kScratch{spans.data(),   spans.size(),   weights.data(),
                            weights.size(), rowSums.data(), rowSums.size()};
const ScaleScratch kDirect{spans.data(), spans.size(), weights.data(), weights.size()};

} // namespace

TEST(DrawTarget, StatusForEveryUnusableSurfaceOrSize) {
    Surface big(600, 600);
    EXPECT_EQ(checkDrawTarget(&big.s, 512, 512, 512, 512), ZRK_STATUS_OK);
    EXPECT_EQ(checkDrawTarget(&big.s, 512, 512, 113, 113), ZRK_STATUS_OK);
    EXPECT_EQ(checkDrawTarget(&big.s, 512, 512, 0, 113), ZRK_STATUS_SCALE);
    EXPECT_EQ(checkDrawTarget(&big.s, 512, 512, 113, -4), ZRK_STATUS_SCALE);
    EXPECT_EQ(checkDrawTarget(&big.s, 512, 512, 601, 100), ZRK_STATUS_SURFACE);
    EXPECT_EQ(checkDrawTarget(&big.s, 512, 512, 100, 601), ZRK_STATUS_SURFACE);
    EXPECT_EQ(checkDrawTarget(nullptr, 512, 512, 512, 512), ZRK_STATUS_SURFACE);
    Surface small(256, 512);
    EXPECT_EQ(checkDrawTarget(&small.s, 512, 512, 512, 512), ZRK_STATUS_SURFACE); // 1:1 does not fit
    Surface narrowStride(100, 10);
    narrowStride.s.stride = 396;
    EXPECT_EQ(checkDrawTarget(&narrowStride.s, 8, 2, 8, 2), ZRK_STATUS_SURFACE);
    narrowStride.s.stride = 402;
    EXPECT_EQ(checkDrawTarget(&narrowStride.s, 8, 2, 8, 2), ZRK_STATUS_SURFACE);
    Surface nothing(0, 0);
    EXPECT_EQ(checkDrawTarget(&nothing.s, 8, 2, 8, 2), ZRK_STATUS_SURFACE);
}

TEST(DrawOneToOne, TopPictureRowGoesToSurfaceRowZeroAsRgb32) {
    Bitmap b(8, 4);
    b.set(0, 0, 0x11, 0x22, 0x33);
    b.set(7, 3, 0x44, 0x55, 0x66);
    Surface s(10, 6, 12);
    ASSERT_EQ(drawBitmap(b.view(), s.s, 8, 4, kScratch, kernelsFor(KernelChoice::Best)), ZRK_STATUS_OK);
    EXPECT_EQ(s.at(0, 0), 0xff332211u);
    EXPECT_EQ(s.at(7, 3), 0xff665544u);
    EXPECT_EQ(s.at(1, 0), 0xff000000u);
    EXPECT_EQ(s.at(8, 0), 0xDEADBEEFu); // outside the picture: untouched
    EXPECT_EQ(s.at(0, 4), 0xDEADBEEFu);
}

TEST(DrawOneToOne, EveryKernelConvertsRowsOfAnyLengthAlike) {
    std::mt19937 rng(5);
    std::vector<uint8_t> bgr(3 * 530);
    for (auto& v : bgr)
        v = static_cast<uint8_t>(rng());
    for (unsigned n : {0u, 1u, 15u, 16u, 17u, 33u, 200u, 512u, 530u}) {
        std::vector<uint8_t> expected(4 * n + 4, 0x77);
        bgrToRgb32Portable(bgr.data(), n, expected.data());
        for (KernelChoice c : {KernelChoice::PackedSse2, KernelChoice::PackedAvx2, KernelChoice::Scalar}) {
            std::vector<uint8_t> out(4 * n + 4, 0x77);
            kernelsFor(c).bgrToRgb32(bgr.data(), n, out.data());
            EXPECT_EQ(out, expected) << kernelsFor(c).name << " " << n;
        }
    }
    uint8_t one[4];
    const uint8_t pixel[3] = {1, 2, 3};
    bgrToRgb32Portable(pixel, 1, one);
    uint32_t v;
    std::memcpy(&v, one, 4);
    EXPECT_EQ(v, 0xff030201u);
}

TEST(DrawScaled, UniformPicturesStayUniformAtAnySize) {
    Bitmap b(512, 512);
    for (unsigned y = 0; y < 512; ++y)
        for (unsigned x = 0; x < 512; ++x)
            b.set(x, y, 10, 120, 250);
    for (auto [dw, dh] : {std::pair{113, 113}, std::pair{1, 1}, std::pair{1024, 1024}, std::pair{700, 90},
                          std::pair{511, 512}}) {
        Surface s(1100, 1100);
        ASSERT_EQ(drawBitmap(b.view(), s.s, static_cast<int16_t>(dw), static_cast<int16_t>(dh), kScratch,
                             kernelsFor(KernelChoice::Best)),
                  ZRK_STATUS_OK);
        for (int y = 0; y < dh; y += 7)
            for (int x = 0; x < dw; x += 7)
                ASSERT_EQ(s.at(x, y), 0xfffa780au) << dw << "x" << dh << " at " << x << "," << y;
        EXPECT_EQ(s.at(dw, 0), 0xDEADBEEFu);
        EXPECT_EQ(s.at(0, dh), 0xDEADBEEFu);
    }
}

TEST(DrawScaled, ShrinkingAveragesInsteadOfAliasing) {
    Bitmap b(512, 512); // one-pixel checkerboard of black and white
    for (unsigned y = 0; y < 512; ++y)
        for (unsigned x = 0; x < 512; ++x)
            if ((x + y) % 2) b.set(x, y, 255, 255, 255);
    Surface s(113, 113);
    ASSERT_EQ(drawBitmap(b.view(), s.s, 113, 113, kScratch, kernelsFor(KernelChoice::Best)), ZRK_STATUS_OK);
    for (int y = 0; y < 113; ++y)
        for (int x = 0; x < 113; ++x) {
            const int green = (s.at(x, y) >> 8) & 0xff;
            ASSERT_NEAR(green, 127, 20) << x << "," << y;
        }
}

TEST(DrawScaled, EnlargingInterpolatesBetweenNeighbours) {
    Bitmap b(8, 2);
    for (unsigned x = 4; x < 8; ++x)
        b.set(x, 0, 0, 200, 0), b.set(x, 1, 0, 200, 0);
    Surface s(16, 4);
    ASSERT_EQ(drawBitmap(b.view(), s.s, 16, 4, kScratch, kernelsFor(KernelChoice::Best)), ZRK_STATUS_OK);
    auto green = [&](int x) { return static_cast<int>((s.at(x, 1) >> 8) & 0xff); };
    EXPECT_EQ(green(0), 0);
    EXPECT_EQ(green(15), 200);
    EXPECT_EQ(green(7), 50); // a quarter of the way across the step
    EXPECT_EQ(green(8), 150);
}

TEST(DrawScaled, BothScalingPathsGiveTheSamePixels) {
    std::mt19937 rng(9);
    Bitmap b(200, 200);
    for (auto& v : b.bytes)
        v = static_cast<uint8_t>(rng());
    for (auto [dw, dh] : {std::pair{113, 113}, std::pair{400, 400}, std::pair{1000, 37}, std::pair{7, 900}}) {
        Surface a(1000, 1000), c(1000, 1000);
        ASSERT_EQ(drawBitmap(b.view(), a.s, static_cast<int16_t>(dw), static_cast<int16_t>(dh), kScratch,
                             kernelsFor(KernelChoice::Best)),
                  ZRK_STATUS_OK);
        ASSERT_EQ(drawBitmap(b.view(), c.s, static_cast<int16_t>(dw), static_cast<int16_t>(dh), kDirect,
                             kernelsFor(KernelChoice::Best)),
                  ZRK_STATUS_OK);
        EXPECT_EQ(a.pixels, c.pixels) << dw << "x" << dh;
    }
    // Too little room for row sums falls back to the direct path instead of failing.
    Surface d(1000, 1000);
    const ScaleScratch small{spans.data(), spans.size(), weights.data(), weights.size(), rowSums.data(), 8};
    EXPECT_EQ(drawBitmap(b.view(), d.s, 1000, 37, small, kernelsFor(KernelChoice::Best)), ZRK_STATUS_OK);
}

TEST(DrawScaled, TooLittleScratchIsAScalingFailure) {
    Bitmap b(8, 2);
    std::vector<uint16_t> tiny(4);
    Surface s(100, 100);
    EXPECT_EQ(drawBitmap(b.view(), s.s, 100, 100, {tiny.data(), tiny.size(), tiny.data(), tiny.size()},
                         kernelsFor(KernelChoice::Best)),
              ZRK_STATUS_SCALE);
    EXPECT_EQ(drawBitmap(b.view(), s.s, -3, 100, kScratch, kernelsFor(KernelChoice::Best)), ZRK_STATUS_SCALE);
}

TEST(DrawScaled, DoublingGivesTheGeneralScalersPixels) {
    std::mt19937 rng(21);
    // The live picture's 200 x 200, the player's sizes, and the smallest and narrowest pictures (one
    // pixel: only the outermost destination pixels; odd widths: the vector body's tail).
    for (auto [w, h] : {std::pair{200u, 200u}, std::pair{256u, 256u}, std::pair{512u, 256u},
                        std::pair{1u, 1u}, std::pair{2u, 1u}, std::pair{3u, 5u}, std::pair{5u, 2u},
                        std::pair{8u, 2u}, std::pair{9u, 3u}, std::pair{13u, 4u}}) {
        Bitmap b(w, h);
        for (auto& v : b.bytes)
            v = static_cast<uint8_t>(rng());
        b.bytes.front() = b.bytes.back() = 255;
        Surface general(1030, 520);
        ASSERT_EQ(drawScaled(b.view(), general.s, 2 * w, 2 * h, kScratch), ZRK_STATUS_OK);
        for (KernelChoice choice :
             {KernelChoice::Scalar, KernelChoice::PackedSse2, KernelChoice::PackedAvx2}) {
            Surface doubled(1030, 520);
            ASSERT_TRUE(drawDoubled(b.view(), doubled.s, kernelsFor(choice)));
            ASSERT_EQ(doubled.pixels, general.pixels) << kernelsFor(choice).name << " " << w << "x" << h;
        }
    }
}
