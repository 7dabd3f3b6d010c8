// The whole way through the program as start-up wires it, against the stand-in camera: "Record" in
// the main window, "Save" in the record console, a region's thumbnails, "Preview", playing, the marks
// narrowed, the data file saved, and back to the console.
#include "base/app_state.h"
#include "base/blocking_wait.h"
#include "base/frame_buffers.h"
#include "base/open_windows.h"
#include "base/shared_state.h"
#include "console/frm_rec.h"
#include "link/ctr.h"
#include "program/window_forwarder.h"
#include "protocol/command_channel.h"
#include "protocol/frm_main.h"
#include "protocol/main_supervisor.h"
#include "protocol/reply_handlers.h"
#include "tests/support/camera_program.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/wait.h"
#include "transfer/frm_down_load.h"
#include "transfer/frm_preview.h"
#include "transfer/thumbnail_picture.h"
#include "zrk_data_file.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

bool Idle() {
    return !g_blnCmdBusy && g_intQueueRead == g_intQueueWrite;
}

TEST(BrowserInTheProgram, FromTheConsoleToASavedRangeAndBack) {
    QTemporaryDir dir;
    ScriptedUi ui;
    SetAppPath(dir.path());
    SetWaitScale(1);
    ASSERT_TRUE(AllocThumbnailBuffer());
    InstallReplyHandlers();
    auto* window = new frmMain;
    Windows().frmMain = window;
    auto* sup = new MainSupervisor(window);
    InstallWindowForwarding();

    const QString state = WriteCameraState(
        dir, "rmod 0 0 3 0 1 1 10\nclock 2009 03 07 09 00 00\nregion 0 40 10 2009 03 07 08 00 00\n");
    ASSERT_FALSE(state.isEmpty());
    CameraProcess camera;
    ASSERT_TRUE(camera.Start({QStringLiteral("--state"), state}));
    PointLinksAt(*sup, camera);
    window->chkTCPConnect->setChecked(true);
    ASSERT_TRUE(WaitUntil([&] { return window->cmdRec->isEnabled() && g_blnLinkOpen && Idle(); }, 15000));

    window->cmdRec->click();
    auto* console = static_cast<frmRec*>(Windows().frmRec.data());
    ASSERT_NE(console, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return Idle(); }, 5000));
    console->cmdDownload->click();
    auto* browser = static_cast<frmDownLoad*>(Windows().frmThumbNail.data());
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(g_lngViewMode, 2);
    EXPECT_FALSE(console->isVisible());
    ASSERT_TRUE(WaitUntil([&] { return Idle() && g_lngTrigPos[0] == 10; }, 5000));

    ASSERT_EQ(browser->cmbAreaNo->count(), 2);
    browser->cmbAreaNo->setCurrentIndex(1);
    emit browser->cmbAreaNo->activated(1);
    auto drawn = [&] {
        int n = 0;
        for (ThumbnailPicture* p : browser->picFore)
            n += p->HasPicture();
        return n;
    };
    ASSERT_TRUE(WaitUntil([&] { return Idle() && drawn() == 16 && !ui.noticeOpen; }, 10000));
    EXPECT_EQ(browser->picBack[10]->Colour(), QColor(0, 255, 0)); // frame 29, the trigger

    browser->OptSelect[1]->setChecked(true);
    QTest::mouseClick(browser->picFore[12], Qt::LeftButton); // frame 33
    browser->OptSelect[0]->setChecked(true);
    QTest::mouseClick(browser->picBack[9], Qt::LeftButton); // frame 27
    EXPECT_EQ(browser->lblDownLoadCnt->text(), QStringLiteral("7"));
    browser->udnIDNumber->setValue(7);
    browser->cmdPreview->click();
    auto* preview = static_cast<frmPreview*>(Windows().frmPreview.data());
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(g_lngViewMode, 4);
    preview->optPlay->click();
    ASSERT_TRUE(WaitUntil([&] { return g_lngPreviewState == 3 && Idle(); }, 10000));
    EXPECT_EQ(preview->lblFrame->text(), QStringLiteral("33"));
    preview->cmdPrev->click(); // frame 27
    preview->cmdStep->click(); // 28
    ASSERT_TRUE(WaitUntil([&] { return Idle() && preview->lblFrame->text() == QStringLiteral("28"); }, 5000));
    preview->cmdStart->click();
    preview->cmdStep->click(); // 29
    preview->cmdStep->click(); // 30
    ASSERT_TRUE(WaitUntil([&] { return Idle() && preview->lblFrame->text() == QStringLiteral("30"); }, 5000));
    preview->cmdEnd->click();
    EXPECT_EQ(preview->lblSaveTotal->text(), QStringLiteral("3"));
    const QString path = dir.filePath(QStringLiteral("range.dat"));
    ui.fileAnswers.push_back(path);
    preview->cmdRQDL->click();
    ASSERT_TRUE(
        WaitUntil([&] { return Idle() && g_strSaveFile.isEmpty() && QFile(path).size() > 0; }, 10000));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.size(), ZRK_DATA_OFFSET + 3 * 40128);
    ZRK_DATA_INFO_HEADER info{};
    std::memcpy(&info, bytes.constData() + ZRK_DATA_FILE_HEADER_SIZE, sizeof info);
    EXPECT_EQ(info.frameCount, 3);
    EXPECT_EQ(info.triggerFrame, 1);
    EXPECT_EQ(info.idNumber, 7);

    preview->close();
    EXPECT_EQ(g_lngViewMode, 2);
    EXPECT_TRUE(browser->isVisible());
    browser->close();
    EXPECT_EQ(g_lngViewMode, 1);
    EXPECT_TRUE(console->isVisible());
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.MessageTexts().join(u'|').toStdString();

    console->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    delete sup;
    delete window;
    for (auto& h : ReplyHandlers())
        h = nullptr;
    RemoveWindowForwarding();
    SetWaitScale(100);
    g_lngViewMode = 0;
    FreeThumbnailBuffer();
}

} // namespace
