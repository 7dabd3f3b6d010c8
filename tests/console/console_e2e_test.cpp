// The record console against the stand-in camera, through the whole program: "Record" in the
// connected main window, the live picture through the real receiver and image library, a frame
// with a bad signature, a display that never frees its buffer, unticking "Preview", and a
// recording started, triggered, stopped and cleared with the region counts following it.
#include "base/app_state.h"
#include "base/blocking_wait.h"
#include "base/frame_buffers.h"
#include "base/open_windows.h"
#include "base/shared_state.h"
#include "console/console_install.h"
#include "console/frm_rec.h"
#include "console/frm_set_rmod.h"
#include "console/live_image.h"
#include "console/live_picture.h"
#include "link/ctr.h"
#include "program/window_forwarder.h"
#include "protocol/frm_main.h"
#include "protocol/main_supervisor.h"
#include "protocol/reply_handlers.h"
#include "tests/support/camera_program.h"
#include "tests/support/qt_print.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/wait.h"
#include "transfer/live_stats.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// A display that keeps every live buffer it is handed.
class StuckDisplay final : public WindowForwarder {
public:
    void ShowLiveImage() override {}
};

class ConsoleAgainstCamera : public ProgramAgainstCamera {
protected:
    ConsoleAgainstCamera()
        : ProgramAgainstCamera({.wire = InstallWindowForwarding, .unwire = RemoveWindowForwarding}) {}
    // Starts the camera with a state file of these lines (after a clock the program accepts).
    void StartCamera(const QStringList& state, const QStringList& args = {}) {
        StartCameraWithState(("clock 2020 06 01 12 00 00\n" + state.join('\n') + '\n').toLatin1(), args);
    }
    // Connects and opens the console with "Record".
    frmRec* ConnectAndOpenConsole() {
        window->chkTCPConnect->setChecked(true);
        if (!WaitUntil([&] { return Connected(); }, 15000)) return nullptr;
        window->cmdRec->click();
        return RecordConsole();
    }
    int Sent(const QString& command) const { return ui.traces.filter(QStringLiteral("->") + command).size(); }
    // Pixels of the picture that are not black.
    static int Lit(const QImage& image) {
        int lit = 0;
        for (int y = 0; y < image.height(); y += 8)
            for (int x = 0; x < image.width(); x += 8)
                lit += (image.pixel(x, y) & 0xFFFFFF) != 0;
        return lit;
    }
};

TEST_F(ConsoleAgainstCamera, LivePictureWithAnalogValueUntilPreviewIsUnticked) {
    StartCamera({"rmod 0 0 0 0 0 0 0", "anig 2", "mode REC"}, {"--speed", "0.1"});
    frmRec* c = ConnectAndOpenConsole();
    ASSERT_TRUE(c);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(g_lngViewMode, 1);
    EXPECT_TRUE(c->lblAnalog->isEnabled()); // analog input in use
    const uint64_t shownBefore = LiveFramesShown();
    c->chkPreview->setChecked(true); // MODE LIVE, then LVST from its reply
    ASSERT_TRUE(WaitUntil([&] { return LiveFramesShown() >= shownBefore + 6; }, 10000));
    EXPECT_TRUE(c->picImage->HasPicture());
    EXPECT_EQ(c->picImage->Image().size(), QSize(400, 400));
    EXPECT_GT(Lit(c->picImage->Image()), 100);
    EXPECT_GE(ui.traces.filter(QStringLiteral("Frame No.")).size(), 6);
    // The camera's test signal moves the analog value away from 0.
    EXPECT_TRUE(WaitUntil([&] { return c->lblAnalog->text() != QStringLiteral("0"); }, 5000));
    // The health line reports the stream once a second.
    EXPECT_TRUE(
        WaitUntil([&] { return c->lblLiveHealth->text().contains(QStringLiteral("frames/s")); }, 3000));
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.MessageTexts().join('|').toStdString();

    const QString docs = qEnvironmentVariable("ZRK_DOCS_DIR");
    if (!docs.isEmpty()) {
        c->grab().save(QDir(docs).filePath(QStringLiteral("record-console.png")));
    }

    c->chkPreview->setChecked(false); // LVSP and MODE REC
    ASSERT_TRUE(WaitUntil([&] { return g_lngDataMode == 0 && g_lngCamMode == 0 && Idle(); }, 5000));
    EXPECT_EQ(Sent(QStringLiteral("LVSP")), 1);
    EXPECT_FALSE(c->picImage->HasPicture());
    const uint64_t bytes = LiveCounters().bytesReceived;
    QTest::qWait(400);
    EXPECT_EQ(LiveCounters().bytesReceived, bytes) << "the stream has ended";
    EXPECT_TRUE(WaitUntil([&] { return c->lblLiveHealth->text().isEmpty(); }, 3000));

    if (!docs.isEmpty()) {
        c->cmdSetRMOD->click();
        ASSERT_TRUE(RecordSetupWindow());
        RecordSetupWindow()->grab().save(QDir(docs).filePath(QStringLiteral("record-properties.png")));
        RecordSetupWindow()->close();
    }
}

