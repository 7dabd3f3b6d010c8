// The fault matrix: the whole program as start-up wires it, against zrkcam, brought to one stage of
// its work and then hit by one fault. Whatever the cell, the same things must hold afterwards: at
// most one message box (the expected one where the program owes one), every window enabled, the
// program connected and idle or disconnected with "Connect" enabled, no data file left open, a data
// file either complete and identical to what the camera sent or kept as written, and nothing that
// fires later; and every connection the camera saw was traced by the program as an attempt.
#include "base/app_state.h"
#include "base/blocking_wait.h"
#include "base/frame_buffers.h"
#include "base/open_windows.h"
#include "base/shared_state.h"
#include "camsim/camera.h"
#include "camsim/state_file.h"
#include "console/frm_rec.h"
#include "console/live_picture.h"
#include "link/ctr.h"
#include "program/window_forwarder.h"
#include "protocol/command_channel.h"
#include "protocol/frm_main.h"
#include "protocol/main_supervisor.h"
#include "protocol/reply_handlers.h"
#include "tests/support/camera_program.h"
#include "tests/support/qt_print.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/wait.h"
#include "tests/transfer/data_file_expect.h"
#include "tests/transfer/fault_matrix_cells.h"
#include "transfer/frm_down_load.h"
#include "transfer/frm_preview.h"
#include "transfer/save_range.h"
#include "zrk_data_file.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace {

constexpr int kTimeOutMs = 400; // both time-outs, shortened
constexpr int kFrames = 40;
constexpr const char* kState =
    "rmod 0 0 3 0 0 2 0\nclock 2010 01 02 03 04 05\nregion 0 40 0 2010 01 02 03 00 00\n";

// The camera's frame records of the whole region, as its own model renders them.
QByteArray RegionFrames() {
    zrkcam::Camera c{zrkcam::CameraConfig{}};
    std::string error;
    EXPECT_TRUE(zrkcam::applyState(c, kState, zrkcam::Now{}, error)) << error;
    const zrkcam::Recording& rec = c.region(0).rec;
    QByteArray out;
    std::vector<uint8_t> buf(zrkcam::kMaxFrameBytes);
    for (int i = 0; i < kFrames; ++i) {
        const int n = zrkcam::renderFrame(rec.settings, zrkcam::recordedStamp(rec, 0, i), buf.data());
        out.append(reinterpret_cast<const char*>(buf.data()), n);
    }
    return out;
}

// Data and movie files this process still has open.
QStringList OpenDataFiles() {
    QStringList open;
    for (const QFileInfo& fd :
         QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files)) {
        const QString target = fd.symLinkTarget();
        if (target.endsWith(QLatin1String(".dat")) || target.endsWith(QLatin1String(".avi"))) open << target;
    }
    return open;
}

bool Idle() {
    return !g_blnCmdBusy && g_intQueueRead == g_intQueueWrite;
}

