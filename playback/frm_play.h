// The player window: plays an open data file forwards, backwards, stepped or dragged, looped, at
// normal or double size, with the unsharp mask; shows the recording's information; opens the
// enhancement and export dialogs. One exists at a time.
#pragma once

#include "base/transport.h"

#include <QWidget>

class PictureArea;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;
class QToolButton;
struct ConvertChoice;

class frmPlay final : public QWidget {
    Q_OBJECT
public:
    enum class Direction { Forward, Reverse };

    // Opens on the first frame of Playback().file (set by OpenDataFile).
    explicit frmPlay(QWidget* parent = nullptr);
    ~frmPlay() override;

    PictureArea* picImage;
    QToolButton *optPlay, *optReverse, *optPause, *optStop;
    QPushButton *cmdStep, *cmdBack, *cmdNext, *cmdPrev;
    QCheckBox *chkLoop, *chkExpand;
    QPushButton *cmdConvert, *cmdEnhance;
    QSlider* sldFrameBar;
    QTimer *tmrTimer, *tmrEnhance;
    QGroupBox* fraPlayInfo;
    QLabel *lblSizeCap, *lblSize, *lblIdNumberCap, *lblIDNumber, *lblGainCap, *lblGain;
    QLabel *lblShutterCap, *lblShutter, *lblRecSpeedCap, *lblRecSpeed, *lblFrameCap, *lblFrame;
    QLabel *lblDateCap, *lblDate, *lblTrigerCap, *lblTriger, *lblAnalogCap, *lblAnalog;
    QLabel *lblRealFrameCap, *lblRealFrame, *lblTrigFrameCap, *lblTrigFrame;
    QLabel* lblTrigTime; // seconds from the trigger, beside the frame number

    // The control actions (what a click, a tick or a key does).
    void OnNext() { m_transport.Do(TransportAction::Last); }
    void OnPrev() { m_transport.Do(TransportAction::First); }
    void OnLoop(bool checked);
    void OnExpand(bool checked);
    void OnEnhance();
    void OnConvert();
    void OnTimer() { m_transport.Advance(); }
    void OnEnhanceTimer();
    // Navigation key id 0..7 (view mode 3); others are ignored.
    void PlayerHotKey(int id);
    // Runs the export the dialog chose, with the player disabled meanwhile.
    void RunExport(const ConvertChoice& choice);

    int32_t CurrentFrame() const { return m_transport.Position(); }
    Direction direction() const { return m_transport.Forward() ? Direction::Forward : Direction::Reverse; }
    bool Playing() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void Checked(TransportOption option);
    void MoveFrameBar(int32_t index);
    void SizePicture();
    bool ShowPlayFrame(int32_t index);
    void DrawFailed(int16_t status);

    Transport m_transport;
    int m_dispW = 0, m_dispH = 0;
    bool m_barFromCode = false;
    bool m_closeAfterExport = false;
};
