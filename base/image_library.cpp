#include "base/image_library.h"

#include "base/ui_port.h"

zrk::imagelib::ImageLibrary& ImageLib() {
    return zrk::imagelib::imageLibrary();
}

bool ReportImageLibraryUnavailable(int16_t status, const QString& title,
                                   const zrk::imagelib::ImageLibrary& library) {
    if (status != zrk::imagelib::kStatusUnavailable) return false;
    QString text = QString::fromStdString(library.message());
    if (text.isEmpty()) // never an empty box, whatever the binding kept
        text = QStringLiteral(
            "The image library zrkimage cannot be used, so pictures cannot be shown or saved.");
    Ui().MessageBox(title, text, MsgIcon::Exclamation, MsgButtons::Ok);
    return true;
}
