#include "playback/picture_area.h"

#include <QPainter>

PictureArea::PictureArea(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(kBorder);
}

void PictureArea::SetDisplaySize(int width, int height) {
    if (m_image.width() != width || m_image.height() != height) {
        m_image = QImage(width, height, QImage::Format_RGB32);
        m_image.fill(Qt::black);
    }
    setFixedSize(width + 2 * kBorder, height + 2 * kBorder);
}

ZRK_SURFACE PictureArea::Surface() {
    return {m_image.bits(), m_image.width(), m_image.height(), static_cast<int32_t>(m_image.bytesPerLine())};
}

void PictureArea::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter p(this);
    p.drawImage(kBorder, kBorder, m_image);
}
