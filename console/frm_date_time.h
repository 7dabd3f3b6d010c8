// "Date/Time Properties": sets the camera's clock ("TIME"). Opened by the clock query's reply
// with the moment it read; a second reply while it is open keeps what the operator typed.
#pragma once

#include <QDateTime>
#include <QPointer>
#include <QWidget>

class QDateEdit;
class QPushButton;
class QTimeEdit;

class frmSetTime final : public QWidget {
public:
    // owner: the main window, disabled while this is open.
    frmSetTime(QWidget* owner, const QDateTime& moment);

    QDateEdit* dtpDate;
    QTimeEdit* dtpTime;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    // The "TIME" line's parameters for the pickers' moment: "yyyy mm dd hh nn ss".
    QString TimeText() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPointer<QWidget> m_owner;
};
