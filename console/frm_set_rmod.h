// The record settings dialog, "Record Properties": draws a RecordSetupForm and hands the
// operator's clicks to it. Opened modeless from the record console's "Record" button while the
// console is disabled; it enables the console again when it closes.
#pragma once

#include "console/record_setup_form.h"

#include <QWidget>
#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;

class frmSetRmod : public QWidget {
    Q_OBJECT
public:
    // Loads itself from g_RecMode and g_lngMemSize and sets g_blnRecSetupOpen.
    frmSetRmod();
    ~frmSetRmod() override;

    // Closes without restarting live output: the console is closing underneath.
    void CloseQuietly();
    const RecordSetupForm& form() const { return m_form; }

    QGroupBox* frmSpeed;
    std::array<QRadioButton*, 2> optSpeedMode;
    QComboBox* cmbSpeed;
    QGroupBox* fraSize;
    QComboBox* cmbSize;
    QGroupBox* fraShutter;
    QComboBox* cmbShutter;
    QGroupBox* fraFrash;
    QComboBox* cmbFlash;
    QGroupBox* fraPartition;
    QComboBox* cmbPartition;
    QGroupBox* fraPostCount;
    std::array<QRadioButton*, 3> optTrigerMode;
    QSlider* sldPriCount;
    QLabel* lblPostCount;
    QGroupBox* fraAreaInfo;
    std::array<QLabel*, 4> lblAreaCountCap;
    std::array<QLabel*, 4> lblAreaCount;
    QPushButton* OKButton;
    QPushButton* cmdCancel;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Build();
    void Render();
    void Closing();

    RecordSetupForm m_form;
    bool m_closed = false;
    bool m_restartLive = true;
};

// The open dialog, or null.
frmSetRmod* RecordSetupWindow();
// Opens the dialog (or raises the open one).
void ShowRecordSetup();
