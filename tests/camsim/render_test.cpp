// The frame function: header fields, the mosaic layout, and that frames are reproducible yet alive.
#include "camsim/frame_render.h"
#include "camsim/tables.h"
#include "imagelib/include/zrk_frame_header.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace zrkcam;

namespace {

ZRK_FRAME_HEADER headerOf(const std::vector<uint8_t>& buf) {
    ZRK_FRAME_HEADER h;
    std::memcpy(&h, buf.data(), sizeof h);
    return h;
}

Recording sampleRecording() {
    Recording rec;
    rec.settings.imageSize = 2;
    rec.settings.rateCode = 1; // 80 frames/s at 512x256
    rec.settings.shutterCode = 4;
    rec.settings.gainCode = 3;
    rec.settings.analogGain = 2;
    rec.settings.red = 190;
    rec.settings.green = 128;
    rec.settings.blue = 154;
    rec.settings.gamma = 67;
    rec.startEpochMs = toEpochSeconds({2002, 7, 15, 23, 59, 59}) * 1000;
    rec.firstSeq = 40;
    rec.frames = 100;
    rec.triggerIndex = 30;
    rec.realFrameBase = 1023;
    return rec;
}

TEST(RenderTest, HeaderCarriesTheRecordingSettingsAndTheFrameStamp) {
    const Recording rec = sampleRecording();
    std::vector<uint8_t> buf(kMaxFrameBytes);
    ASSERT_EQ(renderFrame(rec.settings, recordedStamp(rec, 1, 30), buf.data()), 131200);
    const ZRK_FRAME_HEADER h = headerOf(buf);
    EXPECT_EQ(std::memcmp(h.magic, "ZRK\0", 4), 0);
    EXPECT_EQ(h.width, 512);
    EXPECT_EQ(h.height, 256);
    EXPECT_EQ(h.realFrame, 1053);
    EXPECT_EQ(h.trigger, 1);
    EXPECT_EQ(h.redGain, 190);
    EXPECT_EQ(h.greenGain, 128);
    EXPECT_EQ(h.blueGain, 154);
    EXPECT_EQ(h.gamma, 67);
    EXPECT_EQ(h.recordSpeed, 1);
    EXPECT_EQ(h.shutterCode, 4);
    EXPECT_EQ(h.gainCode, 3);
    EXPECT_EQ(h.imageSizeCode, 2);
    // Sequence frame 70 at 80 frames/s is 0.875 s after the start: still 23:59:59; sequence frame 80
    // rolls over into the next day.
    EXPECT_EQ(h.year, 2002);
    EXPECT_EQ(h.day, 15);
    EXPECT_EQ(h.second, 59);
    renderFrame(rec.settings, recordedStamp(rec, 1, 31), buf.data());
    EXPECT_EQ(headerOf(buf).trigger, 0);
    renderFrame(rec.settings, recordedStamp(rec, 1, 40), buf.data());
    const ZRK_FRAME_HEADER next = headerOf(buf);
    EXPECT_EQ(next.day, 16);
    EXPECT_EQ(next.hour, 0);
    EXPECT_EQ(next.second, 0);
}

TEST(RenderTest, FramesAreReproducibleAndDifferFromFrameToFrame) {
    const Recording rec = sampleRecording();
    std::vector<uint8_t> a(kMaxFrameBytes), b(kMaxFrameBytes, 0xAA), c(kMaxFrameBytes);
    const int n = renderFrame(rec.settings, recordedStamp(rec, 0, 5), a.data());
    renderFrame(rec.settings, recordedStamp(rec, 0, 5), b.data());
    renderFrame(rec.settings, recordedStamp(rec, 0, 6), c.data());
    EXPECT_EQ(std::memcmp(a.data(), b.data(), static_cast<size_t>(n)), 0);
    EXPECT_NE(std::memcmp(a.data() + 128, c.data() + 128, static_cast<size_t>(n - 128)), 0);
    // Other settings give another picture for the same frame.
    RecordSettings brighter = rec.settings;
    brighter.gainCode = 6;
    renderFrame(brighter, recordedStamp(rec, 0, 5), c.data());
    EXPECT_NE(std::memcmp(a.data() + 128, c.data() + 128, static_cast<size_t>(n - 128)), 0);
}

TEST(RenderTest, ColourBarsFollowTheBlueGreenGreenRedMosaic) {
    RecordSettings s;
    s.imageSize = 3;
    std::vector<uint8_t> buf(kMaxFrameBytes);
    FrameStamp stamp;
    stamp.seq = 0;
    renderFrame(s, stamp, buf.data());
    const uint8_t* px = buf.data() + 128;
    auto at = [&](int x, int y) { return px[y * 512 + x]; };
    // The blue bar (7th of 8) low on the bars, away from the moving disc: blue sites bright, red dark.
    const int x = 6 * 64 + 20, y = 300;
    EXPECT_EQ(at(x, y), 200);        // even row, even column: blue
    EXPECT_EQ(at(x + 1, y + 1), 40); // odd row, odd column: red
    EXPECT_EQ(at(x + 1, y), 40);     // green sites
    EXPECT_EQ(at(x, y + 1), 40);
    // The red bar is the other way round.
    const int xr = 5 * 64 + 20;
    EXPECT_EQ(at(xr, y), 40);
    EXPECT_EQ(at(xr + 1, y + 1), 200);
}

TEST(RenderTest, UnknownImageSizeWritesNothing) {
    RecordSettings s;
    s.imageSize = 4;
    std::vector<uint8_t> buf(16, 7);
    EXPECT_EQ(renderFrame(s, FrameStamp{}, buf.data()), 0);
    EXPECT_EQ(buf[0], 7);
}

TEST(RenderTest, AnalogValueFollowsTheInputGain) {
    EXPECT_EQ(analogValue(0, 123, 300), 0);
    int16_t peak = 0;
    for (uint32_t seq = 0; seq < 300; ++seq)
        peak = std::max<int16_t>(peak, analogValue(4, seq, 300));
    EXPECT_NEAR(peak, 1000, 2);
}

TEST(RenderTest, CalendarRoundTripsAndValidates) {
    for (const CivilTime t : {CivilTime{2000, 2, 29, 12, 0, 0}, CivilTime{2020, 12, 31, 23, 59, 59},
                              CivilTime{1970, 1, 1, 0, 0, 0}, CivilTime{2099, 3, 1, 1, 2, 3}}) {
        const CivilTime back = fromEpochSeconds(toEpochSeconds(t));
        EXPECT_EQ(back.year, t.year);
        EXPECT_EQ(back.month, t.month);
        EXPECT_EQ(back.day, t.day);
        EXPECT_EQ(back.second, t.second);
    }
    EXPECT_TRUE(civilTimeValid({2000, 2, 29, 0, 0, 0}));
    EXPECT_FALSE(civilTimeValid({1900, 2, 29, 0, 0, 0}));
    EXPECT_FALSE(civilTimeValid({2001, 2, 29, 0, 0, 0}));
    EXPECT_FALSE(civilTimeValid({2001, 4, 31, 0, 0, 0}));
    EXPECT_FALSE(civilTimeValid({2001, 4, 1, 0, 60, 0}));
}

} // namespace
