// Recordings driven by an injected clock: each trigger position, stops, and the region bookkeeping.
#include "camsim/protocol.h"
#include "camsim/tables.h"

#include <gtest/gtest.h>

#include <string>

using namespace zrkcam;

namespace {

// 200x200 at 300 frames/s, one region of 3344 frames (memory code 0); speed 1 keeps the arithmetic plain.
class RecordingTest : public ::testing::Test {
protected:
    Camera cam{CameraConfig{0, 1.0}};
    Protocol proto{cam};
    Now now{1000, 0};

    std::string code(const std::string& line) {
        return proto.handle(line, now, true, false).lines.at(0).substr(0, 3);
    }
    std::string stat() { return proto.handle("STAT", now, true, false).lines.at(0); }
    void setMode(const std::string& rmod) {
        const std::string c = code("RMOD " + rmod);
        ASSERT_TRUE(c[0] == '1' || c[0] == '2') << c;
    }
    // Advances the clock by the time the given number of frames takes at 300 frames/s.
    void advanceFrames(int frames) { now.monoMs += frames * 10 / 3 + 1; }
    int frames(int region) { return cam.regionFrames(region, now); }
};

TEST_F(RecordingTest, StartTriggerFillsTheRegionFromTheStart) {
    setMode("0 0 3 0 0 0 0");
    ASSERT_EQ(code("RCST"), "200");
    EXPECT_EQ(code("RCST"), "500");
    EXPECT_EQ(code("TRIG "), "500"); // everything is post-trigger already
    advanceFrames(100);
    EXPECT_EQ(stat(), "212 Recording");
    EXPECT_NEAR(frames(0), 100, 1);
    advanceFrames(3344);
    EXPECT_EQ(stat(), "213 Memory full");
    EXPECT_EQ(frames(0), 3344);
    EXPECT_EQ(cam.region(0).triggerPos, 3343);
    EXPECT_EQ(cam.region(0).rec.triggerIndex, 0);
    EXPECT_EQ(code("RCST"), "502");
    EXPECT_EQ(code("RCSP"), "500");
}

TEST_F(RecordingTest, CenterTriggerKeepsThePostCountAfterTheTrigger) {
    setMode("0 0 3 0 0 1 1000");
    ASSERT_EQ(code("RCST"), "200");
    advanceFrames(5000); // the ring has wrapped
    EXPECT_EQ(frames(0), 3344);
    EXPECT_EQ(stat(), "212 Recording"); // no end without a trigger
    ASSERT_EQ(code("TRIG "), "200");
    EXPECT_EQ(code("TRIG "), "500");
    advanceFrames(500);
    EXPECT_EQ(stat(), "212 Recording");
    advanceFrames(600);
    EXPECT_EQ(stat(), "213 Memory full");
    const RegionState& r = cam.region(0);
    EXPECT_EQ(r.rec.frames, 3344);
    EXPECT_EQ(r.triggerPos, 1000);
    EXPECT_EQ(r.rec.triggerIndex, 3344 - 1 - 1000);
    // The kept frames are the newest ones of the sequence, trigger frame included.
    const FrameStamp trig = recordedStamp(r.rec, 0, r.rec.triggerIndex);
    EXPECT_TRUE(trig.trigger);
    EXPECT_EQ(recordedStamp(r.rec, 0, r.rec.frames - 1).seq, trig.seq + 1000);
}

TEST_F(RecordingTest, EndTriggerStopsAtTheTriggerFrame) {
    setMode("0 0 3 0 0 2 0");
    ASSERT_EQ(code("RCST"), "200");
    advanceFrames(200);
    ASSERT_EQ(code("TRIG "), "200");
    advanceFrames(1);
    EXPECT_EQ(stat(), "213 Memory full");
    EXPECT_NEAR(frames(0), 201, 2);
    EXPECT_EQ(cam.region(0).triggerPos, 0);
    EXPECT_EQ(cam.region(0).rec.triggerIndex, frames(0) - 1);
}

TEST_F(RecordingTest, StopBeforeTheTriggerKeepsFramesWithoutTrigger) {
    setMode("0 0 3 0 1 1 100"); // two regions of 1672
    ASSERT_EQ(code("RCST"), "200");
    advanceFrames(50);
    ASSERT_EQ(code("RCSP"), "200");
    EXPECT_EQ(stat(), "211 Idle"); // region 2 is still free
    EXPECT_NEAR(frames(0), 50, 1);
    EXPECT_EQ(cam.region(0).triggerPos, -1);
    EXPECT_EQ(cam.region(0).rec.triggerIndex, -1);
    // The next recording goes into the next empty region.
    ASSERT_EQ(code("RCST"), "200");
    EXPECT_EQ(cam.activeRegion(), 1);
    ASSERT_EQ(code("TRIG "), "200");
    advanceFrames(101);
    EXPECT_EQ(stat(), "213 Memory full");
    EXPECT_EQ(cam.region(1).triggerPos, 100);
    EXPECT_EQ(cam.region(1).rec.realFrameBase, 1672);
    EXPECT_EQ(code("RACL"), "200");
    EXPECT_EQ(frames(0), 0);
    EXPECT_EQ(stat(), "211 Idle");
}

TEST_F(RecordingTest, StopAtOnceLeavesTheRegionEmpty) {
    setMode("0 0 3 0 0 1 100");
    ASSERT_EQ(code("RCST"), "200");
    ASSERT_EQ(code("RCSP"), "200");
    EXPECT_EQ(frames(0), 0);
    EXPECT_EQ(stat(), "211 Idle");
}

TEST_F(RecordingTest, TriggerWithoutRecordingAndRecordingRefusals) {
    EXPECT_EQ(code("TRIG "), "501");
    setMode("0 0 3 0 0 1 100");
    ASSERT_EQ(code("RCST"), "200");
    EXPECT_EQ(code("RACL"), "503");
    EXPECT_EQ(code("RMOD 0 0 3 0 0 1 50"), "503");
    EXPECT_EQ(code("MODE LIVE"), "503");
    EXPECT_EQ(code("RQDL 0 1 1"), "503");
}

TEST_F(RecordingTest, SpeedFactorShortensTheRecording) {
    cam.speed = 100.0;
    setMode("0 0 3 0 0 0 0");
    ASSERT_EQ(code("RCST"), "200");
    const int64_t left = cam.msUntilDone(now);
    EXPECT_GT(left, 100); // 3344 frames at 30000 frames/s
    EXPECT_LT(left, 130);
    now.monoMs += left;
    EXPECT_EQ(stat(), "213 Memory full");
}

TEST_F(RecordingTest, RecordingKeepsTheSettingsItStartedWith) {
    setMode("0 0 3 0 0 2 0");
    proto.handle("GAIN 2", now, true, false);
    ASSERT_EQ(code("RCST"), "200");
    proto.handle("GAIN 5", now, true, false);
    advanceFrames(10);
    ASSERT_EQ(code("TRIG "), "200");
    advanceFrames(1);
    EXPECT_EQ(stat(), "213 Memory full");
    EXPECT_EQ(cam.region(0).rec.settings.gainCode, 2);
}

} // namespace
