#include "program/window_forwarder.h"

#include "console/console_install.h"
#include "console/live_image.h"
#include "console/setup_dialogs.h"
#include "console/setup_dialogs_install.h"
#include "playback/playback_install.h"
#include "protocol/main_targets.h"
#include "transfer/browser_install.h"
#include "transfer/data_receiver.h"
#include "transfer/transfer_install.h"

namespace {
WindowForwarder g_forwarder;
} // namespace

// ---- Data-port receiver (transfer/)
void WindowForwarder::EndDownload() {
    ::EndDownload();
}
void WindowForwarder::EndThumbNail() {
    ::EndThumbNail();
}

// ---- Record console and live picture (console/)
void WindowForwarder::ConsoleShowRecordMode(const RecordMode& mode) {
    console::ShowRecordMode(mode);
}
void WindowForwarder::ConsoleSizePreviewArea(int32_t imageSize) {
    console::SizePreviewArea(imageSize);
}
void WindowForwarder::ConsoleShowRegionCounts() {
    console::ShowRegionCounts();
}
void WindowForwarder::ConsoleUpdateButtons() {
    console::UpdateButtons();
}
void WindowForwarder::ConsoleClearPicture() {
    console::ClearPicture();
}
void WindowForwarder::ConsoleShowGain(int32_t gainCode) {
    console::ShowGain(gainCode);
}
void WindowForwarder::ConsoleShowAnalogGain(int32_t analogGainCode) {
    console::ShowAnalogGain(analogGainCode);
}
void WindowForwarder::ShowLiveImage() {
    ::ShowLiveImage();
}

// ---- Thumbnail browser and preview window (transfer/)
void WindowForwarder::DrawThumbNail(int32_t index) {
    BrowserDrawThumbNail(index);
}
void WindowForwarder::DrawPreviewFrame() {
    BrowserDrawPreviewFrame();
}
void WindowForwarder::PreviewPlaybackStep() {
    BrowserPreviewPlaybackStep();
}

// ---- Setup dialogs (console/)
void WindowForwarder::OpenDateTimeDialog(const QDateTime& moment) {
    ShowDateTimeDialog(moment);
}

void InstallWindowForwarding() {
    SetHooks(&g_forwarder);
    // Each subsystem's install call fills its Targets() entries.
    InstallPlayback();
    InstallConsole();
    InstallTransfer();
    InstallBrowser();
    InstallSetupDialogs();
}

void RemoveWindowForwarding() {
    SetHooks(nullptr);
}
