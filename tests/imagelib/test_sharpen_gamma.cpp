// Gamma table and unsharp mask rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "imagelib/src/gamma.h"
#include "imagelib/src/sharpen.h"

using namespace zrk::image;

TEST(GammaTable, TruncatesThePowerCurve) {
    EXPECT_EQ(gammaTable(50)[64], 127); // trunc(sqrt(64/255) * 255)
    const uint8_t* linear = gammaTable(100);
    for (unsigned v = 0; v < 256; ++v)
        ASSERT_EQ(linear[v], v);
    EXPECT_EQ(gammaTable(77)[0], 0);
    EXPECT_EQ(gammaTable(77)[255], 255);
    EXPECT_EQ(gammaTable(0)[0], 255);   // exponent 0: every value becomes 255, black included
    EXPECT_EQ(gammaTable(50)[64], 127); // asked again after other curves
}

namespace {

struct Planes3 {
    unsigned w, h;
    std::vector<uint8_t> plane[3], blur[3];
    Planes3(unsigned w_, unsigned h_) : w(w_), h(h_) {
        for (int i = 0; i < 3; ++i) {
            plane[i].assign(w * h, 0);
            blur[i].assign(w * h, 0xCC);
        }
    }
    void sharpen(int radius, int strength) {
        uint8_t* const p[3] = {plane[0].data(), plane[1].data(), plane[2].data()};
        uint8_t* const b[3] = {blur[0].data(), blur[1].data(), blur[2].data()};
        unsharpMask(p, b, w, h, radius, strength);
    }
    uint8_t& at(int i, unsigned x, unsigned y) { return plane[i][y * w + x]; }
};

} // namespace

TEST(UnsharpMask, ClippedWindowsDivideByThePixelsInside) {
    Planes3 p(16, 16);
    p.at(0, 0, 0) = 100; // corner: blur 100 / 4 = 25
    p.at(1, 8, 0) = 60;  // edge: blur 60 / 6 = 10
    p.at(2, 8, 8) = 90;  // inside: blur 90 / 9 = 10
    p.sharpen(1, 100);   // 2 * value - blur
    EXPECT_EQ(p.at(0, 0, 0), 175);
    EXPECT_EQ(p.at(1, 8, 0), 110);
    EXPECT_EQ(p.at(2, 8, 8), 170);
    EXPECT_EQ(p.at(0, 1, 0), 0); // 0 - 100/6 raised to 0
    EXPECT_EQ(p.at(2, 9, 9), 0);
}

TEST(UnsharpMask, StrengthIsAWholeFactorAndResultsAreLimited) {
    Planes3 a(8, 8), b(8, 8);
    for (int i = 0; i < 3; ++i)
        for (unsigned j = 0; j < 64; ++j)
            a.plane[i][j] = b.plane[i][j] = static_cast<uint8_t>((j * 37 + i * 11) % 256);
    const auto original = a.plane[0];
    a.sharpen(1, 50); // factor 0
    EXPECT_EQ(a.plane[0], original);
    a.sharpen(1, 150);
    b.sharpen(1, 100); // 150 acts as 100
    EXPECT_EQ(a.plane[0], b.plane[0]);
    Planes3 c(8, 8);
    c.at(0, 4, 4) = 250;
    c.sharpen(1, 300); // 250 + (250 - 27) * 3 -> 255
    EXPECT_EQ(c.at(0, 4, 4), 255);
    Planes3 d(8, 8);
    d.at(0, 4, 4) = 250;
    d.at(0, 5, 4) = 10;
    d.sharpen(1,
              -200); // negative factor: 10 + (10 - 28) * -2 = 46, 250 + 222 * -2 -> 0 (limited, not wrapped)
    EXPECT_EQ(d.at(0, 5, 4), 46);
    EXPECT_EQ(d.at(0, 4, 4), 0);
}

TEST(UnsharpMask, ZeroOrNegativeRadiusLeavesPlanesAlone) {
    Planes3 p(8, 8);
    p.at(0, 3, 3) = 77;
    const auto before = p.plane[0];
    p.sharpen(0, 300);
    p.sharpen(-1, 300);
    p.sharpen(1, 0);
    EXPECT_EQ(p.plane[0], before);
    EXPECT_EQ(p.blur[0], std::vector<uint8_t>(64, 0xCC)); // blur skipped too
}

TEST(UnsharpMask, HugeRadiusActsAsTheWholePlane) {
    Planes3 p(8, 4);
    p.at(0, 0, 0) = 64; // mean over all 32 pixels: 2
    p.sharpen(30000, 100);
    EXPECT_EQ(p.at(0, 0, 0), 126);
    EXPECT_EQ(p.at(0, 7, 3), 0);
}

// The tone tables and the vector blur's division, against the plain arithmetic they replace.
#include "imagelib/src/gamma.h"

TEST(Tone, OneTablePerColourIsTheGainThenTheCurveAndItsSlicesRebuildIt) {
    const uint8_t gainSets[][3] = {{128, 128, 128}, {0, 128, 255}, {1, 64, 200}, {255, 255, 255}};
    for (unsigned gamma : {0u, 1u, 50u, 77u, 100u, 250u, 1000u, 65535u})
        for (const auto& gains : gainSets) {
            Tone tone;
            makeTone(gains, gamma, tone);
            const bool unity = gains[0] == 128 && gains[1] == 128 && gains[2] == 128;
            const Tone::Kind kind = gamma != 100 ? Tone::Kind::Table
                                    : unity      ? Tone::Kind::None
                                                 : Tone::Kind::Gains;
            ASSERT_EQ(tone.kind, kind) << gamma;
            if (kind != Tone::Kind::Table) continue;
            const uint8_t* curve = gammaTable(gamma);
            for (int c = 0; c < 3; ++c)
                for (unsigned v = 0; v < 256; ++v) {
                    const unsigned gained = std::min(255u, (v * gains[c]) >> 7);
                    ASSERT_EQ(tone.table[c][v], curve[gained]) << gamma << " colour " << c << " value " << v;
                    // What the byte shuffles compute: the XOR of the slices from the start of v's half
                    // of the table up to v's own, at v's low four bits, in both 16-byte halves.
                    for (unsigned half : {0u, 16u}) {
                        uint8_t rebuilt = 0;
                        for (unsigned k = v < 128 ? 0 : 8; k <= v / 16; ++k)
                            rebuilt ^= tone.slices[c][k][half + v % 16];
                        ASSERT_EQ(rebuilt, tone.table[c][v]) << gamma << " colour " << c << " value " << v;
                    }
                }
        }
}

TEST(BlurDivision, EveryWindowCountDividesEverySumExactly) {
    for (unsigned d = 1; d <= 49; ++d) {
        const Divisor divisor = divisorFor(d);
        ASSERT_LT(divisor.magic, 1u << 15) << d;
        for (unsigned x = 0; x < (1u << 14); ++x)
            ASSERT_EQ(((4 * x * divisor.magic) >> 16) >> divisor.shift, x / d) << x << " / " << d;
    }
}
