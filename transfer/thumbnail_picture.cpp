#include "transfer/thumbnail_picture.h"

#include "base/image_library.h"
#include "base/ui_port.h"

#include <QMouseEvent>
#include <QPainter>

ThumbnailPicture::ThumbnailPicture(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

bool ThumbnailPicture::DrawFrame(const uint8_t* frame, int32_t W, int32_t H, void* headerOut,
                                 int16_t& status) {
    if (m_image.size() != size()) m_image = QImage(size(), QImage::Format_RGB32);
    status = 0;
    if (!frame || m_image.isNull()) {
        m_hasPicture = false;
        update();
        status = ZRK_STATUS_SURFACE;
        return false;
    }
    const ZRK_SURFACE surface{m_image.bits(), m_image.width(), m_image.height(),
                              static_cast<int32_t>(m_image.bytesPerLine())};
    const ZRK_ENHANCE sharpen{0, 0};
    const int32_t ok =
        ImageLib().combRgbThumbNail(&surface, frame, W, H, m_image.width(), m_image.height(), &sharpen,
                                    static_cast<ZRK_FRAME_HEADER*>(headerOut), &status);
    m_hasPicture = ok != 0;
    update();
    return m_hasPicture;
}

void ThumbnailPicture::Clear() {
    m_hasPicture = false;
    update();
}

void ThumbnailPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_hasPicture)
        painter.drawImage(0, 0, m_image);
    else
        painter.fillRect(rect(), palette().color(QPalette::Button));
}

void ThumbnailPicture::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit clicked();
    QWidget::mousePressEvent(event);
}

ThumbnailBack::ThumbnailBack(QWidget* parent) : QFrame(parent) {}

void ThumbnailBack::SetColour(const QColor& colour) {
    m_colour = colour;
    update();
}

void ThumbnailBack::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_colour.isValid() ? m_colour : palette().color(QPalette::Button));
}

void ThumbnailBack::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit clicked();
    QFrame::mousePressEvent(event);
}

void ReportDrawFailure(int16_t status) {
    const QString title = QStringLiteral("Preview Output");
    if (ReportImageLibraryUnavailable(status, title)) return;
    if (status == ZRK_STATUS_SURFACE)
        Ui().MessageBox(title, QStringLiteral("Cannot convert ZRK data to bitmap."), MsgIcon::Information,
                        MsgButtons::Ok);
    else if (status == ZRK_STATUS_SCALE)
        Ui().MessageBox(title, QStringLiteral("Cannot change preview image size."), MsgIcon::Information,
                        MsgButtons::Ok);
}
