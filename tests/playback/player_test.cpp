// The player's state machine as sequences of buttons, keys and timer ticks; drawing failures;
// the window's opening and closing.
#include "playback/picture_area.h"
#include "protocol/hot_keys.h"
#include "tests/playback/player_fixture.h"

#include "protocol/main_targets.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStringList>
#include <QTimer>
#include <QToolButton>

namespace {

enum class Opt { Play, Reverse, Pause, Stop };

Opt Selected(const frmPlay& p) {
    if (p.optPlay->isChecked()) return Opt::Play;
    if (p.optReverse->isChecked()) return Opt::Reverse;
    if (p.optStop->isChecked()) return Opt::Stop;
    return Opt::Pause;
}

// Runs a space-separated script; returns the frame shown after each action.
QStringList Act(frmPlay& p, const QString& script) {
    QStringList shown;
    for (const QString& a : script.split(u' ', Qt::SkipEmptyParts)) {
        if (a == "play")
            p.optPlay->click();
        else if (a == "rev")
            p.optReverse->click();
        else if (a == "pause")
            p.optPause->click();
        else if (a == "stop")
            p.optStop->click();
        else if (a == "step")
            p.cmdStep->click();
        else if (a == "back")
            p.cmdBack->click();
        else if (a == "next")
            p.OnNext(); // also while disabled: the action itself must refuse
        else if (a == "prev")
            p.OnPrev();
        else if (a == "loop")
            p.chkLoop->click();
        else if (a == "tick")
            p.OnTimer();
        else if (a.startsWith("bar"))
            p.sldFrameBar->setValue(a.mid(3).toInt()); // the operator drags
        else if (a.startsWith("key"))
            RouteHotKey(a.mid(3).toInt());
        else
            ADD_FAILURE() << "unknown action " << a.toStdString();
        shown << p.lblFrame->text().section(u'/', 0, 0);
    }
    return shown;
}

TEST_F(PlayerTest, ButtonsKeysAndTicksMoveThroughTheFrames) {
    struct Case {
        const char* script;
        int index;
        Opt option;
        bool playing;
        const char* shown; // frame shown after each action ("" = not checked)
    };
    const Case cases[] = {
        {"play tick tick", 2, Opt::Play, true, "0 1 2"},
        {"play tick tick tick tick tick", 4, Opt::Stop, false, "0 1 2 3 4 4"}, // the end without Loop stops
        {"loop play tick tick tick tick tick tick", 1, Opt::Play, true,
         "0 0 1 2 3 4 0 1"}, // the wrap frame shows
        {"loop rev tick tick", 3, Opt::Reverse, true, "0 0 4 3"},
        {"rev tick", 0, Opt::Stop, false, "0 0"},
        {"play tick tick stop", 0, Opt::Stop, false, "0 1 2 0"},    // Stop mid-way returns to the start
        {"play tick tick tick tick stop", 4, Opt::Stop, false, ""}, // at the last frame Stop leaves it there
        {"step step rev stop", 4, Opt::Stop, false, "1 2 2 4"},     // reverse Stop goes to the last frame
        {"play tick step", 2, Opt::Pause, false, "0 1 2"},
        {"next step", 4, Opt::Pause, false, "4 4"},
        {"loop next step", 1, Opt::Pause, false, "0 0 1"}, // Next does nothing while looping
        {"back", 0, Opt::Pause, false, "0"},
        {"loop back back", 3, Opt::Pause, false, "0 4 3"},
        {"step step prev", 0, Opt::Stop, false, "1 2 0"},
        {"play bar3", 3, Opt::Pause, false, "0 3"}, // dragging the bar pauses playback
        {"next bar2", 2, Opt::Stop, false, "4 2"},  // ... but leaves Stop as it is
        {"key6 tick key5", 1, Opt::Pause, false, "0 1 1"},
        {"key0 key0 key1", 1, Opt::Pause, false, "1 2 1"},
        {"key3 key2", 0, Opt::Stop, false, "4 0"},
        {"key0 key0 key4 tick key7", 4, Opt::Stop, false, "1 2 2 1 4"},
        {"key8 key9 key-1", 0, Opt::Pause, false, "0 0 0"},
    };
    const QString path = WriteClip(dir.file("clip.dat"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        frmPlay* p = Open(path);
        ASSERT_NE(p, nullptr);
        const QStringList shown = Act(*p, QString::fromLatin1(c.script));
        EXPECT_EQ(p->CurrentFrame(), c.index);
        EXPECT_EQ(Selected(*p), c.option);
        EXPECT_EQ(p->Playing(), c.playing);
        EXPECT_EQ(p->sldFrameBar->value(), c.index);
        if (*c.shown) {
            EXPECT_EQ(shown.join(u' ').toStdString(), c.shown);
        }
        EXPECT_TRUE(ui.messages.isEmpty());
    }
}

TEST_F(PlayerTest, KeysReachThePlayerOnlyInViewMode3) {
    frmPlay* p = OpenClip();
    ASSERT_NE(p, nullptr);
    g_lngViewMode = 1;
    RouteHotKey(0);
    EXPECT_EQ(p->CurrentFrame(), 0);
    g_lngViewMode = 3;
    RouteHotKey(0);
    EXPECT_EQ(p->CurrentFrame(), 1);
}

TEST_F(PlayerTest, AOneFrameFileOpensWithEveryPlayControlDisabled) {
    frmPlay* p = OpenClip({.frames = 1});
    ASSERT_NE(p, nullptr);
    EXPECT_FALSE(p->sldFrameBar->isEnabled());
    EXPECT_EQ(p->sldFrameBar->maximum(), 1);
    for (QWidget* w :
         std::initializer_list<QWidget*>{p->chkLoop, p->optPlay, p->optReverse, p->optPause, p->optStop,
                                         p->cmdNext, p->cmdPrev, p->cmdStep, p->cmdBack})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_EQ(p->lblFrame->text(), "0/0");
    Act(*p, "key6 key0 key3");
    EXPECT_FALSE(p->Playing());
    EXPECT_EQ(p->CurrentFrame(), 0);
}

TEST_F(PlayerTest, AFailedDrawStopsPlaybackBeforeItsOneMessageAndLeavesPauseSelected) {
    // FileSize claims three frames of five: frames 3 and 4 count as missing.
    frmPlay* p = OpenClip(
        {.headers = [](ZRK_DATA_FILE_HEADER& f, ZRK_DATA_INFO_HEADER&) { f.fileSize -= 2 * 65664; }});
    ASSERT_NE(p, nullptr);
    bool playingWhileShown = true;
    ui.whileShown = [&](const ShownMessage&) { playingWhileShown = p->Playing(); };
    Act(*p, "play tick tick tick");
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages[0].title, "Play Control");
    EXPECT_EQ(ui.messages[0].text, "Cannot read ZRK file.");
    EXPECT_FALSE(playingWhileShown);
    EXPECT_EQ(Selected(*p), Opt::Pause);
    EXPECT_EQ(p->CurrentFrame(), 3);
    EXPECT_EQ(p->lblFrame->text(), "2/4"); // the last frame drawn stays on show
    // Step and Back move on past the bad frame.
    Act(*p, "back");
    EXPECT_EQ(p->lblFrame->text(), "2/4");
    EXPECT_EQ(ui.messages.size(), 1);
    // A failure under Stop leaves Stop.
    Act(*p, "next");
    EXPECT_EQ(Selected(*p), Opt::Stop);
    EXPECT_EQ(ui.messages.size(), 2);
}

TEST_F(PlayerTest, OpeningFillsTheLabelsAndSizesThePicture) {
    g_blnDebug = true;
    frmPlay* p = OpenClip({.width = 200,
                           .height = 200,
                           .frames = 100,
                           .idNumber = 42,
                           .triggerFrame = -1,
                           .frame = [](ZRK_FRAME_HEADER& h, int i) {
                               if (i == 0) h.realFrame = 0xFFFF;
                           }});
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->windowTitle(), "clip.dat - Play");
    EXPECT_EQ(p->lblFrame->text(), "0/99");
    EXPECT_EQ(p->lblSize->text(), "200x200");
    EXPECT_EQ(p->lblIDNumber->text(), "42");
    EXPECT_EQ(p->lblRecSpeed->text(), "150FPS");
    EXPECT_EQ(p->lblShutter->text(), "1/1000");
    EXPECT_EQ(p->lblGain->text(), "+6dB");
    EXPECT_EQ(p->lblRealFrame->text(), "65535");
    EXPECT_EQ(p->lblTrigFrame->text(), "---");
    EXPECT_FALSE(p->lblRealFrame->isHidden());
    EXPECT_EQ(p->lblAnalog->text(), "-5");
    EXPECT_TRUE(p->lblDate->text().endsWith(u' '));
    EXPECT_FALSE(p->lblDate->text().trimmed().isEmpty());
    EXPECT_EQ(p->picImage->geometry(), QRect(156, 156, 204, 204)); // centred in 516 x 516
    EXPECT_TRUE(p->chkExpand->isEnabled());
    p->chkExpand->click();
    EXPECT_EQ(p->picImage->geometry(), QRect(56, 56, 404, 404));
    EXPECT_EQ(p->picImage->image().size(), QSize(400, 400));
    EXPECT_TRUE(ui.messages.isEmpty());

