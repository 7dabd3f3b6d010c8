// ReconstructFrame: every kernel against the reference, hand-computed sites, and the edge cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "imagelib/src/geometry.h"
#include "imagelib/src/kernel_select.h"
#include "imagelib/src/reconstruct.h"
#include "tests/imagelib/reference.h"

using namespace zrk::image;

namespace {

struct Frame {
    unsigned w, h;
    std::vector<uint8_t> raw;
};

Frame randomFrame(unsigned w, unsigned h, std::mt19937& rng, unsigned multipleOf = 1) {
    Frame f{w, h, std::vector<uint8_t>(w * h)};
    for (auto& v : f.raw)
        v = static_cast<uint8_t>(rng() % 256 / multipleOf * multipleOf);
    return f;
}

// Runs the library with its own working planes, which are poisoned so that reading stale bytes shows.
std::vector<uint8_t> run(const Frame& f, const RowKernels& k, const ref::Params& p = {}) {
    std::vector<uint8_t> red(kPlaneBytes + 128, 0x5A), green(kPlaneBytes + 128, 0x5A),
        blue(kPlaneBytes + 128, 0x5A), blur(3 * kPlaneBytes, 0x5A);
    std::vector<uint8_t> out(bitmapStride(f.w) * f.h, 0xEE);
    const Planes planes{red.data(),
                        green.data(),
                        blue.data(),
                        {blur.data(), blur.data() + kPlaneBytes, blur.data() + 2 * kPlaneBytes}};
    EXPECT_TRUE(reconstructFrame(f.raw.data(), out.data(), f.w, f.h, {p.blueGain, p.greenGain, p.redGain},
                                 p.gamma, {p.radius, p.strength}, planes, k));
    return out;
}

// Blue, green, red of picture pixel (x, y), y counted from the top.
std::array<int, 3> pixel(const std::vector<uint8_t>& out, unsigned w, unsigned h, unsigned x, unsigned y) {
    const std::size_t o = (h - 1 - y) * bitmapStride(w) + 3 * x;
    return {out[o], out[o + 1], out[o + 2]};
}

const KernelChoice kPackedChoices[] = {KernelChoice::PackedPortable, KernelChoice::PackedSse2,
                                       KernelChoice::PackedAvx2};

const std::pair<unsigned, unsigned> kSizes[] = {{200, 200}, {256, 256}, {512, 256}, {512, 512}, {8, 2},
                                                {8, 8},     {16, 4},    {24, 6},    {32, 10},   {40, 4},
                                                {48, 6},    {64, 2},    {72, 12},   {104, 8},   {504, 18}};

} // namespace

TEST(ReconstructKernels, EveryPackedKernelMatchesTheReferenceAcrossSizesAndSettings) {
    std::mt19937 rng(7);
    const ref::Params settings[] = {
        {},
        {200, 64, 255, 77, 0, 0},
        {128, 128, 128, 50, 1, 100},
        {10, 255, 128, 100, 1, 150},
        {128, 128, 128, 250, 2, 200},
        {128, 128, 128, 0, 1, 100},
        {128, 128, 128, 100, 1, -100},
        {0, 0, 0, 100, 3, 300},
        // The one-pass forms: gains with the curve in one table, black lifted by gamma 0 at the
        // edges, every radius of the vector unsharp mask with whole, odd, negative and huge factors,
        // and radius 4 through the staged blur behind a fused interpolation.
        {17, 255, 3, 33, 0, 0},
        {255, 0, 200, 0, 0, 0},
        {128, 128, 128, 100, 2, 150},
        {200, 100, 50, 300, 3, 100},
        {128, 128, 128, 100, 3, -250},
        {128, 128, 128, 100, 2, 32700},
        {90, 128, 160, 100, 1, -32700},
        {128, 128, 128, 100, 4, 100},
    };
    for (auto [w, h] : kSizes) {
        const Frame f = randomFrame(w, h, rng);
        for (const auto& p : settings) {
            const auto expected = ref::reconstruct(f.raw, w, h, ref::Form::Packed, p);
            for (KernelChoice choice : kPackedChoices) {
                const RowKernels& k = kernelsFor(choice);
                ASSERT_EQ(run(f, k, p), expected) << k.name << " " << w << "x" << h << " gamma " << p.gamma
                                                  << " radius " << p.radius << " strength " << p.strength;
            }
            ASSERT_EQ(run(f, kScalar, p), ref::reconstruct(f.raw, w, h, ref::Form::Scalar, p))
                << w << "x" << h << " gamma " << p.gamma;
        }
    }
}