class FaultMatrix : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(AllocPreviewBuffers());
        ASSERT_TRUE(AllocThumbnailBuffer());
        InstallReplyHandlers();
        InstallWindowForwarding();
    }
    static void TearDownTestSuite() {
        RemoveWindowForwarding();
        for (auto& h : ReplyHandlers())
            h = nullptr;
        FreeThumbnailBuffer();
        FreePreviewBuffers();
    }

    void RunStages(std::initializer_list<Stage> stages);

    // One cell, from a fresh camera and main window to the checks.
    void Run(const Cell& cell) {
        SCOPED_TRACE(std::string(Name(cell.stage)) + " x " + Name(cell.fault));
        QTemporaryDir dir;
        ScriptedUi ui;
        SetAppPath(dir.path());
        SetWaitScale(1);
        g_blnDebug = true;
        auto* window = new frmMain;
        Windows().frmMain = window;
        auto* sup = new MainSupervisor(window);
        sup->tmrComTimeOut->setInterval(kTimeOutMs);
        sup->tmrDataTimeOut->setInterval(kTimeOutMs);
        CameraProcess camera;
        const QString path = dir.filePath(QStringLiteral("take.dat"));
        const QString state = WriteCameraState(dir, kState);
        ASSERT_TRUE(camera.Start(QStringList{"--state", state} + CameraFaults(cell)));
        PointLinksAt(*sup, camera);
        const pid_t pid = static_cast<pid_t>(camera.process.processId());
        std::optional<FileSizeLimit> limit;

        if (cell.stage == Stage::ReadOut) {
            window->chkTCPConnect->setChecked(true);
            ASSERT_TRUE(WaitUntil([&] { return g_blnLinkOpen; }, 10000)); // NPIC is held back meanwhile
        } else {
            window->chkTCPConnect->setChecked(true);
            ASSERT_TRUE(
                WaitUntil([&] { return window->cmdRec->isEnabled() && g_blnLinkOpen && Idle(); }, 15000));
            ASSERT_TRUE(ui.messages.isEmpty()) << ui.MessageTexts().join('|').toStdString();
            window->cmdRec->click();
            console = static_cast<frmRec*>(Windows().frmRec.data());
            ASSERT_NE(console, nullptr);
            ASSERT_TRUE(WaitUntil([&] { return Idle(); }, 5000));
            if (cell.fault == Fault::DiskFull) limit.emplace(16384);
            ASSERT_NO_FATAL_FAILURE(Reach(cell, path, ui));
        }

        switch (cell.fault) {
        case Fault::CommandClosed:
            ::kill(pid, SIGUSR1);
            break;
        case Fault::DataClosed:
            ::kill(pid, SIGUSR2);
            break;
        case Fault::Killed:
            ::kill(pid, SIGKILL);
            break;
        case Fault::NoReply:
            ::kill(pid, SIGSTOP);
            break;
        default:
            break; // set up through the camera's switches or the file-size limit
        }

        // Settled: disconnected, or connected with nothing in flight; then twice the time-outs more.
        auto settled = [&] {
            const bool disconnected = !window->chkTCPConnect->isChecked() && !g_blnCmdOpen && !g_blnDataOpen;
            // Live output and a playing preview may run on (a reconnect brings them back); their
            // time-outs then run with them.
            const bool playing = g_lngViewMode == 4 && g_lngPreviewState == 0;
            const bool quiet = window->chkTCPConnect->isChecked() &&
                               (playing || (Idle() && (g_lngDataMode == 0 || g_lngDataMode == 1) &&
                                            !sup->tmrComTimeOut->isActive() &&
                                            (g_lngDataMode == 1 || !sup->tmrDataTimeOut->isActive())));
            return (disconnected || quiet) && !ui.noticeOpen && !ui.progressOpen;
        };
        auto where = [&] {
            return QStringLiteral(
                       "connect=%1 cmd=%2 data=%3 busy=%4 queue=%5/%6 cur=%7 mode=%8 com=%9 dat=%10 "
                       "notice=%11 progress=%12 messages=%13")
                .arg(window->chkTCPConnect->isChecked())
                .arg(g_blnCmdOpen)
                .arg(g_blnDataOpen)
                .arg(g_blnCmdBusy)
                .arg(g_intQueueRead)
                .arg(g_intQueueWrite)
                .arg(g_lngCurCmd)
                .arg(g_lngDataMode)
                .arg(sup->tmrComTimeOut->isActive())
                .arg(sup->tmrDataTimeOut->isActive())
                .arg(ui.noticeOpen)
                .arg(ui.progressOpen)
                .arg(ui.MessageTexts().join('|'))
                .toStdString();
        };
        EXPECT_TRUE(WaitUntil(settled, 10000)) << "never settled: " << where();
        QTest::qWait(2 * kTimeOutMs);
        limit.reset();

        // At most one message, the owed one.
        if (qEnvironmentVariableIsSet("ZRK_MATRIX_TRACE"))
            std::fprintf(stderr, "%s\ncamera: state %d exit %d\n", qPrintable(ui.traces.join('\n')),
                         int(camera.process.state()), camera.process.exitCode());
        if (cell.message) {
            EXPECT_EQ(ui.MessageTexts(), QStringList{*cell.message});
        } else {
            EXPECT_TRUE(ui.messages.isEmpty()) << ui.MessageTexts().join('|').toStdString();
        }
        // The windows: every one enabled; "Connect" usable.
        EXPECT_TRUE(WaitUntil([&] { return window->chkTCPConnect->isEnabled(); }, 3000));
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible()) {
                EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
            }
        EXPECT_TRUE(settled()) << where();
        EXPECT_FALSE(DownloadBusy());
        // Every connection the camera saw was one the program traced as an attempt.
        const QByteArray seen = camera.process.readAllStandardError();
        const int connections =
            static_cast<int>(seen.count("command connection from") + seen.count("client refused") +
                             seen.count("connection refused") + seen.count("connection accepted"));
        EXPECT_LE(connections, static_cast<int>(ui.traces.filter(QStringLiteral("Try Open")).size()))
            << ui.traces.join('\n').toStdString() << seen.constData();
        // No data file left open; a file complete and identical, or kept as written.
        EXPECT_EQ(OpenDataFiles(), QStringList{});
        if (QFile::exists(path)) {
            const QByteArray file = ReadFile(path);
            const QByteArray frames = RegionFrames();
            ASSERT_GE(file.size(), ZRK_DATA_OFFSET);
            EXPECT_TRUE(frames.startsWith(file.mid(ZRK_DATA_OFFSET))) << "not what the camera sent";
        }

        if (cell.fault == Fault::NoReply) ::kill(pid, SIGKILL);
        camera.Stop();
        window->chkTCPConnect->setChecked(false);
        delete sup;
        delete window;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        console = nullptr;
        g_lngViewMode = 0;
        g_blnDebug = false;
        SetWaitScale(100);
    }

