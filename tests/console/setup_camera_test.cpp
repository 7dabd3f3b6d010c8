// The setup dialogs against the stand-in camera, through the whole program: settings set and
// read back, the user presets, the live picture under pending colours, the clock, master/slave,
// analog input, the versions, and a reply that arrives after the dialog has moved on.
#include "base/app_state.h"
#include "base/blocking_wait.h"
#include "base/frame_buffers.h"
#include "base/open_windows.h"
#include "base/shared_state.h"
#include "console/frm_analog_in.h"
#include "console/frm_camera.h"
#include "console/frm_date_time.h"
#include "console/frm_rec.h"
#include "console/frm_sync_mode.h"
#include "console/frm_version.h"
#include "console/live_picture.h"
#include "console/setup_dialogs.h"
#include "link/ctr.h"
#include "program/window_forwarder.h"
#include "protocol/command_set.h"
#include "protocol/frm_main.h"
#include "protocol/main_supervisor.h"
#include "protocol/reply_handlers.h"
#include "tests/support/camera_program.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/wait.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <gtest/gtest.h>

namespace {

class SetupAgainstCamera : public ProgramAgainstCamera {
protected:
    SetupAgainstCamera()
        : ProgramAgainstCamera({.wire = InstallWindowForwarding, .unwire = RemoveWindowForwarding}) {}
    void StartCamera(const QStringList& args = {}) {
        StartCameraWithState("clock 2020 06 01 12 00 00\nrmod 0 0 0 0 0 0 0\nmode REC\ngain 1\nanig 0\n"
                             "user7 11 22 33\nwb 1 0 0 0\n",
                             args);
    }
    void TearDown() override {
        CloseSetupDialogs();
        ProgramAgainstCamera::TearDown();
    }
    bool Connect() {
        window->chkTCPConnect->setChecked(true);
        return WaitUntil([&] { return window->cmdRec->isEnabled() && !ui.noticeOpen && Idle(); }, 15000);
    }
    // Sends the read-out's queries again and waits for their answers.
    static bool ReadBack() {
        RequestGAIN();
        RequestGAMM();
        RequestWBPR(7); // this one sets the current balance too: the plain query comes last
        RequestWBPR(0);
        RequestSMOD();
        RequestANIG();
        return WaitUntil([] { return Idle(); }, 5000);
    }
    void LivePictureUnderPendingColours(bool ok);
    // Red and blue summed over a sample of the live picture.
    static std::pair<int64_t, int64_t> RedBlue(const QImage& image) {
        int64_t red = 0, blue = 0;
        for (int y = 0; y < image.height(); y += 4)
            for (int x = 0; x < image.width(); x += 4) {
                const QRgb p = image.pixel(x, y);
                red += qRed(p);
                blue += qBlue(p);
            }
        return {red, blue};
    }
};

TEST_F(SetupAgainstCamera, CameraSettingsAreSetReadBackAndUserPresetsKept) {
    StartCamera();
    ASSERT_TRUE(Connect());
    QWidget console;
    ShowCameraDialog(&console);
    frmCamera& d = *CameraDialog();
    EXPECT_EQ(d.cmbCamGain->currentIndex(), 1);
    d.cmbCamGain->setCurrentIndex(5); // sent at once
    d.cmbGamma->setCurrentIndex(3);
    d.cmbWhiteBalance->setCurrentIndex(4); // User 2: the camera's stored colours
    EXPECT_EQ(d.sldGreen->value(), 22);
    d.sldRed->setValue(200);
    ui.answers = {MsgResult::Ok};
    d.cmdUserSet->click(); // saved in the camera
    d.cmdOK->click();      // gamma; the preset went with "Save"
    ASSERT_TRUE(WaitUntil([] { return Idle(); }, 5000));
    ASSERT_TRUE(ReadBack());
    EXPECT_EQ(g_lngGain, 5);
    EXPECT_EQ(g_Gamma, (GammaSetting{3, 55}));
    EXPECT_EQ(g_WB, (WhiteBalance{7, 200, 22, 33}));
    EXPECT_EQ(g_UserWB[1].Red, 200);

    // Recall and Default on the stored preset.
    ShowCameraDialog(&console);
    frmCamera& again = *CameraDialog();
    EXPECT_EQ(again.lblUserRed->text(), QStringLiteral("200"));
    again.sldRed->setValue(5);
    again.cmdUserLoad->click();
    EXPECT_EQ(again.sldRed->value(), 200);
    ui.answers = {MsgResult::Ok};
    again.cmdInitial->click();
    again.cmdOK->click();
    ASSERT_TRUE(WaitUntil([] { return Idle(); }, 5000));
    ASSERT_TRUE(ReadBack());
    EXPECT_EQ(g_WB, (WhiteBalance{7, 184, 128, 202}));
    for (const ShownMessage& m : ui.messages)
        EXPECT_EQ(m.title, QStringLiteral("User White Balance Setup")) << m.text.toStdString();
}

TEST_F(SetupAgainstCamera, AReplyAfterTheDialogMovedOnAppliesTheValueSent) {
    StartCamera({"--fault", "delay:WBPR:300"});
    ASSERT_TRUE(Connect());
    QWidget console;
    ShowCameraDialog(&console);
    CameraDialog()->cmbWhiteBalance->setCurrentIndex(2); // Halogen
    CameraDialog()->cmdOK->click();                      // "WBPR 2 ..." goes out, answered late
    ShowCameraDialog(&console);                          // reopened: the pending value moves on
    CameraDialog()->cmbWhiteBalance->setCurrentIndex(0);
    ASSERT_TRUE(WaitUntil([] { return Idle(); }, 5000));
    EXPECT_EQ(g_WB.Preset, 2);
    EXPECT_EQ(g_WBNew.Preset, 0); // still the dialog's
}

// The live picture under colours moved in the camera dialog: Cancel takes them back at once; OK
// without "Save" on the camera's own user preset sends nothing and keeps them until live output
// starts again.
void SetupAgainstCamera::LivePictureUnderPendingColours(bool ok) {
    {
        StartCameraWithState(QByteArray("clock 2020 06 01 12 00 00\nrmod 0 0 0 0 0 0 0\nmode REC\ngain 1\n") +
                                 (ok ? "user6 128 128 128\nwb 6 128 128 128\n" : "wb 1 0 0 0\n"),
                             {"--speed", "0.1"});
        ASSERT_TRUE(Connect());
        window->cmdRec->click();
        frmRec* c = RecordConsole();
        ASSERT_TRUE(c);
        c->chkPreview->setChecked(true);
        ASSERT_TRUE(WaitUntil([&] { return c->picImage->HasPicture(); }, 10000));
        QTest::qWait(300);
        const auto before = RedBlue(c->picImage->Image());
        c->cmdCamera->click();
        ASSERT_TRUE(CameraDialogOpen());
        EXPECT_FALSE(c->isEnabled());
        frmCamera& d = *CameraDialog();
        d.cmbWhiteBalance->setCurrentIndex(3); // User 1, then strongly red
        d.sldRed->setValue(255);
        d.sldBlue->setValue(0);
        QTest::qWait(400);
        const auto pending = RedBlue(c->picImage->Image());
        EXPECT_GT(pending.first * before.second, before.first * pending.second); // redder than before
        (ok ? d.cmdOK : d.cmdCancel)->click();
        EXPECT_TRUE(c->isEnabled());
        QTest::qWait(400);
        const auto after = RedBlue(c->picImage->Image());
        if (ok) {
            EXPECT_EQ(after.first * pending.second, pending.first * after.second); // still the moved red
            c->chkPreview->setChecked(false);
            ASSERT_TRUE(WaitUntil([&] { return g_lngDataMode == 0 && Idle(); }, 5000));
            c->chkPreview->setChecked(true); // a new live output starts with the camera's colours
            ASSERT_TRUE(WaitUntil([&] { return g_lngDataMode == 1 && Idle(); }, 5000));
            QTest::qWait(400);
            const auto restarted = RedBlue(c->picImage->Image());
            EXPECT_LT(restarted.first * pending.second, pending.first * restarted.second);
        } else {
            EXPECT_LT(after.first * pending.second,
                      pending.first * after.second); // back from the pending red
        }
        c->chkPreview->setChecked(false);
        ASSERT_TRUE(WaitUntil([&] { return g_lngDataMode == 0 && Idle(); }, 5000));
    }
}

TEST_F(SetupAgainstCamera, LivePictureFollowsThePendingColoursUntilCancel) {
    LivePictureUnderPendingColours(false);
}

TEST_F(SetupAgainstCamera, ColoursKeptWithOkWithoutSaveColourTheLivePictureUntilItRestarts) {
    LivePictureUnderPendingColours(true);
}

TEST_F(SetupAgainstCamera, ClockMasterSlaveAnalogInputAndVersions) {
    StartCamera();
    ASSERT_TRUE(Connect());
    EXPECT_EQ(DateTimeDialog(), nullptr); // the read-out's clock query opens nothing
    window->cmdTime->click();
    ASSERT_TRUE(WaitUntil([] { return DateTimeDialog() != nullptr; }, 5000));
    frmSetTime& t = *DateTimeDialog();
    EXPECT_EQ(t.dtpDate->date(), QDate(2020, 6, 1));
    t.dtpDate->setDate(QDate(2003, 3, 5));
    t.dtpTime->setTime(QTime(7, 8, 9));
    t.cmdOK->click();
    ASSERT_TRUE(WaitUntil([] { return Idle(); }, 5000));
    window->cmdTime->click();
    ASSERT_TRUE(WaitUntil([] { return DateTimeDialog() != nullptr; }, 5000));
    EXPECT_EQ(DateTimeDialog()->dtpDate->date(), QDate(2003, 3, 5));
    EXPECT_LE(QTime(7, 8, 9).secsTo(DateTimeDialog()->dtpTime->time()), 5);
    DateTimeDialog()->cmdCancel->click();

    window->cmdSyncMode->click();
    ASSERT_TRUE(SyncModeDialog());
    SyncModeDialog()->optSyncMode[1]->click();
    SyncModeDialog()->cmdOK->click();
    QWidget console;
    ShowAnalogInDialog(&console);
    AnalogInDialog()->cmbAnalogGain->setCurrentIndex(3);
    AnalogInDialog()->cmdOK->click();
    ASSERT_TRUE(WaitUntil([] { return Idle(); }, 5000));
    g_lngSyncMode = g_lngAnalogGain = -1;
    ASSERT_TRUE(ReadBack());
    EXPECT_EQ(g_lngSyncMode, 1);
    EXPECT_EQ(g_lngAnalogGain, 3);

    window->cmdVersion->click();
    ASSERT_TRUE(VersionWindow());
    EXPECT_EQ(VersionWindow()->lblMainProg->text(), QStringLiteral("KB4401-03"));
    EXPECT_EQ(VersionWindow()->lblCpuCard->text(), QStringLiteral("KB4402-12"));
    EXPECT_EQ(VersionWindow()->lblTgCard->text(), QStringLiteral("KB4403-01"));
    EXPECT_FALSE(window->isEnabled());
    VersionWindow()->cmdOK->click();
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.MessageTexts().join('|').toStdString();
}

} // namespace
