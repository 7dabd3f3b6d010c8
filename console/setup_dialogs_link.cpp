#include "console/setup_dialogs_link.h"

#ifdef ZRK_HAVE_SETUP_DIALOGS
#include "console/setup_dialogs.h"
#endif

bool SetupDialogsBuilt() {
#ifdef ZRK_HAVE_SETUP_DIALOGS
    return true;
#else
    return false;
#endif
}

void OpenCameraDialog(QWidget* owner) {
#ifdef ZRK_HAVE_SETUP_DIALOGS
    ShowCameraDialog(owner);
#else
    (void)owner; // CALL SITE: ShowCameraDialog(owner) once console/setup_dialogs.h is built
#endif
}

void OpenAnalogInDialog(QWidget* owner) {
#ifdef ZRK_HAVE_SETUP_DIALOGS
    ShowAnalogInDialog(owner);
#else
    (void)owner; // CALL SITE: ShowAnalogInDialog(owner) once console/setup_dialogs.h is built
#endif
}

bool CameraDialogIsOpen() {
#ifdef ZRK_HAVE_SETUP_DIALOGS
    return CameraDialogOpen();
#else
    return false;
#endif
}