// Interpolation of mixed odd and even values next to each other, and the sharpening of a picture of
// edges between 0 and 255 at the program's strongest setting and the byte lanes' largest factor, where
// every sum saturates at one limit or the other.
TEST(ReconstructKernels, ExtremeValuesDoNotOverflowTheByteLanes) {
    const ref::Params sharpest[] = {{}, {128, 128, 128, 100, 1, 500}, {128, 128, 128, 100, 3, 550}};
    for (uint8_t fill : {uint8_t{255}, uint8_t{254}, uint8_t{1}, uint8_t{0}}) {
        Frame f{512, 64, std::vector<uint8_t>(512 * 64, fill)};
        for (unsigned i = 0; i < f.raw.size(); i += 3)
            f.raw[i] = fill == 0 ? 255 * (i / 512 % 2) : 255;
        for (const auto& p : sharpest)
            for (KernelChoice choice : kPackedChoices)
                EXPECT_EQ(run(f, kernelsFor(choice), p),
                          ref::reconstruct(f.raw, 512, 64, ref::Form::Packed, p))
                    << kernelsFor(choice).name << " fill " << int{fill} << " strength " << p.strength;
    }
}

TEST(ReconstructSites, HandComputedPixelsAtEverySiteTypeInBothForms) {
    // Rows 1 and 2 are the only computed rows of this 8 x 4 frame.
    const Frame f{8, 4, {1, 2,   3, 7,  5,  6,  7,  8,  //
                         2, 100, 0, 9,  10, 11, 12, 13, //
                         5, 0,   7, 14, 15, 16, 17, 18, //
                         0, 0,   0, 0,  0,  0,  0,  0}};
    const auto packed = run(f, kernelsFor(KernelChoice::Best));
    const auto scalar = run(f, kScalar);
    // Red site (1,1): red = C; green from up/down/left/right = 2,0,2,0; blue from diagonals 1,3,5,7.
    EXPECT_EQ(pixel(packed, 8, 4, 1, 1), (std::array{3, 0, 100}));
    EXPECT_EQ(pixel(scalar, 8, 4, 1, 1), (std::array{4, 1, 100}));
    // Green site between reds (2,1): red from left/right 100, 9; blue from up/down 3, 7.
    EXPECT_EQ(pixel(packed, 8, 4, 2, 1), (std::array{4, 2, 54}));
    EXPECT_EQ(pixel(scalar, 8, 4, 2, 1), (std::array{5, 2, 54}));
    // Green site between blues (1,2): red from up/down 100, 0; blue from left/right 5, 7.
    EXPECT_EQ(pixel(packed, 8, 4, 1, 2), (std::array{5, 0, 50}));
    EXPECT_EQ(pixel(scalar, 8, 4, 1, 2), (std::array{6, 0, 50}));
    // Blue site (2,2): red from diagonals 100, 9, 0, 0; green from 0, 0, 0, 14.
    EXPECT_EQ(pixel(packed, 8, 4, 2, 2), (std::array{7, 3, 27}));
    EXPECT_EQ(pixel(scalar, 8, 4, 2, 2), (std::array{7, 3, 27}));
}

TEST(ReconstructForms, PackedAndScalarAgreeOnMultiplesOfFourAndDifferOnOddPairs) {
    std::mt19937 rng(11);
    for (auto [w, h] : {std::pair{200u, 200u}, std::pair{512u, 512u}, std::pair{64u, 6u}}) {
        const Frame f = randomFrame(w, h, rng, 4);
        EXPECT_EQ(run(f, kernelsFor(KernelChoice::Best)), run(f, kScalar)) << w << "x" << h;
    }
    // Even values alone are not enough: four-value means still round differently.
    const Frame evenOnly = randomFrame(64, 6, rng, 2);
    EXPECT_NE(run(evenOnly, kernelsFor(KernelChoice::Best)), run(evenOnly, kScalar));

    // A green site between reds with left = 1, right = 3: packed red 0 + 1 = 1, scalar (1 + 3) / 2 = 2.
    Frame f{8, 4, std::vector<uint8_t>(32, 0)};
    f.raw[1 * 8 + 1] = 1;
    f.raw[1 * 8 + 3] = 3;
    EXPECT_EQ(pixel(run(f, kernelsFor(KernelChoice::Best)), 8, 4, 2, 1)[2], 1);
    EXPECT_EQ(pixel(run(f, kScalar), 8, 4, 2, 1)[2], 2);
}

TEST(ReconstructEdges, BlackFrameStaysBlackWhateverTheSettings) {
    const Frame f{256, 256, std::vector<uint8_t>(256 * 256, 0)};
    for (const ref::Params& p :
         {ref::Params{255, 255, 255, 100, 0, 0}, ref::Params{128, 128, 128, 30, 1, 300},
          ref::Params{255, 0, 255, 250, 2, 100}})
        for (const RowKernels* k : {&kernelsFor(KernelChoice::Best), &kScalar}) {
            const auto out = run(f, *k, p);
            EXPECT_EQ(std::count(out.begin(), out.end(), 0), static_cast<long>(out.size()));
        }
}

TEST(ReconstructEdges, UniformFrameKeepsItsValueInsideAndBlackBorder) {
    const Frame f{200, 200, std::vector<uint8_t>(200 * 200, 200)};
    for (const RowKernels* k : {&kernelsFor(KernelChoice::Best), &kScalar}) {
        const auto out = run(f, *k);
        ASSERT_EQ(out.size(), 600u * 200u); // stride of 600 bytes
        for (unsigned y = 0; y < 200; ++y)
            for (unsigned x = 0; x < 200; ++x) {
                const bool border = x == 0 || y == 0 || x == 199 || y == 199;
                const int v = border ? 0 : 200;
                ASSERT_EQ(pixel(out, 200, 200, x, y), (std::array{v, v, v})) << x << "," << y;
            }
    }
}

