#include "transfer/browser_install.h"

#include "base/open_windows.h"
#include "base/shared_state.h"
#include "protocol/hot_keys.h"
#include "transfer/frm_down_load.h"
#include "transfer/frm_preview.h"

namespace {

frmDownLoad* Browser() {
    return static_cast<frmDownLoad*>(Windows().frmThumbNail.data());
}

frmPreview* PreviewWindow() {
    return static_cast<frmPreview*>(Windows().frmPreview.data());
}

} // namespace

void ShowThumbnailBrowser() {
    g_lngViewMode = 2;
    frmDownLoad* browser = Browser();
    if (!browser) {
        browser = new frmDownLoad;
        Windows().frmThumbNail = browser;
    }
    browser->show();
    browser->raise();
}

void CloseThumbnailBrowser() {
    if (frmDownLoad* browser = Browser()) {
        browser->CloseWithConsole();
        Windows().frmThumbNail = nullptr;
    }
    ClosePreviewWindow(false);
}

void BrowserDrawThumbNail(int32_t index) {
    if (frmDownLoad* browser = Browser()) browser->DrawThumbNail(index);
}

void BrowserDrawPreviewFrame() {
    if (frmPreview* preview = PreviewWindow()) preview->DrawPreviewFrame();
}

void BrowserPreviewPlaybackStep() {
    if (frmPreview* preview = PreviewWindow()) preview->PlaybackStep(true);
}

void InstallBrowser() {
    SetPreviewHotKeyHandler([](int id) {
        if (frmPreview* preview = PreviewWindow()) preview->PreviewMyMsg(id);
    });
}
