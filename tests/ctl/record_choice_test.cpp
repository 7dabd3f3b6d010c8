// The command line's record settings go through the record settings dialog's rules.
#include "console/record_setup_rules.h"
#include "ctl/record_choice.h"

#include <gtest/gtest.h>

namespace {
RecordMode Camera() {
    RecordMode m; // 300FPS, 200x200, first shutter, one region, Start trigger
    m.PostCount = 3343;
    return m;
}

RecordChoice Choice(const char* rate, const char* size = "", const char* shutter = "",
                    const char* strobe = "", int regions = -1, const char* trigger = "", int post = -1) {
    RecordChoice c;
    c.rate = QString::fromLatin1(rate);
    c.size = QString::fromLatin1(size);
    c.shutter = QString::fromLatin1(shutter);
    c.strobe = QString::fromLatin1(strobe);
    c.regions = regions;
    c.trigger = QString::fromLatin1(trigger);
    c.post = post;
    return c;
}

TEST(RecordChoice, FollowsTheDialogsRules) {
    struct Case {
        const char* what;
        RecordChoice choice;
        bool allowed;
        RecordMode expect; // checked when allowed
    };
    auto mode = [](int speed, int rateHigh, int rateLow, int size, int shutterHigh, int shutterLow,
                   int strobe, int partition, int trig, int post) {
        return RecordMode{speed,      rateHigh, rateLow,   size, shutterHigh,
                          shutterLow, strobe,   partition, trig, post};
    };
    const Case cases[] = {
        {"a high rate fixes the size", Choice("90FPS"), true, mode(0, 6, 0, 3, 0, 0, 0, 0, 0, 510)},
        {"the size must match the rate", Choice("90FPS", "200x200"), false, {}},
        {"a slow rate keeps the size", Choice("2SPF"), true, mode(1, 0, 1, 0, 0, 0, 0, 0, 0, 3343)},
        {"a slow rate takes any size", Choice("2SPF", "512x256"), true,
         mode(1, 0, 1, 2, 0, 0, 0, 0, 0, 1022)},
        {"1/100000 only at 200x200", Choice("90FPS", "", "1/100000"), false, {}},
        {"1/100000 at 200x200", Choice("", "", "1/100000"), true, mode(0, 0, 0, 0, 10, 0, 0, 0, 0, 3343)},
        {"strobe needs the first shutter", Choice("", "", "1/1000", "Delay2"), false, {}},
        {"strobe with Open", Choice("", "", "Open", "Delay2"), true, mode(0, 0, 0, 0, 0, 0, 3, 0, 0, 3343)},
        {"unknown rate", Choice("301FPS"), false, {}},
        {"five regions", Choice("", "", "", "", 5), false, {}},
        {"no regions", Choice("", "", "", "", 0), false, {}},
        {"End posts nothing", Choice("", "", "", "", 4, "end"), true, mode(0, 0, 0, 0, 0, 0, 0, 3, 2, 0)},
        {"Center takes half", Choice("", "", "", "", 4, "center"), true,
         mode(0, 0, 0, 0, 0, 0, 0, 3, 1, 417)},
        {"Center with a post count", Choice("", "", "", "", 4, "center", 20), true,
         mode(0, 0, 0, 0, 0, 0, 0, 3, 1, 20)},
        {"post past the region", Choice("", "", "", "", 4, "center", 836), false, {}},
        {"post without Center", Choice("", "", "", "", -1, "start", 20), false, {}},
    };
    for (const Case& c : cases) {
        const RecordChoiceResult r = ResolveRecordChoice(c.choice, Camera(), 0);
        EXPECT_EQ(r.mode.has_value(), c.allowed) << c.what << ": " << r.error.toStdString();
        if (c.allowed && r.mode) {
            EXPECT_EQ(*r.mode, c.expect) << c.what;
        }
        if (!c.allowed) {
            EXPECT_FALSE(r.error.isEmpty()) << c.what;
        }
    }
}
// What is not named stays as the camera has it, where the dialog's rules allow.
TEST(RecordChoice, KeepsWhatIsNotNamed) {
    RecordMode centred = Camera();
    centred.SpeedMode = 1; // 1SPF at 512x512, the third shutter of its list, Center 200
    centred.ImageSize = 3;
    centred.ShutterLow = 2;
    centred.TrigMode = 1;
    centred.PostCount = 200;
    struct Case {
        const char* what;
        RecordChoice choice;
        int shutterLow, post; // the shutter by its index in the new list
    } const cases[] = {
        {"post count kept through a change of regions", Choice("", "", "", "", 2), 2, 200},
        {"post count past the smaller region: half of it", Choice("", "", "", "", 4), 2, 63},
        {"shutter kept through a change of size", Choice("", "256x256"), 2, 200},
    };
    for (const Case& c : cases) {
        const RecordChoiceResult r = ResolveRecordChoice(c.choice, centred, 0);
        ASSERT_TRUE(r.mode) << c.what << ": " << r.error.toStdString();
        EXPECT_EQ(r.mode->ShutterLow, c.shutterLow) << c.what;
        EXPECT_EQ(r.mode->PostCount, c.post) << c.what;
        EXPECT_EQ(ShutterList(1, r.mode->ImageSize).value(r.mode->ShutterLow), ShutterList(1, 3)[2])
            << c.what;
    }
}
} // namespace