    for (auto [w, h] : {std::pair{512u, 256u}, std::pair{512u, 512u}}) {
        frmPlay* wide = OpenClip({.width = w, .height = h, .frames = 2});
        ASSERT_NE(wide, nullptr);
        EXPECT_FALSE(wide->chkExpand->isEnabled()) << w << "x" << h;
        EXPECT_FALSE(wide->lblRealFrame->isHidden());
    }
    g_blnDebug = false;
    frmPlay* quiet = OpenClip();
    EXPECT_TRUE(quiet->lblRealFrame->isHidden());
    EXPECT_TRUE(quiet->lblTrigFrame->isHidden());
}

TEST_F(PlayerTest, TheDrawnPictureFollowsTheEnhancementSetting) {
    frmPlay* p = OpenClip();
    ASSERT_NE(p, nullptr);
    const QImage plain = p->picImage->image();
    Playback().enhance = {1, 200};
    p->OnEnhanceTimer();
    EXPECT_NE(p->picImage->image(), plain);
    Playback().enhance = {0, 200};
    p->OnEnhanceTimer();
    EXPECT_EQ(p->picImage->image(), plain);
}

TEST_F(PlayerTest, TheMainWindowFollowsTheViewModeOnOpeningAndClosing) {
    struct Opening {
        int32_t mode;
        int consoleClosed; // opened from the record console: the console is closed
        bool mainVisible;
    };
    int consoleClosed = 0;
    Targets().closeRecordConsole = [&] { ++consoleClosed; };
    // From the main window's "Play" (view mode 3) the main window stays.
    for (const Opening& c : {Opening{1, 1, false}, Opening{3, 0, true}, Opening{0, 0, false}}) {
        SCOPED_TRACE(c.mode);
        consoleClosed = 0;
        mainWindow.show();
        g_lngViewMode = c.mode;
        EXPECT_NE(OpenClip(), nullptr);
        EXPECT_EQ(consoleClosed, c.consoleClosed);
        EXPECT_EQ(mainWindow.isVisible(), c.mainVisible);
    }
    Targets().closeRecordConsole = nullptr;

    struct Closing {
        int32_t mode; // when the player closes
        int32_t modeAfter;
        bool mainVisible;
    };
    // 1: the record console was opened from the main window while the player was up: it stays current.
    for (const Closing& c : {Closing{3, 0, true}, Closing{1, 1, false}}) {
        SCOPED_TRACE(c.mode);
        frmPlay* p = OpenClip();
        ASSERT_NE(p, nullptr);
        g_lngViewMode = c.mode;
        mainWindow.hide();
        p->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(Windows().frmPlay.isNull());
        EXPECT_EQ(g_lngViewMode, c.modeAfter);
        EXPECT_EQ(mainWindow.isVisible(), c.mainVisible);
    }
}

TEST_F(PlayerTest, AFailedOpenLeavesTheOpenPlayerAsItWas) {
    frmPlay* p = OpenClip();
    ASSERT_NE(p, nullptr);
    Act(*p, "step step");
    const QString broken = dir.file("broken.dat");
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("ZR");
    f.close();
    ui.fileAnswers.push_back(broken);
    EXPECT_TRUE(OpenDataFile()); // a player is still open
    ui.fileAnswers.push_back(QString());
    EXPECT_TRUE(OpenDataFile());
    ASSERT_EQ(ui.MessageTexts(),
              QStringList({"Cannot read ZRK_DATA_FILE_HEADER.", "No file selected for play."}));
    EXPECT_EQ(Windows().frmPlay.data(), p);
    EXPECT_EQ(p->CurrentFrame(), 2);
    EXPECT_EQ(Playback().file.path, dir.file("clip.dat"));
    EXPECT_EQ(p->windowTitle(), "clip.dat - Play");
}

} // namespace
