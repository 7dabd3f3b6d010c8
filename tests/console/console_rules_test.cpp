// The console's display rules as tables: buttons by camera mode, run state and data state; the
// region labels' texts and colours; where the live picture goes; the record settings captions.
#include "console/console_rules.h"
#include "console/live_health.h"
#include "tests/console/console_fixture.h"

#include <gtest/gtest.h>

namespace {

constexpr bool on = true, off = false;
using SB = StartBackground;

struct ButtonCase {
    int32_t camMode, runState, dataState;
    std::optional<ConsoleButtons> expected;
};

TEST(ConsoleButtonsTable, FollowsCameraModeRunStateAndDataState) {
    //                 preview start stop trig save clear record camera analog  start colour
    const ConsoleButtons idle0{on, on, off, off, off, off, on, on, on, SB::ButtonFace};
    const ConsoleButtons idle1{on, on, off, off, on, on, off, off, off, SB::ButtonFace};
    const ConsoleButtons idle2{off, off, off, off, on, on, off, off, off, SB::ButtonFace};
    const ConsoleButtons rec{off, off, on, on, off, off, off, off, off, SB::Red};
    auto live = [](ConsoleButtons b) {
        b.startBackground = SB::Keep; // the LIVE rows leave "Start"'s colour alone
        return b;
    };
    const ButtonCase cases[] = {
        {0, 0, 0, idle0},        {0, 0, 1, idle1},        {0, 0, 2, idle2},         {1, 0, 0, live(idle0)},
        {1, 3, 1, live(idle1)},  {1, 1, 2, live(idle2)},  {0, 1, 0, rec},           {0, 1, 2, rec},
        {0, 3, 0, std::nullopt}, // REC with live output running: not a row of the table
        {0, 0, 7, std::nullopt}, {2, 0, 0, std::nullopt}, {1, 0, -1, std::nullopt},
    };
    for (const ButtonCase& c : cases)
        EXPECT_EQ(ConsoleButtonStates(c.camMode, c.runState, c.dataState), c.expected)
            << "cam " << c.camMode << " run " << c.runState << " data " << c.dataState;
}

struct RegionCase {
    const char* name;
    std::array<RegionCount, 4> regions;
    int32_t runState, partition;
    std::array<RegionLabel, 4> expected;
};

TEST(RegionLabelsTable, TextAndColourByRunState) {
    using C = RegionColour;
    const RegionCase cases[] = {
        {"idle: frames light blue, empty yellow, unused blank yellow",
         {{{120, 836}, {0, 836}, {0, 0}, {0, 0}}},
         0,
         1,
         {{{"120/836", C::LightBlue}, {"0/836", C::Yellow}, {"", C::Yellow}, {"", C::Yellow}}}},
        {"recording, two regions: the full one light blue, the one being filled red",
         {{{836, 836}, {200, 836}, {0, 0}, {0, 0}}},
         1,
         1,
         {{{"836/836", C::LightBlue}, {"200/836", C::Red}, {"", C::Yellow}, {"", C::Yellow}}}},
        {"recording into the first of four: red, later ones yellow",
         {{{5, 127}, {0, 127}, {0, 127}, {0, 127}}},
         1,
         3,
         {{{"5/127", C::Red}, {"0/127", C::Yellow}, {"0/127", C::Yellow}, {"0/127", C::Yellow}}}},
        {"recording into the last of four: no entry read past the table",
         {{{127, 127}, {127, 127}, {127, 127}, {9, 127}}},
         1,
         3,
         {{{"127/127", C::LightBlue},
           {"127/127", C::LightBlue},
           {"127/127", C::LightBlue},
           {"9/127", C::Red}}}},
        {"recording with a partition beyond the table still stops at its end",
         {{{127, 127}, {127, 127}, {127, 127}, {9, 127}}},
         1,
         7,
         {{{"127/127", C::LightBlue},
           {"127/127", C::LightBlue},
           {"127/127", C::LightBlue},
           {"9/127", C::Red}}}},
        {"live output keeps the colours",
         {{{3, 10}, {0, 10}, {0, 0}, {0, 0}}},
         3,
         1,
         {{{"3/10", C::Keep}, {"0/10", C::Keep}, {"", C::Yellow}, {"", C::Yellow}}}},
    };
    for (const RegionCase& c : cases)
        EXPECT_EQ(RegionLabels(c.regions, c.runState, c.partition), c.expected) << c.name;
}

TEST(PreviewAreaTable, PictureCentredInTheSquareWithItsDrawnSize) {
    struct Case {
        int32_t size;
        QRect area;
        QSize drawn;
    };
    const Case cases[] = {
        {0, {60, 60, 404, 404}, {400, 400}},
        {1, {4, 4, 516, 516}, {512, 512}},
        {2, {4, 132, 516, 260}, {512, 256}},
        {3, {4, 4, 516, 516}, {512, 512}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PreviewArea(c.size), c.area) << c.size;
        EXPECT_EQ(DrawnSize(c.size), c.drawn) << c.size;
    }
    for (int32_t bad : {-1, 4})
        EXPECT_FALSE(PreviewArea(bad) || DrawnSize(bad) || FrameSize(bad)) << bad;
}

TEST(RecordModeCaptionsTable, HighAndLowSpeed) {
    EXPECT_EQ(CaptionsOf(Mode(1, 2, 3, 2, 2, 2)),
              (RecordModeCaptions{"5SPF", "1/60", "512x512", "3", "End", "0"}));
    RecordMode high = Mode(0, 4, 1, 10, 0, 1, 417);
    EXPECT_EQ(CaptionsOf(high), (RecordModeCaptions{"120FPS", "1/100000", "256x256", "1", "Center", "417"}));
    high.RateHigh = 10;
    high.TrigMode = 3;
    EXPECT_EQ(CaptionsOf(high).speed, QString());
    EXPECT_EQ(CaptionsOf(high).trigger, QString());
    EXPECT_EQ(ConsoleCaption({192, 168, 0, 2}), QStringLiteral("Record - 192.168.0.2"));
}

TEST(LiveHealthLine, RatesOverTheLastSecondAndDropsSinceTheStreamStarted) {
    const LiveCountersSnapshot start{100, 7, 1'000'000}, before{160, 9, 3'000'000}, now{190, 12, 4'300'000};
    EXPECT_EQ(LiveHealthText(start, before, now, 1.0),
              QStringLiteral("Live: 30.0 frames/s shown, 5 dropped, 1.30 MB/s"));
    EXPECT_EQ(LiveHealthText(start, before, now, 2.0),
              QStringLiteral("Live: 15.0 frames/s shown, 5 dropped, 0.65 MB/s"));
    // Counters the receiver started again count from zero, never as a huge difference.
    const LiveCountersSnapshot restarted{3, 1, 40'128};
    EXPECT_EQ(LiveHealthText(start, before, restarted, 1.0),
              QStringLiteral("Live: 3.0 frames/s shown, 1 dropped, 0.04 MB/s"));
    LiveHealth health;
    EXPECT_EQ(health.Tick(false, now), QString());
    EXPECT_EQ(health.Tick(true, start), QStringLiteral("Live: starting"));
    EXPECT_TRUE(health.Tick(true, now).contains(QStringLiteral("5 dropped")));
    EXPECT_EQ(health.Tick(false, now), QString());
}

} // namespace
