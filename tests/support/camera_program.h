// The program's core against a running zrkcam: the main window and its supervisor with the real
// reply handlers, both links pointed at the stand-in camera's ports.
#pragma once

#include "base/app_state.h"
#include "base/blocking_wait.h"
#include "base/frame_buffers.h"
#include "base/open_windows.h"
#include "base/shared_state.h"
#include "link/ctr.h"
#include "protocol/frm_main.h"
#include "protocol/main_supervisor.h"
#include "protocol/main_targets.h"
#include "protocol/reply_handlers.h"
#include "tests/protocol/camera_process.h"
#include "tests/support/scripted_ui.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>

// Points the program's command and data links at these ports of 127.0.0.1.
inline void PointLinksAt(MainSupervisor& sup, int commandPort, int dataPort) {
    for (auto [link, port] : {std::pair{sup.ctrTCPCmd, commandPort}, std::pair{sup.ctrTCPData, dataPort}}) {
        link->setServerName(QStringLiteral("127.0.0.1"));
        link->setServerPort(port);
        link->SetServerData();
    }
}
// The same, at a running stand-in camera.
inline void PointLinksAt(MainSupervisor& sup, const CameraProcess& camera) {
    PointLinksAt(sup, camera.commandPort, camera.dataPort);
}

// Ends a main-window fixture: the supervisor and window gone, the reply handlers and main targets
// cleared, waits at full length again and no working window.
inline void DropMainWindow(MainSupervisor*& sup, frmMain*& window) {
    delete sup;
    sup = nullptr;
    delete window;
    window = nullptr;
    for (auto& h : ReplyHandlers())
        h = nullptr;
    Targets() = MainTargets{};
    SetWaitScale(100);
    g_lngViewMode = 0;
}

// Writes a camera state file of these lines into dir; its path, or an empty string on failure.
inline QString WriteCameraState(const QTemporaryDir& dir, const QByteArray& lines) {
    const QString path = dir.filePath(QStringLiteral("camera.state"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(lines) != lines.size()) return {};
    return path;
}

// A test fixture holding the program's core; a suite picks what start-up would also set up.
class ProgramAgainstCamera : public ::testing::Test {
protected:
    struct Parts {
        bool previewBuffers = true;
        bool thumbnailBuffer = true;
        // The program's window forwarding (InstallWindowForwarding / RemoveWindowForwarding, passed
        // in so that suites below start-up need not link it); with it frmMain is registered as open.
        void (*wire)() = nullptr;
        void (*unwire)() = nullptr;
    };
    explicit ProgramAgainstCamera(Parts parts) : parts(parts) {}

    QTemporaryDir dir;
    ScriptedUi ui;
    CameraProcess camera;
    frmMain* window = nullptr;
    MainSupervisor* sup = nullptr;

    void SetUp() override {
        SetAppPath(dir.path());
        SetWaitScale(1);
        g_blnDebug = true; // the trace lines reach the scripted operator
        if (parts.previewBuffers) {
            ASSERT_TRUE(AllocPreviewBuffers());
        }
        if (parts.thumbnailBuffer) {
            ASSERT_TRUE(AllocThumbnailBuffer());
        }
        InstallReplyHandlers();
        if (parts.wire) parts.wire();
        window = new frmMain;
        if (parts.wire) Windows().frmMain = window;
        sup = new MainSupervisor(window);
        g_lngViewMode = 0;
    }
    void TearDown() override {
        delete sup;
        delete window;
        if (parts.wire) QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (parts.unwire) parts.unwire();
        for (auto& h : ReplyHandlers())
            h = nullptr;
        if (parts.thumbnailBuffer) FreeThumbnailBuffer();
        if (parts.previewBuffers) FreePreviewBuffers();
        SetWaitScale(100);
        g_blnDebug = false;
    }

    // Starts zrkcam with these arguments and points both links at it.
    void StartCamera(const QStringList& args = {}) {
        ASSERT_TRUE(camera.Start(args)) << camera.process.readAllStandardError().constData();
        PointLinksAt(*sup, camera);
    }
    // The same, the camera starting from a state file of these lines.
    void StartCameraWithState(const QByteArray& state, const QStringList& args = {}) {
        const QString file = WriteCameraState(dir, state);
        ASSERT_FALSE(file.isEmpty());
        StartCamera(QStringList{QStringLiteral("--state"), file} + args);
    }

    // The main window connected, its read-out done and the start-up notice gone.
    bool Connected() const { return window->cmdRec->isEnabled() && !ui.noticeOpen && g_blnLinkOpen; }
    // Nothing sent and waiting for its reply, nothing queued.
    static bool Idle() { return !g_blnCmdBusy && g_intQueueRead == g_intQueueWrite; }

private:
    Parts parts;
};
