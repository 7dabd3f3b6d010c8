// What the reply handlers do to windows and transfer code that live outside the protocol module
// (record console, date/time dialog, the data-port receiver's closing handshake). The handlers
// only decide *when*; the window that owns the behaviour installs an implementation. Until one
// is installed every call lands in the do-nothing defaults, so the handlers run without windows.
#pragma once

#include "base/shared_types.h"

#include <QDateTime>
#include <cstdint>

class WindowHooks {
public:
    virtual ~WindowHooks() = default;

    // ---- Record console (called only while it is the open working window)
    // Show the record settings (rate, shutter, size, regions, trigger mode, post count).
    virtual void ConsoleShowRecordMode(const RecordMode& mode) { (void)mode; }
    // Resize and re-centre the live picture for an image size code, then clear and redraw it.
    virtual void ConsoleSizePreviewArea(int32_t imageSize) { (void)imageSize; }
    // Show g_RegionFrames in the four region labels, coloured by the run state.
    virtual void ConsoleShowRegionCounts() {}
    // Enable and disable the console's controls from camera mode, run state and data state.
    virtual void ConsoleUpdateButtons() {}
    // Empty the live picture.
    virtual void ConsoleClearPicture() {}
    // Show the caption of a gain code in the gain label.
    virtual void ConsoleShowGain(int32_t gainCode) { (void)gainCode; }
    // Analog input labels: enabled when the code is not 0; else caption disabled, value "0", disabled.
    virtual void ConsoleShowAnalogGain(int32_t analogGainCode) { (void)analogGainCode; }

    // ---- Data-port receiver: the camera's closing "226" has been handled (reply-wait flag
    // cleared); finishes the request once its data is complete too.
    virtual void EndDownload() {}
    virtual void EndThumbNail() {}

    // ---- Live picture, thumbnails and preview: what the data-port receiver calls once a frame
    // has arrived whole. ShowLiveImage shows g_PreviewBuf[g_intShowBuf] and frees it.
    virtual void ShowLiveImage() {}
    // Draw g_ThumbBuf as thumbnail number index (0 to 15) of the browser's current batch.
    virtual void DrawThumbNail(int32_t index) { (void)index; }
    // Draw g_ThumbBuf in the preview window (only called while it is the working window).
    virtual void DrawPreviewFrame() {}
    // One playback step of the preview window (its play timer's tick): requests the next frame.
    virtual void PreviewPlaybackStep() {}

    // ---- Date/time dialog: load it with this moment and show it modeless over the main window.
    virtual void OpenDateTimeDialog(const QDateTime& moment) { (void)moment; }
};

// The hooks in use; never null (the do-nothing defaults until one is installed).
WindowHooks& Hooks();
// Installs hooks (not owned); nullptr goes back to the defaults.
void SetHooks(WindowHooks* hooks);
