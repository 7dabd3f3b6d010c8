// The one hooks object the program installs at start-up: it forwards what the reply handlers and
// the data-port receiver ask of windows to the subsystem that owns each window. A hook whose
// window has not been built keeps WindowHooks' do-nothing default.
#pragma once

#include "protocol/window_hooks.h"

class WindowForwarder : public WindowHooks {
public:
    // ---- Data-port receiver (transfer/)
    void EndDownload() override;
    void EndThumbNail() override;

    // ---- Record console and live picture (console/)
    void ConsoleShowRecordMode(const RecordMode& mode) override;
    void ConsoleSizePreviewArea(int32_t imageSize) override;
    void ConsoleShowRegionCounts() override;
    void ConsoleUpdateButtons() override;
    void ConsoleClearPicture() override;
    void ConsoleShowGain(int32_t gainCode) override;
    void ConsoleShowAnalogGain(int32_t analogGainCode) override;
    void ShowLiveImage() override;

    // ---- Thumbnail browser and preview window (transfer/)
    void DrawThumbNail(int32_t index) override;
    void DrawPreviewFrame() override;
    void PreviewPlaybackStep() override;

    // ---- Setup dialogs (console/)
    void OpenDateTimeDialog(const QDateTime& moment) override;
};

// Installs the forwarder as Hooks() and lets every linked subsystem fill its Targets() entries.
void InstallWindowForwarding();
// Back to the do-nothing hooks (program end, tests).
void RemoveWindowForwarding();
