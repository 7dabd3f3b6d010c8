// The two modeless waiting windows. Instead of being modal, each disables the working window
// it stands over while it is open and enables it again when it closes.
#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QProgressBar;

class WaitingWindow : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    ~WaitingWindow() override;

protected:
    // The working window this one stands over right now, or null.
    virtual QWidget* Covered() const = 0;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QPointer<QWidget> m_disabled;
};

class frmMsgBox : public WaitingWindow {
    Q_OBJECT
public:
    explicit frmMsgBox(QWidget* parent = nullptr);
    void SetMessage(const QString& title, const QString& text);
    QLabel* lblMsg() const { return m_lblMsg; }

protected:
    QWidget* Covered() const override;

private:
    QLabel* m_lblMsg;
};

class frmProgress : public WaitingWindow {
    Q_OBJECT
public:
    explicit frmProgress(QWidget* parent = nullptr);
    void Setup(const QString& title, const QString& text, int maximum);
    void SetValue(int value, const QString& text);
    QLabel* lblMsg() const { return m_lblMsg; }
    QProgressBar* bar() const { return m_bar; }

protected:
    QWidget* Covered() const override;

private:
    QLabel* m_lblMsg;
    QProgressBar* m_bar;
};
