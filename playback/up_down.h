// A number box of the export dialog: a text box that takes digits only, bound to an up-down.
// Typing a number inside the range sets the value; one outside it puts the fallback back; leaving
// the box empty sets the empty value. Enter moves on to the next box.
#pragma once

#include <QLineEdit>
#include <QWidget>
#include <functional>

class QToolButton;

// The up-down: two arrows stepping a value inside a range.
class UpDown final : public QWidget {
public:
    explicit UpDown(QWidget* parent = nullptr);
    void SetRange(int minimum, int maximum);
    void SetValue(int value); // kept inside the range; reports every change
    int value() const { return m_value; }
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    std::function<void(int)> onChanged;

private:
    int m_min = 0, m_max = 0, m_value = 0;
};

class DigitBox final : public QLineEdit {
public:
    DigitBox(QWidget* parent, UpDown* upDown);
    // The box's range and what it falls back to, read when the text changes.
    std::function<int()> rangeMin, rangeMax, fallback, emptyValue;
    std::function<int()> field;    // the value the box edits now
    std::function<void()> onEnter; // moves the focus on

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void OnTextChanged(const QString& text);
    UpDown* m_upDown;
};
