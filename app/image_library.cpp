#include "app/image_library.h"

#include "app/ui_port.h"

zrk::imagelib::ImageLibrary& ImageLib() {
    return zrk::imagelib::imageLibrary();
}

bool ReportImageLibraryUnavailable(int16_t status, const QString& title,
                                   const zrk::imagelib::ImageLibrary& library) {
    if (status != zrk::imagelib::kStatusUnavailable) return false;
    Ui().MessageBox(title, QString::fromStdString(library.message()), MsgIcon::Exclamation, MsgButtons::Ok);
    return true;
}