TEST_F(ConsoleAgainstCamera, ABadSignatureStopsLiveOutputOnce) {
    StartCamera({"rmod 3 0 0 0 0 0 0", "mode LIVE"}, {"--fault", "bad-magic:2"});
    frmRec* c = ConnectAndOpenConsole();
    ASSERT_TRUE(c);
    EXPECT_TRUE(c->chkPreview->isChecked()); // opened in LIVE mode
    ASSERT_TRUE(WaitUntil([&] { return !ui.messages.isEmpty(); }, 10000));
    ASSERT_TRUE(WaitUntil([&] { return g_lngDataMode == 0 && g_lngCamMode == 0 && Idle(); }, 5000));
    QTest::qWait(300);
    EXPECT_EQ(ui.MessageTexts(), QStringList{"No header in ZRK data for preview image."});
    EXPECT_EQ(ui.messages[0].title, QStringLiteral("Preview Output"));
    EXPECT_EQ(Sent(QStringLiteral("LVSP")), 1);
    EXPECT_EQ(Sent(QStringLiteral("MODE REC")), 1);
    EXPECT_FALSE(c->chkPreview->isChecked());
    EXPECT_FALSE(c->picImage->HasPicture());
    EXPECT_TRUE(window->chkTCPConnect->isChecked()); // the connection stays
}

TEST_F(ConsoleAgainstCamera, ADisplayThatNeverFreesItsBufferEndsInTheDataTimeOut) {
    StartCamera({"rmod 0 0 0 0 0 0 0", "mode REC"});
    frmRec* c = ConnectAndOpenConsole();
    ASSERT_TRUE(c);
    StuckDisplay stuck;
    SetHooks(&stuck);
    sup->tmrDataTimeOut->setInterval(700);
    c->chkPreview->setChecked(true);
    ASSERT_TRUE(WaitUntil([&] { return !ui.messages.isEmpty(); }, 10000));
    EXPECT_EQ(ui.MessageTexts(), QStringList{"Time out image data port\r\nCommunication end."});
    EXPECT_TRUE(WaitUntil([&] { return !RecordConsole(); }, 3000));
    EXPECT_EQ(g_lngViewMode, 0);
    EXPECT_FALSE(window->chkTCPConnect->isChecked());
    EXPECT_TRUE(window->isVisible());
    InstallWindowForwarding();
}

