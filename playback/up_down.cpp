#include "playback/up_down.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

UpDown::UpDown(QWidget* parent) : QWidget(parent) {
    auto* up = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    up->setAutoRepeat(true);
    auto* down = new QToolButton(this);
    down->setArrowType(Qt::DownArrow);
    down->setAutoRepeat(true);
    for (QToolButton* b : {up, down})
        b->setFixedSize(16, 11);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up);
    layout->addWidget(down);
    connect(up, &QToolButton::clicked, this, [this] { SetValue(m_value + 1); });
    connect(down, &QToolButton::clicked, this, [this] { SetValue(m_value - 1); });
}

void UpDown::SetRange(int minimum, int maximum) {
    m_min = minimum;
    m_max = maximum;
}

void UpDown::SetValue(int value) {
    // A range given upside down (a one-frame file's 1 .. 0) still holds the values between its ends.
    value = std::clamp(value, std::min(m_min, m_max), std::max(m_min, m_max));
    m_value = value;
    if (onChanged) onChanged(value);
}

DigitBox::DigitBox(QWidget* parent, UpDown* upDown) : QLineEdit(parent), m_upDown(upDown) {
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) { OnTextChanged(text); });
}

void DigitBox::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (onEnter) onEnter();
        return;
    }
    const QString text = event->text();
    const bool digit = text.size() == 1 && text[0] >= u'0' && text[0] <= u'9';
    if (digit || key == Qt::Key_Backspace) QLineEdit::keyPressEvent(event);
    // Every other key is dropped.
}

void DigitBox::focusOutEvent(QFocusEvent* event) {
    if (text().isEmpty() && emptyValue) m_upDown->SetValue(emptyValue());
    QLineEdit::focusOutEvent(event);
}

void DigitBox::OnTextChanged(const QString& text) {
    if (text.isEmpty()) return;
    bool ok = false;
    // Numbers that do not fit 16 bits count as out of range.
    const qlonglong n = text.size() > 6 ? -1 : text.toLongLong(&ok);
    if (ok && n >= rangeMin() && n <= rangeMax() && n <= 32767) {
        if (n != field()) m_upDown->SetValue(static_cast<int>(n));
    } else {
        m_upDown->SetValue(fallback());
    }
}
