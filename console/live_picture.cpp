#include "console/live_picture.h"

#include <QPainter>

namespace {
constexpr int kBorder = 2;
}

LivePicture::LivePicture(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picImage"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

ZRK_SURFACE LivePicture::Surface(QSize drawn) {
    if (m_image.size() != drawn) m_image = QImage(drawn, QImage::Format_RGB32);
    // bits() of an image no one else shares hands back its own pixels without copying.
    return ZRK_SURFACE{m_image.bits(), m_image.width(), m_image.height(),
                       static_cast<int32_t>(m_image.bytesPerLine())};
}

void LivePicture::Refresh() {
    m_shown = true;
    update();
}

void LivePicture::Clear() {
    if (!m_shown) return;
    m_shown = false;
    update();
}

void LivePicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (m_shown) painter.drawImage(QPoint(kBorder, kBorder), m_image);
}