private:
    frmRec* console = nullptr;

    // The camera's switches for a cell: what holds the stage open long enough, and the fault itself
    // where the camera plays it.
    static QStringList CameraFaults(const Cell& c) {
        QStringList f;
        switch (c.stage) {
        case Stage::ReadOut:
            f << "delay:NPIC:300";
            break;
        case Stage::Thumbnails:
        case Stage::PreviewPlaying:
            f << "delay:RQDL:60";
            break;
        case Stage::DownloadStart:
            if (c.fault == Fault::ErrorReply)
                f << "error-after:0";
            else if (c.fault != Fault::DiskFull)
                f << "stall-data:0";
            break;
        case Stage::DownloadMiddle:
            if (c.fault == Fault::ErrorReply)
                f << "error-after:50000";
            else if (c.fault != Fault::DiskFull)
                f << "stall-data:50000";
            break;
        case Stage::DownloadEnd:
            if (c.fault == Fault::ErrorReply)
                f << "error-after:99999999";
            else
                f << "hold-226";
            break;
        default:
            break;
        }
        if (c.fault == Fault::BadSignature) {
            if (c.stage == Stage::Live) f << "bad-magic:2";
            if (c.stage == Stage::Thumbnails) f << "bad-magic-request:3";
            if (c.stage == Stage::PreviewPlaying) f << "bad-magic-request:20";
        }
        if (c.fault == Fault::ErrorReply &&
            (c.stage == Stage::Thumbnails || c.stage == Stage::PreviewPlaying))
            f << (c.stage == Stage::Thumbnails ? "error-reply:3:551" : "error-reply:20:551");
        QStringList args{"-v"}; // its connections are counted against the program's trace
        for (const QString& s : f)
            args << "--fault" << s;
        return args;
    }

    // Drives the program from the record console to the cell's stage.
    void Reach(const Cell& cell, const QString& path, ScriptedUi& ui) {
        if (cell.stage == Stage::Idle) return;
        if (cell.stage == Stage::Live) {
            console->chkPreview->setChecked(true);
            ASSERT_TRUE(
                WaitUntil([&] { return g_lngDataMode == 1 && console->picImage->HasPicture(); }, 10000));
            return;
        }
        console->cmdDownload->click();
        auto* browser = static_cast<frmDownLoad*>(Windows().frmThumbNail.data());
        ASSERT_NE(browser, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return Idle(); }, 5000));
        const bool download = cell.stage == Stage::DownloadStart || cell.stage == Stage::DownloadMiddle ||
                              cell.stage == Stage::DownloadEnd;
        if (download) {
            // The whole region saved over the browser, with no thumbnails: the camera's data faults
            // then reach the download alone.
            ui.fileAnswers = {path};
            ASSERT_TRUE(SaveRange(0, kFrames, kFrames, 0, -1, browser));
        } else {
            browser->cmbAreaNo->setCurrentIndex(1);
            emit browser->cmbAreaNo->activated(1);
        }
        if (cell.stage == Stage::Thumbnails) {
            ASSERT_TRUE(WaitUntil([&] { return g_lngCurCmd >= 39 && g_blnCmdBusy; }, 5000)); // a few drawn
            return;
        }
        if (cell.stage == Stage::PreviewPlaying) {
            ASSERT_TRUE(WaitUntil([&] { return Idle() && !ui.noticeOpen; }, 10000))
                << ui.MessageTexts().join('|').toStdString();
            ASSERT_TRUE(ui.messages.isEmpty()) << ui.MessageTexts().join('|').toStdString();
            browser->cmdPreview->click();
            auto* preview = static_cast<frmPreview*>(Windows().frmPreview.data());
            ASSERT_NE(preview, nullptr);
            preview->optPlay->click();
            ASSERT_TRUE(
                WaitUntil([&] { return g_lngPreviewState == 0 && g_lngCurCmd == 53 && g_blnCmdBusy; }, 5000));
            return;
        }
        switch (cell.stage) {
        case Stage::DownloadStart:
            if (cell.fault != Fault::ErrorReply) {
                ASSERT_TRUE(WaitUntil([&] { return g_lngDataMode == 2 || !ui.messages.isEmpty(); }, 5000));
            }
            break;
        case Stage::DownloadMiddle:
            if (cell.fault != Fault::ErrorReply) {
                ASSERT_TRUE(WaitUntil(
                    [&] { return QFileInfo(path).size() >= 50000 || !ui.messages.isEmpty(); }, 5000));
            }
            break;
        case Stage::DownloadEnd:
            if (cell.fault != Fault::ErrorReply) {
                ASSERT_TRUE(WaitUntil([&] { return g_lngDataMode == 2 && !g_blnDlDataWait; }, 5000));
            }
            break;
        default:
            break;
        }
    }
};

