// The record console, "Record - <camera address>": the camera's record settings, the frames in
// each memory region, the live picture and the record commands. Its display operations are what
// the reply handlers reach through the window hooks; its buttons are in rec_console.cpp.
#pragma once

#include "base/shared_types.h"
#include "console/live_health.h"

#include <QWidget>
#include <array>

class LivePicture;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;

class frmRec : public QWidget {
    Q_OBJECT
public:
    frmRec();
    ~frmRec() override;

    // Opening: debug buttons, caption, analog labels, record settings, regions, buttons, preview.
    void Open();

    // Display operations.
    void ShowRecordMode(const RecordMode& mode);
    void SizePreviewArea(int32_t imageSize);
    void ShowRegionCounts();
    void UpdateConsoleButtons();
    void ClearPicture();
    void ShowGain(int32_t gainCode);
    void ShowAnalogGain(int32_t analogGainCode);
    // Unticks "Preview" without its click handling (live output already being stopped).
    void UntickPreviewQuietly();

    LivePicture* picImage;
    QGroupBox* fraRecInfo;
    QLabel *lblAnalogCap, *lblAnalog;
    QLabel *lblRecModeCap, *lblTrigMode;
    QLabel *lblSizeCap, *lblSize;
    QLabel *lblRecSpeedCap, *lblSpeed;
    QLabel *lblShutterCap, *lblShutter;
    QLabel *lblGainCap, *lblGain;
    QLabel *lblPostCountCap, *lblPostCnt;
    QLabel *lblPartitionCap, *lblPartition;
    QGroupBox* fraSetup;
    QPushButton *cmdAnalogGain, *cmdSetRMOD, *cmdCamera;
    QGroupBox* fraRecCommand;
    QPushButton *cmdSetRCST, *cmdSetRCSP, *cmdSetTRIG;
    QGroupBox* fraDownLoad;
    QPushButton *cmdDownload, *cmdSetRACL, *cmdPlay;
    QGroupBox* fraAreaInfo;
    std::array<QLabel*, 4> lblAreaCountCap;
    std::array<QLabel*, 4> lblAreaCount;
    QCheckBox* chkPreview;
    QPushButton *cmdBkup, *cmdRstr;
    // Live health while live output runs: frames shown per second, dropped frames, data rate.
    QLabel* lblLiveHealth;
    // The status line: why controls are grey, what was just done.
    QLabel* lblStatus;
    QTimer* tmrLiveHealth;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Build();
    void Connect();
    void Closing();
    void ShowLockReason(bool locked);

    bool m_closed = false;
    bool m_settingsLocked = false;
    LiveHealth m_health;
};

// The console while it exists (open, or hidden behind the thumbnail browser), else null.
frmRec* RecordConsole();
