// "Analog Input Properties": the gain of the camera's analog input ("ANIG"). Opened from the
// record console, which it enables again when it closes.
#pragma once

#include <QPointer>
#include <QWidget>

class QComboBox;
class QPushButton;

class frmAnalog final : public QWidget {
public:
    explicit frmAnalog(QWidget* console);

    QComboBox* cmbAnalogGain;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void RefreshOk();
    QPointer<QWidget> m_console;
};
