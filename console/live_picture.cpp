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
    const QRect all = rect();
    if (m_shown) {
        // The picture covers its own area: only the strips around it get the background, so a frame
        // at the live rate is written once, not filled and then written.
        const QRect p(QPoint(kBorder, kBorder), m_image.size());
        painter.fillRect(QRect(0, 0, all.width(), p.top()), Qt::black);
        painter.fillRect(QRect(0, p.bottom() + 1, all.width(), all.height() - p.bottom() - 1), Qt::black);
        painter.fillRect(QRect(0, p.top(), p.left(), p.height()), Qt::black);
        painter.fillRect(QRect(p.right() + 1, p.top(), all.width() - p.right() - 1, p.height()), Qt::black);
        painter.drawImage(p.topLeft(), m_image);
    } else {
        painter.fillRect(all, Qt::black);
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(all.adjusted(0, 0, -1, -1));
}