TEST_F(ConsoleAgainstCamera, RecordTriggerStopAndClearWithTheRegionCountsFollowing) {
    // Two regions of 1672 frames at 200x200; End trigger: a ring until the trigger.
    StartCamera({"rmod 0 0 0 0 1 2 0", "mode REC"}, {"--speed", "100"});
    frmRec* c = ConnectAndOpenConsole();
    ASSERT_TRUE(c);
    EXPECT_EQ(c->lblAreaCount[0]->text(), QStringLiteral("0/1672"));
    EXPECT_EQ(c->lblAreaCount[2]->text(), QString());
    EXPECT_TRUE(c->cmdSetRMOD->isEnabled());
    const QColor face = c->cmdSetRCST->palette().color(QPalette::Button);

    c->cmdSetRCST->click();
    ASSERT_TRUE(WaitUntil([&] { return g_lngRunState == 1 && c->cmdSetTRIG->isEnabled(); }, 5000));
    EXPECT_EQ(c->cmdSetRCST->palette().color(QPalette::Button), QColor(Qt::red));
    EXPECT_FALSE(c->cmdSetRCST->isEnabled() || c->cmdSetRMOD->isEnabled() || c->chkPreview->isEnabled());
    ASSERT_TRUE(
        WaitUntil([&] { return c->lblAreaCount[0]->palette().color(QPalette::Window) == Qt::red; }, 5000));

    c->cmdSetTRIG->click(); // End trigger: the recording ends; the state poll finds it idle
    ASSERT_TRUE(WaitUntil([&] { return g_lngRunState == 0 && c->cmdSetRCST->isEnabled() && Idle(); }, 8000));
    EXPECT_TRUE(c->lblAreaCount[0]->text().endsWith(QStringLiteral("/1672")));
    EXPECT_NE(c->lblAreaCount[0]->text(), QStringLiteral("0/1672"));
    EXPECT_EQ(c->lblAreaCount[0]->palette().color(QPalette::Window), QColor(128, 128, 255));
    EXPECT_EQ(c->lblAreaCount[1]->palette().color(QPalette::Window), QColor(Qt::yellow));
    EXPECT_EQ(c->cmdSetRCST->palette().color(QPalette::Button), face);
    EXPECT_EQ(g_lngDataState, 1); // the second region is still free
    EXPECT_TRUE(c->cmdDownload->isEnabled() && c->cmdSetRACL->isEnabled());
    EXPECT_FALSE(c->cmdSetRMOD->isEnabled());
    // The status line said the trigger was taken, then why the settings are grey.
    const QString locked =
        "Settings are locked while the camera holds recorded frames: save them, then Clear.";
    EXPECT_EQ(ui.statuses, (QStringList{"Trigger accepted: 0 frames follow it.", locked}));
    EXPECT_EQ(c->lblStatus->text(), locked);
    EXPECT_EQ(window->lblStatus->text(), locked);
    if (const QString docs = qEnvironmentVariable("ZRK_DOCS_DIR"); !docs.isEmpty()) {
        window->ShowAddress(QStringLiteral("ZRK1"), QStringLiteral("127.0.0.1")); // where the links point
        window->grab().save(QDir(docs).filePath(QStringLiteral("main-window.png")));
    }

    c->cmdSetRCST->click(); // into the second region, stopped by hand
    ASSERT_TRUE(WaitUntil([&] { return g_lngRunState == 1 && c->cmdSetRCSP->isEnabled(); }, 5000));
    QTest::qWait(100);
    c->cmdSetRCSP->click();
    ASSERT_TRUE(WaitUntil([&] { return g_lngRunState == 0 && g_lngDataState == 2 && Idle(); }, 8000));
    EXPECT_TRUE(c->lblAreaCount[1]->text().endsWith(QStringLiteral("/1672")));
    EXPECT_NE(c->lblAreaCount[1]->text(), QStringLiteral("0/1672"));
    EXPECT_FALSE(c->cmdSetRCST->isEnabled() || c->chkPreview->isEnabled());

    ui.answers = {MsgResult::Ok};
    c->cmdSetRACL->click();
    ASSERT_TRUE(WaitUntil([&] { return g_lngDataState == 0 && Idle(); }, 5000));
    EXPECT_EQ(ui.MessageTexts(), QStringList{"Clear all image data?"});
    EXPECT_EQ(c->lblAreaCount[0]->text(), QStringLiteral("0/1672"));
    EXPECT_EQ(c->lblAreaCount[1]->palette().color(QPalette::Window), QColor(Qt::yellow));
    EXPECT_TRUE(c->cmdSetRMOD->isEnabled() && c->cmdSetRCST->isEnabled());
    EXPECT_EQ(c->lblStatus->text(), QString()); // Clear lifted the lock

    c->close();
    EXPECT_EQ(g_lngViewMode, 0);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(ConsoleAgainstCamera, ANewImageSizeFromTheRecordSettingsDialogResumesLiveAtThatSize) {
    StartCamera({"rmod 0 0 0 0 0 0 0", "mode LIVE"});
    frmRec* c = ConnectAndOpenConsole();
    ASSERT_TRUE(c);
    ASSERT_TRUE(WaitUntil([&] { return c->picImage->HasPicture(); }, 10000));
    c->cmdSetRMOD->click(); // stops live output, disables the console
    EXPECT_FALSE(c->isEnabled());
    frmSetRmod* dialog = RecordSetupWindow();
    ASSERT_TRUE(dialog);
    dialog->cmbSpeed->setCurrentIndex(6); // "90FPS": 512x512
    emit dialog->cmbSpeed->activated(6);
    dialog->OKButton->click(); // RMOD, and LVST as it closes
    ASSERT_TRUE(WaitUntil([&] { return g_RecMode.ImageSize == 3 && !ui.noticeOpen; }, 5000));
    EXPECT_EQ(ui.noticeText, QStringLiteral("Changing image size.\r\nWait..."));
    EXPECT_TRUE(c->isEnabled());
    EXPECT_EQ(c->lblSize->text(), QStringLiteral("512x512"));
    EXPECT_EQ(c->lblSpeed->text(), QStringLiteral("90FPS"));
    EXPECT_EQ(c->picImage->geometry(), QRect(4, 4, 516, 516));
    const uint64_t shown = LiveFramesShown();
    ASSERT_TRUE(WaitUntil([&] { return LiveFramesShown() >= shown + 3; }, 10000));
    EXPECT_EQ(c->picImage->Image().size(), QSize(512, 512));
    EXPECT_GT(Lit(c->picImage->Image()), 100);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.MessageTexts().join('|').toStdString();
}

} // namespace
