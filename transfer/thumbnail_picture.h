// A picture box the image library draws a single frame into: it owns one 32-bit surface of its
// own size (re-made only when the size changes) and paints it until it is cleared.
#pragma once

#include <QFrame>
#include <QImage>
#include <QWidget>
#include <cstdint>

class ThumbnailPicture : public QWidget {
    Q_OBJECT
public:
    explicit ThumbnailPicture(QWidget* parent = nullptr);

    // Draws the frame record in frame (header and W x H raw bytes) scaled to this picture's size
    // with the gains and gamma of its own header; copies the header into headerOut (128 bytes).
    // True when drawn; status gets the library's status word. The picture is kept only when drawn.
    bool DrawFrame(const uint8_t* frame, int32_t W, int32_t H, void* headerOut, int16_t& status);
    void Clear();
    bool HasPicture() const { return m_hasPicture; }
    const QImage& Picture() const { return m_image; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage m_image;
    bool m_hasPicture = false;
};

// The coloured frame behind a thumbnail; a click on it counts as a click on the thumbnail.
class ThumbnailBack : public QFrame {
    Q_OBJECT
public:
    explicit ThumbnailBack(QWidget* parent = nullptr);
    // An invalid colour goes back to the system button face.
    void SetColour(const QColor& colour);
    QColor Colour() const { return m_colour; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor m_colour;
};

// Tells the operator why a frame could not be drawn ("Preview Output"); statuses without a text of
// their own say nothing.
void ReportDrawFailure(int16_t status);
