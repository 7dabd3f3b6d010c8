// "Play" in the real main window, with the program's forwarding installed: the player opens through
// Targets().openDataFile and the navigation keys reach it through the main window's key routing.
#include "playback/frm_play.h"
#include "program/window_forwarder.h"
#include "protocol/main_supervisor.h"
#include "tests/playback/player_fixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

class PlayFromMainTest : public ::testing::Test {
protected:
    void SetUp() override {
        InstallWindowForwarding();
        window = new frmMain;
        Windows().frmMain = window;
        sup = new MainSupervisor(window);
        window->show();
        g_lngViewMode = 0;
        g_strAppPath = dir.path() + u'/';
    }
    void TearDown() override {
        delete Windows().frmPlay.data();
        delete sup;
        delete window;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        RemoveWindowForwarding();
        g_lngViewMode = 0;
    }
    frmPlay* Player() const { return static_cast<frmPlay*>(Windows().frmPlay.data()); }

    ScriptedUi ui;
    ClipDir dir;
    frmMain* window = nullptr;
    MainSupervisor* sup = nullptr;
};

TEST_F(PlayFromMainTest, PlayOpensThePlayerAndTheKeysDriveIt) {
    ui.fileAnswers.push_back(WriteClip(dir.file("clip.dat")));
    window->cmdPlay->click();
    frmPlay* p = Player();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(g_lngViewMode, 3);
    EXPECT_TRUE(window->isVisible()); // opened from the main window: it stays
    EXPECT_EQ(ui.dialogFilters, QStringList({"ZRK Data File(*.DAT)|*.dat"}));

    struct Step {
        Qt::Key key;
        int frame;
        bool playing;
    };
    const Step steps[] = {
        {Qt::Key_PageUp, 1, false}, {Qt::Key_PageUp, 2, false}, {Qt::Key_PageDown, 1, false},
        {Qt::Key_End, 4, false},    {Qt::Key_Home, 0, false},   {Qt::Key_Right, 0, true},
        {Qt::Key_Up, 0, false},     {Qt::Key_Left, 0, true},    {Qt::Key_Down, 0, false},
    };
    for (const Step& s : steps) {
        QTest::keyClick(p, s.key);
        EXPECT_EQ(p->CurrentFrame(), s.frame) << s.key;
        EXPECT_EQ(p->Playing(), s.playing) << s.key;
    }
    // A modified key is not a navigation key.
    QTest::keyClick(p, Qt::Key_PageUp, Qt::ShiftModifier);
    EXPECT_EQ(p->CurrentFrame(), 0);

    // The timer plays on its own: 55 ms a frame.
    p->optPlay->click();
    EXPECT_EQ(p->tmrTimer->interval(), 55);
    QTest::qWait(400);
    EXPECT_GT(p->CurrentFrame(), 0);
    p->optPause->click();

    // "Play" again with a broken file keeps this player and its view mode.
    ui.fileAnswers.push_back(dir.file("missing.dat"));
    window->cmdPlay->click();
    EXPECT_EQ(Player(), p);
    EXPECT_EQ(g_lngViewMode, 3);
    EXPECT_EQ(ui.MessageTexts(), QStringList({"Cannot open ZRK data file."}));

    p->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Player(), nullptr);
    EXPECT_EQ(g_lngViewMode, 0);
}

TEST_F(PlayFromMainTest, NoFileChosenLeavesTheMainWindowCurrent) {
    ui.fileAnswers.push_back(QString());
    window->cmdPlay->click();
    EXPECT_EQ(Player(), nullptr);
    EXPECT_EQ(g_lngViewMode, 0);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages[0].title, "Play Control");
    EXPECT_EQ(ui.messages[0].text, "No file selected for play.");
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Exclamation);
}

} // namespace
