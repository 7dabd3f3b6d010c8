// picImage: the record console's live picture. It owns the pixels the image library draws into
// (one surface, reallocated only when the drawn size changes) and paints them inside a 2-pixel
// border; cleared, it shows only its background.
#pragma once

#include "zrkimage.h"

#include <QImage>
#include <QWidget>

class LivePicture : public QWidget {
    Q_OBJECT
public:
    explicit LivePicture(QWidget* parent = nullptr);

    // The surface for a picture of this drawn size, made ready for one library call.
    ZRK_SURFACE Surface(QSize drawn);
    // The library drew into the surface: show it.
    void Refresh();
    // Empty the picture.
    void Clear();
    bool HasPicture() const { return m_shown; }
    const QImage& Image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    bool m_shown = false;
};