const std::optional<QString> none;
const Cell kCells[] = {
    {Stage::ReadOut, Fault::CommandClosed, none},
    {Stage::ReadOut, Fault::Killed, kLost},
    {Stage::ReadOut, Fault::NoReply, kComTimeOut},
    {Stage::Idle, Fault::CommandClosed, none},
    {Stage::Idle, Fault::DataClosed, none},
    {Stage::Idle, Fault::Killed, kLost},
    {Stage::Idle, Fault::NoReply, none}, // nothing is asked of the camera while idle
    {Stage::Live, Fault::CommandClosed, none},
    {Stage::Live, Fault::Killed, kLost},
    {Stage::Live, Fault::NoReply, kDataTimeOut},
    {Stage::Live, Fault::DataClosed, kDataTimeOut},
    {Stage::Live, Fault::BadSignature, QStringLiteral("No header in ZRK data for preview image.")},
    {Stage::Thumbnails, Fault::CommandClosed, none},
    {Stage::Thumbnails, Fault::Killed, kLost},
    {Stage::Thumbnails, Fault::NoReply, kComTimeOut},
    {Stage::Thumbnails, Fault::DataClosed, kDataTimeOut},
    {Stage::Thumbnails, Fault::ErrorReply, QStringLiteral("Invalid offset count.")},
    {Stage::Thumbnails, Fault::BadSignature,
     QStringLiteral("Cannot display thumbnail. No header in ZRK data.")},
    {Stage::PreviewPlaying, Fault::CommandClosed, none},
    {Stage::PreviewPlaying, Fault::Killed, kLost},
    {Stage::PreviewPlaying, Fault::NoReply, kComTimeOut},
    {Stage::PreviewPlaying, Fault::DataClosed, kDataTimeOut},
    {Stage::PreviewPlaying, Fault::ErrorReply, QStringLiteral("Invalid offset count.")},
    {Stage::PreviewPlaying, Fault::BadSignature,
     QStringLiteral("Cannot display thumbnail. No header in ZRK data.")},
    {Stage::DownloadStart, Fault::CommandClosed, none},
    {Stage::DownloadStart, Fault::DataClosed, kDataTimeOut},
    {Stage::DownloadStart, Fault::Killed, kLost},
    {Stage::DownloadStart, Fault::NoReply, kDataTimeOut},
    {Stage::DownloadStart, Fault::ErrorReply, QStringLiteral("Recived command invalid.")},
    {Stage::DownloadStart, Fault::DiskFull, QStringLiteral("Cannot write to file.")},
    {Stage::DownloadMiddle, Fault::CommandClosed, none},
    {Stage::DownloadMiddle, Fault::DataClosed, kDataTimeOut},
    {Stage::DownloadMiddle, Fault::Killed, kLost},
    {Stage::DownloadMiddle, Fault::NoReply, kDataTimeOut},
    {Stage::DownloadMiddle, Fault::ErrorReply, QStringLiteral("Recived command invalid.")},
    {Stage::DownloadMiddle, Fault::DiskFull, QStringLiteral("Cannot write to file.")},
    {Stage::DownloadEnd, Fault::CommandClosed, none},
    {Stage::DownloadEnd, Fault::Killed, kLost},
    {Stage::DownloadEnd, Fault::NoReply, kComTimeOut},
    {Stage::DownloadEnd, Fault::ErrorReply, QStringLiteral("Recived command invalid.")},
    {Stage::DownloadEnd, Fault::DataClosed, kComTimeOut}, // the data is in; "226" never comes
};
// One test per group of stages, so that each stays well inside the suite's time limit.
void FaultMatrix::RunStages(std::initializer_list<Stage> stages) {
    // ZRK_MATRIX_CELL="stage x fault" (or a part of it) runs only the cells it names.
    const QString only = qEnvironmentVariable("ZRK_MATRIX_CELL");
    for (const Cell& cell : kCells) {
        if (std::find(stages.begin(), stages.end(), cell.stage) == stages.end()) continue;
        if (!only.isEmpty() &&
            !(QString::fromLatin1(Name(cell.stage)) + " x " + Name(cell.fault)).contains(only))
            continue;
        Run(cell);
        if (HasFatalFailure()) return;
    }
}

TEST_F(FaultMatrix, ReadOutAndIdle) {
    RunStages({Stage::ReadOut, Stage::Idle});
}
TEST_F(FaultMatrix, LiveOutput) {
    RunStages({Stage::Live});
}
TEST_F(FaultMatrix, ThumbnailsAndPreview) {
    RunStages({Stage::Thumbnails, Stage::PreviewPlaying});
}
TEST_F(FaultMatrix, Download) {
    RunStages({Stage::DownloadStart, Stage::DownloadMiddle, Stage::DownloadEnd});
}

} // namespace
