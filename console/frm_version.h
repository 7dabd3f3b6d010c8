// "Camera Program Versions": the part numbers of the camera's programs, as read at connection.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>

class QLabel;
class QPushButton;

// A part number: prefix and the number with at least two digits ("KB4401-" and 3 give "KB4401-03").
QString PartNumber(const char* prefix, int16_t number);

class frmVersion final : public QWidget {
public:
    // owner: the main window, disabled while this is open.
    explicit frmVersion(QWidget* owner);

    QLabel* lblMainProg;
    QLabel* lblCpuCard;
    QLabel* lblTgCard;
    QPushButton* cmdOK;

    // Fills the three labels from g_intVersion.
    void ShowVersions();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPointer<QWidget> m_owner;
};
