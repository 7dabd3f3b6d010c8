// "Master/Slave Properties": the camera's synchronisation mode ("SMOD").
#pragma once

#include <QWidget>
#include <array>

class QPushButton;
class QRadioButton;

class frmSyncMode final : public QWidget {
public:
    explicit frmSyncMode(QWidget* owner);

    std::array<QRadioButton*, 2> optSyncMode{}; // "Master", "Slave"
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

private:
    void RefreshOk();
};
