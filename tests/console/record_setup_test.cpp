// The record settings dialog's rules: which rates, sizes, shutters, strobe delays, regions and
// trigger positions go together, as a table of choices and what each leaves on screen, and the
// dialog window itself (what OK and closing send).
#include "console/frm_set_rmod.h"
#include "console/record_setup_form.h"
#include "console/record_setup_rules.h"
#include "tests/console/console_fixture.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <functional>

namespace {

// What the dialog shows after a choice.
struct Shown {
    int32_t rate, size;
    bool sizeEnabled;
    int32_t shutters, shutter;
    bool flashEnabled;
    int32_t flash;
    QString regions; // the four region labels joined by blanks
    int32_t sliderMax, sliderPos, tick;
    QString post;
    bool trigEnabled;
    bool operator==(const Shown&) const = default;
};

Shown Read(const RecordSetupForm& f) {
    const auto& a = f.AreaCounts();
    return {f.RateSelection(),         f.SizeSelection(),
            f.SizeEnabled(),           static_cast<int32_t>(f.Shutters().size()),
            f.ShutterSelection(),      f.FlashEnabled(),
            f.FlashSelection(),        a[0] + ' ' + a[1] + ' ' + a[2] + ' ' + a[3],
            f.SliderMaximum(),         f.SliderPosition(),
            f.TickFrequency(),         f.PostLabel(),
            f.TriggerControlsEnabled()};
}

std::ostream& operator<<(std::ostream& os, const Shown& s) {
    return os << "rate " << s.rate << " size " << s.size << (s.sizeEnabled ? "(on)" : "(off)") << " shutters "
              << s.shutters << " sel " << s.shutter << " flash " << s.flash
              << (s.flashEnabled ? "(on)" : "(off)") << " regions [" << s.regions.toStdString() << "] slider "
              << s.sliderPos << "/" << s.sliderMax << " tick " << s.tick << " post " << s.post.toStdString()
              << (s.trigEnabled ? "(on)" : "(off)");
}

struct Choice {
    const char* name;
    RecordMode start;
    int32_t memCode;
    std::function<void(RecordSetupForm&)> choose;
    Shown expected;
    int32_t sentPost; // the post count OK would send
};

TEST(RecordSetupRules, ChoicesAndWhatTheyAllow) {
    const auto none = [](RecordSetupForm&) {};
    const Choice cases[] = {
        {"opening at 120FPS: size fixed at 256x256, ten shutters",
         Mode(0, 4, 1, 3, 0, 0),
         0,
         none,
         {4, 1, false, 10, 3, false, 0, "2044 0 0 0", 2043, 0, 204, "2043", false},
         2043},
        {"100FPS forces 200x200 and offers 1/100000; shutter and strobe start over",
         Mode(0, 4, 1, 3, 0, 0),
         0,
         [](RecordSetupForm& f) { f.ClickRate(5); },
         {5, 0, false, 11, 0, true, 0, "3344 0 0 0", 3343, 0, 334, "3343", false},
         3343},
        {"90FPS forces 512x512 and ten shutters",
         Mode(0, 0, 0, 10, 0, 0),
         0,
         [](RecordSetupForm& f) { f.ClickRate(6); },
         {6, 3, false, 10, 0, true, 0, "511 0 0 0", 510, 0, 51, "510", false},
         510},
        {"a rate of the size already shown still resets the shutter",
         Mode(0, 0, 0, 4, 0, 0),
         0,
         [](RecordSetupForm& f) { f.ClickRate(3); },
         {3, 0, false, 11, 0, true, 0, "3344 0 0 0", 3343, 0, 334, "3343", false},
         3343},
        {"Low: 1SPF, size list open and kept, fifteen shutters at 200x200",
         Mode(0, 0, 0, 2, 0, 0),
         0,
         [](RecordSetupForm& f) { f.ClickSpeedMode(1); },
         {0, 0, true, 15, 0, true, 0, "3344 0 0 0", 3343, 0, 334, "3343", false},
         3343},
        {"Low at 512x256: fourteen shutters",
         Mode(0, 2, 2, 2, 0, 0),
         0,
         [](RecordSetupForm& f) { f.ClickSpeedMode(1); },
         {0, 2, true, 14, 0, true, 0, "1023 0 0 0", 1022, 0, 102, "1022", false},
         1022},
        {"the size list is closed at high speed",
         Mode(0, 0, 0, 0, 0, 0),
         0,
         [](RecordSetupForm& f) { f.ClickSize(3); },
         {0, 0, false, 11, 0, true, 0, "3344 0 0 0", 3343, 0, 334, "3343", false},
         3343},
        {"a later shutter closes the strobe list and resets it to Not Use",
         Mode(1, 0, 0, 0, 0, 0),
         0,
         [](RecordSetupForm& f) {
             f.ClickFlash(4);
             f.ClickShutter(3);
         },
         {0, 0, true, 15, 3, false, 0, "3344 0 0 0", 3343, 0, 334, "3343", false},
         3343},
        {"a strobe delay with the first shutter",
         Mode(1, 0, 0, 0, 0, 0),
         0,
         [](RecordSetupForm& f) { f.ClickFlash(4); },
         {0, 0, true, 15, 0, true, 4, "3344 0 0 0", 3343, 0, 334, "3343", false},
         3343},
        {"512x512 in four regions, Center: the slider halves",
         Mode(0, 6, 3, 0, 0, 0),
         0,
         [](RecordSetupForm& f) {
             f.ClickPartition(3);
             f.ClickTrigMode(1);
         },
         {6, 3, false, 10, 0, true, 0, "127 127 127 127", 126, 63, 13, "63", true},
         63},
        {"End: all frames before the trigger, nothing after",
         Mode(0, 0, 0, 0, 1, 0),
         0,
         [](RecordSetupForm& f) { f.ClickTrigMode(2); },
         {0, 0, false, 11, 0, true, 0, "1672 1672 0 0", 1671, 1671, 167, "0", false},
         0},
        {"Center with a post count the smaller size cannot hold: clamped to the region",
         Mode(1, 0, 0, 0, 0, 1, 3000),
         0,
         [](RecordSetupForm& f) { f.ClickSize(3); },
         {0, 3, true, 14, 0, true, 0, "511 0 0 0", 510, 0, 51, "510", true},
         510},
        {"Center: the operator's slider sets the frames after the trigger",
         Mode(0, 0, 0, 0, 0, 1, 100),
         1,
         [](RecordSetupForm& f) { f.MoveSlider(6000); },
         {0, 0, false, 11, 0, true, 0, "6689 0 0 0", 6688, 6000, 669, "688", true},
         688},
        {"the slider does not move outside Center",
         Mode(0, 0, 0, 0, 0, 0),
         0,
         [](RecordSetupForm& f) { f.MoveSlider(100); },
         {0, 0, false, 11, 0, true, 0, "3344 0 0 0", 3343, 0, 334, "3343", false},
         3343},
        {"opening with a rate and a size that do not belong together shows the rate's size",
         Mode(0, 6, 0, 0, 0, 0),
         0,
         none,
         {6, 3, false, 10, 0, true, 0, "511 0 0 0", 510, 0, 51, "510", false},
         510},
        {"opening with values outside their lists shows and keeps the first entries",
         Mode(0, 12, 9, 14, 6, 5),
         0,
         none,
         {0, 0, false, 11, 0, true, 0, "3344 0 0 0", 3343, 0, 334, "3343", false},
         3343},
    };
    for (const Choice& c : cases) {
        RecordSetupForm form;
        form.Load(c.start, c.memCode);
        c.choose(form);
        EXPECT_EQ(Read(form), c.expected) << c.name;
        EXPECT_EQ(form.Work().PostCount, c.sentPost) << c.name;
        // What OK sends is what the lists show.
        const RecordMode& w = form.Work();
        EXPECT_EQ(w.ImageSize, form.SizeSelection()) << c.name;
        EXPECT_EQ(w.SpeedMode == 0 ? w.RateHigh : w.RateLow, form.RateSelection()) << c.name;
        EXPECT_EQ(w.SpeedMode == 0 ? w.ShutterHigh : w.ShutterLow, form.ShutterSelection()) << c.name;
        EXPECT_EQ(w.StrobeDelay, form.FlashSelection()) << c.name;
        if (w.SpeedMode == 0) {
            EXPECT_EQ(SizeOfRate(w.RateHigh), w.ImageSize) << c.name;
        }
    }
}

TEST(RecordSetupRules, ListsAndRounding) {
    EXPECT_EQ(ShutterList(0, 0).size(), 11);
    EXPECT_EQ(ShutterList(0, 2).last(), QStringLiteral("1/40000"));
    EXPECT_EQ(ShutterList(1, 0).first(), QStringLiteral("1/30"));
    EXPECT_EQ(ShutterList(1, 3).size(), 14);
    EXPECT_TRUE(ShutterList(2, 0).isEmpty());
    EXPECT_TRUE(RateList(2).isEmpty());
    EXPECT_EQ(SizeOfRate(10), -1);
    // Halves to even, as the slider's middle and tick spacing are rounded.
    const int32_t rounding[][3] = {{126, 2, 63},    {125, 2, 62}, {127, 2, 64},
                                   {3343, 10, 334}, {25, 10, 2},  {35, 10, 4}};
    for (const auto& r : rounding)
        EXPECT_EQ(RoundHalfEven(r[0], r[1]), r[2]) << r[0] << "/" << r[1];
}

// The dialog window over the real command channel.
class RecordSetupWindowTest : public ConsoleTest {};

TEST_F(RecordSetupWindowTest, OkSendsWhatIsShownAndCloseRestartsLiveOutput) {
    g_RecMode = Mode(0, 4, 1, 0, 0, 0);
    g_lngCamMode = 1;
    frmRec* console = OpenConsole();
    ClearQueue();
    console->cmdSetRMOD->click();
    EXPECT_EQ(Queued(), QStringList{"LVSP"});
    EXPECT_FALSE(console->isEnabled());
    frmSetRmod* dialog = RecordSetupWindow();
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(g_blnRecSetupOpen);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Record Properties"));
    EXPECT_FALSE(dialog->cmbSize->isEnabled());
    EXPECT_EQ(dialog->cmbSize->currentText(), QStringLiteral("256x256"));
    EXPECT_EQ(dialog->cmbShutter->count(), 10);

    // The operator picks 100FPS, four regions and Center, then OK.
    dialog->cmbSpeed->setCurrentIndex(5);
    emit dialog->cmbSpeed->activated(5);
    EXPECT_EQ(dialog->cmbSize->currentText(), QStringLiteral("200x200"));
    EXPECT_EQ(dialog->cmbShutter->count(), 11);
    emit dialog->cmbPartition->activated(3);
    dialog->optTrigerMode[1]->click();
    EXPECT_TRUE(dialog->sldPriCount->isEnabled());
    EXPECT_EQ(dialog->lblAreaCount[3]->text(), QStringLiteral("836"));
    dialog->sldPriCount->setValue(800);
    EXPECT_EQ(dialog->lblPostCount->text(), QStringLiteral("35"));
    ClearQueue();
    dialog->OKButton->click();
    Flush();
    EXPECT_EQ(Queued(), (QStringList{"RMOD 0 2 0 0 3 1 35", "LVST"}));
    EXPECT_EQ(g_RecModeNew.PostCount, 35);
    EXPECT_EQ(g_RecMode, Mode(0, 4, 1, 0, 0, 0)); // current only once the camera accepts it
    EXPECT_TRUE(console->isEnabled());
    EXPECT_FALSE(g_blnRecSetupOpen);
    EXPECT_FALSE(RecordSetupWindow());
}

TEST_F(RecordSetupWindowTest, CancelSendsNothingAndRecModeStays) {
    g_RecMode = Mode(1, 2, 3, 2, 2, 2);
    frmRec* console = OpenConsole();
    ClearQueue();
    console->cmdSetRMOD->click();
    frmSetRmod* dialog = RecordSetupWindow();
    ASSERT_TRUE(dialog);
    dialog->optSpeedMode[0]->click();
    dialog->cmdCancel->click();
    Flush();
    EXPECT_TRUE(Queued().isEmpty()); // REC mode: no live output to restart either
    EXPECT_EQ(g_RecMode, Mode(1, 2, 3, 2, 2, 2));
    EXPECT_TRUE(console->isEnabled());
}

TEST_F(RecordSetupWindowTest, ClosingTheConsoleUnderTheDialogDoesNotRestartLiveOutput) {
    g_lngCamMode = 1;
    frmRec* console = OpenConsole();
    console->cmdSetRMOD->click();
    ASSERT_TRUE(RecordSetupWindow());
    ClearQueue();
    console->close();
    Flush();
    EXPECT_EQ(Queued(), QStringList{"LVSP"});
    EXPECT_FALSE(RecordSetupWindow());
    EXPECT_FALSE(g_blnRecSetupOpen);
    EXPECT_EQ(g_lngViewMode, 0);
}

} // namespace
