// "About ZRK-1 Control Program": the program's own version and its rights notice.
#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;

class frmAbout final : public QWidget {
public:
    // owner: the main window, disabled while this is open.
    explicit frmAbout(QWidget* owner);

    QLabel* lblVersion;
    QLabel* lblNotice;
    QLabel* imgIcon;
    QPushButton* cmdOK;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPointer<QWidget> m_owner;
};
