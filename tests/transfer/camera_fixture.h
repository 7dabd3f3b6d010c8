// The main window and the real data path against zrkcam: one recorded region of 40 frames of
// 200 x 200, downloads through SaveRange, and the frames the camera sent re-created for comparison.
#pragma once

#include "base/app_state.h"
#include "base/blocking_wait.h"
#include "base/frame_buffers.h"
#include "base/shared_state.h"
#include "camsim/camera.h"
#include "camsim/state_file.h"
#include "link/ctr.h"
#include "protocol/command_channel.h"
#include "protocol/command_set.h"
#include "protocol/frm_main.h"
#include "protocol/main_supervisor.h"
#include "protocol/reply_handlers.h"
#include "protocol/window_hooks.h"
#include "tests/support/camera_program.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/wait.h"
#include "tests/transfer/data_file_expect.h"
#include "transfer/data_receiver.h"
#include "transfer/save_range.h"
#include "transfer/transfer_install.h"
#include "zrk_data_file.h"
#include "zrk_frame_header.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

class CameraHooks final : public WindowHooks {
public:
    QList<int> thumbnails; // slots drawn, in order
    int liveFrames = 0, liveWrong = 0;
    void EndDownload() override { ::EndDownload(); }
    void EndThumbNail() override { ::EndThumbNail(); }
    void DrawThumbNail(int32_t index) override { thumbnails << index; }
    // A display that checks each live frame's header and frees its buffer.
    void ShowLiveImage() override {
        if (g_intShowBuf == g_intRecvBuf || !g_PreviewBuf[g_intShowBuf].inUse) return;
        ZRK_FRAME_HEADER h{};
        std::memcpy(&h, g_PreviewBuf[g_intShowBuf].address, sizeof h);
        const bool right = std::memcmp(h.magic, "ZRK", 4) == 0 && h.width == 200 && h.height == 200;
        ++(right ? liveFrames : liveWrong);
        g_PreviewBuf[g_intShowBuf].inUse = 0;
        IncWrap(g_intShowBuf, 0, 1);
    }
};

class AgainstCamera : public ProgramAgainstCamera {
protected:
    static constexpr int32_t kFrame = 40128;
    static constexpr int kRecorded = 40;
    static constexpr const char* kState =
        "rmod 0 0 3 0 0 2 0\nclock 2010 01 02 03 04 05\nregion 0 40 0 2010 01 02 03 00 00\n";

    CameraHooks hooks;

    AgainstCamera() : ProgramAgainstCamera(Parts{}) {}
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ProgramAgainstCamera::SetUp();
        if (HasFatalFailure()) return;
        InstallTransfer();
        SetHooks(&hooks);
        sup->tmrDataTimeOut->setInterval(500);
    }
    void TearDown() override {
        ProgramAgainstCamera::TearDown();
        SetHooks(nullptr);
    }

    // Starts zrkcam with the recorded region and the given faults, and connects to it.
    void Connect(const QStringList& faults = {}) {
        QStringList args;
        for (const QString& fault : faults)
            args << "--fault" << fault;
        StartCameraWithState(kState, args);
        if (HasFatalFailure()) return;
        window->chkTCPConnect->setChecked(true);
        ASSERT_TRUE(WaitUntil([&] { return Connected(); }, 15000))
            << ui.MessageTexts().join('|').toStdString();
        ASSERT_EQ(g_RecMode.ImageSize, 0);
    }
    bool Disconnected() const {
        return !window->chkTCPConnect->isChecked() && !g_blnCmdOpen && !g_blnDataOpen;
    }

    // SaveRange as the browser calls it, the dialog answered with path.
    bool Save(const QString& path, int32_t offset, int32_t count, int16_t id = 4, int32_t trigger = -1) {
        ui.fileAnswers = {path};
        return SaveRange(0, offset, count, id, trigger);
    }
    bool DownloadDone() const { return g_strSaveFile.isEmpty() && !DownloadBusy() && !g_blnCmdBusy; }

    // The frame records the camera sends for an RQDL offset and count of the region, rendered by
    // its own model fed the same state.
    static QByteArray Frames(int32_t offset, int32_t count) {
        static const zrkcam::Camera camera = [] {
            zrkcam::Camera c{zrkcam::CameraConfig{}};
            std::string error;
            EXPECT_TRUE(zrkcam::applyState(c, kState, zrkcam::Now{}, error)) << error;
            return c;
        }();
        const zrkcam::Recording& rec = camera.region(0).rec;
        QByteArray out;
        std::vector<uint8_t> buf(zrkcam::kMaxFrameBytes);
        for (int i = 0; i < count; ++i) {
            const int n = zrkcam::renderFrame(
                rec.settings, zrkcam::recordedStamp(rec, 0, kRecorded - offset + i), buf.data());
            out.append(reinterpret_cast<const char*>(buf.data()), n);
        }
        return out;
    }
    int Traces(const QString& needle) const { return ui.traces.filter(needle).size(); }
};
