// The main window: the operator's home screen with the connection box, the operation and
// settings buttons and the camera address. It only draws and forwards; the connection logic
// lives in the supervisor behind it.
#pragma once

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QAction;
class QMenuBar;
class QPushButton;

class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);

    QGroupBox* fraRecPlay;
    QPushButton* cmdRec;
    QPushButton* cmdPlay;
    QGroupBox* fraSetup;
    QPushButton* cmdVersion;
    QPushButton* cmdSyncMode;
    QPushButton* cmdSetTcp;
    QPushButton* cmdTime;
    QGroupBox* fraTCP;
    QPushButton* cmdSetIP;
    QCheckBox* chkTCPConnect;
    QLabel* lblCamIP;
    QLabel* lblIP;
    QLabel* lblTitle;
    QLabel* logo;
    QMenuBar* menuBar;
    QAction* mnuAbout;
    QLabel* lblStatus; // the status line

    // Caption and address label, as the settings code shows a new camera address.
    void ShowAddress(const QString& caption, const QString& address);

protected:
    // Closing the main window ends the program.
    void closeEvent(QCloseEvent* event) override;
};
