// The player's picture: a bordered area that shows one 32-bit image drawn into by the library.
#pragma once

#include "imagelib/include/zrkimage.h"

#include <QFrame>
#include <QImage>

class PictureArea final : public QFrame {
public:
    static constexpr int kBorder = 2;
    explicit PictureArea(QWidget* parent = nullptr);
    // Display size of the picture; the area is 4 pixels larger for its border.
    void SetDisplaySize(int width, int height);
    // The library draws here; the image is made once per display size, never per frame.
    ZRK_SURFACE Surface();
    const QImage& image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
};
