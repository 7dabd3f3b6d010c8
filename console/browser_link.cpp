#include "console/browser_link.h"

#include "base/open_windows.h"

#ifdef ZRK_HAVE_BROWSER
#include "transfer/browser_install.h"
#endif

bool OpenThumbnailBrowser() {
#ifdef ZRK_HAVE_BROWSER
    ShowThumbnailBrowser();
    return true;
#else
    return false;
#endif
}

void CloseThumbnailBrowserWindow() {
#ifdef ZRK_HAVE_BROWSER
    CloseThumbnailBrowser();
#else
    if (Windows().frmThumbNail) Windows().frmThumbNail->close();
#endif
}