TEST(ReconstructEdges, GainsLimitAt255AndBorderStaysBlackWithGammaAndSharpening) {
    const Frame f{256, 256, std::vector<uint8_t>(256 * 256, 200)};
    ref::Params p{255, 64, 128, 100, 0, 0};
    auto out = run(f, kernelsFor(KernelChoice::Best), p);
    EXPECT_EQ(out.size(), 768u * 256u);
    EXPECT_EQ(pixel(out, 256, 256, 5, 5), (std::array{255, 100, 200})); // 200*255>>7 = 398 -> 255
    p = {128, 128, 128, 40, 1, 200};
    out = run(f, kernelsFor(KernelChoice::Best), p);
    for (unsigned i = 0; i < 256; ++i)
        for (auto [x, y] : {std::pair{i, 0u}, std::pair{i, 255u}, std::pair{0u, i}, std::pair{255u, i}})
            ASSERT_EQ(pixel(out, 256, 256, x, y), (std::array{0, 0, 0}));
}

TEST(ReconstructEdges, UnsupportedSizesAreRefusedWithoutTouchingMemory) {
    std::vector<uint8_t> raw(16, 1), out(16, 0xEE), plane(16, 0xEE);
    const Planes planes{plane.data(), plane.data(), plane.data(), {plane.data(), plane.data(), plane.data()}};
    for (auto [w, h] : {std::pair{0u, 2u}, std::pair{8u, 0u}, std::pair{12u, 2u}, std::pair{8u, 3u},
                        std::pair{520u, 2u}, std::pair{8u, 514u}, std::pair{65535u, 65535u}}) {
        EXPECT_FALSE(reconstructFrame(raw.data(), out.data(), w, h, {128, 128, 128}, 50, {1, 100}, planes,
                                      kernelsFor(KernelChoice::Best)));
        EXPECT_EQ(out, std::vector<uint8_t>(16, 0xEE));
    }
}

TEST(ReconstructEdges, OutputMayShareMemoryWithTheBlurPlanes) {
    std::mt19937 rng(3);
    const Frame f = randomFrame(512, 512, rng);
    const ref::Params p{100, 150, 200, 80, 1, 200};
    std::vector<uint8_t> red(kPlaneBytes), green(kPlaneBytes), blue(kPlaneBytes);
    std::vector<uint8_t> bitmap(kBitmapHeaderSize + kMaxPixelBytes);
    uint8_t* pixels = bitmap.data() + kBitmapHeaderSize;
    const Planes planes{
        red.data(), green.data(), blue.data(), {pixels, pixels + kPlaneBytes, pixels + 2 * kPlaneBytes}};
    ASSERT_TRUE(reconstructFrame(f.raw.data(), pixels, 512, 512, {p.blueGain, p.greenGain, p.redGain},
                                 p.gamma, {p.radius, p.strength}, planes, kernelsFor(KernelChoice::Best)));
    EXPECT_TRUE(std::equal(pixels, pixels + kMaxPixelBytes,
                           ref::reconstruct(f.raw, 512, 512, ref::Form::Packed, p).begin()));
}

// The one-pass vector form against the staged portable form of the same arithmetic, over random
// settings: gains across their range (0 and 255 included), gamma from 0 (black lifted) up, every
// radius the vector blur takes and the staged one behind it, whole, odd and negative strengths (the
// byte-lane factors 1 .. 5 and the word-lane ones); sizes
// at the vector form's smallest width, with the fewest rows, and the camera's own.
TEST(ReconstructKernels, OnePassFormEqualsTheStagedFormForRandomSettings) {
    std::mt19937 rng(29);
    const std::pair<unsigned, unsigned> sizes[] = {{40, 2},  {40, 4},   {48, 6},  {200, 200},
                                                   {256, 8}, {504, 18}, {512, 10}};
    for (auto [w, h] : sizes) {
        const Frame f = randomFrame(w, h, rng);
        for (int n = 0; n < 12; ++n) {
            const ref::Params p{static_cast<uint8_t>(rng() % 4 == 0 ? 255 * (rng() % 2) : rng() % 256),
                                static_cast<uint8_t>(rng() % 256),
                                static_cast<uint8_t>(rng() % 256),
                                static_cast<unsigned>(rng() % 4 == 0 ? 100 : rng() % 301),
                                static_cast<int>(rng() % 5),
                                static_cast<int>(rng() % 21) * 50 - 500};
            ASSERT_EQ(run(f, kernelsFor(KernelChoice::PackedAvx2), p), run(f, kPackedPortable, p))
                << w << "x" << h << " gains " << int{p.blueGain} << "/" << int{p.greenGain} << "/"
                << int{p.redGain} << " gamma " << p.gamma << " radius " << p.radius << " strength "
                << p.strength;
        }
    }
}
