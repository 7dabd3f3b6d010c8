// "Camera Properties": the camera's gain (sent the moment it is chosen), gamma and white-balance
// preset (sent on OK), and the two user presets with their colour sliders ("Save", "Default",
// "Recall"). While it is open the live picture is drawn with its pending gamma and colours.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>

#include "base/shared_types.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

class frmCamera final : public QWidget {
public:
    // Owned by the record console, which it enables again when it closes.
    explicit frmCamera(QWidget* console);

    QComboBox* cmbCamGain;
    QComboBox* cmbGamma;
    QComboBox* cmbWhiteBalance;
    QSlider *sldRed, *sldGreen, *sldBlue;
    QLabel *lblRedCap, *lblRed, *lblGreenCap, *lblGreen, *lblBlueCap, *lblBlue;
    QGroupBox* fraUserWB;
    QLabel *lblUserRedCap, *lblUserRed, *lblUserGreenCap, *lblUserGreen, *lblUserBlueCap, *lblUserBlue;
    QGroupBox* fraUserWBSetUp;
    QPushButton *cmdUserLoad, *cmdUserSet, *cmdInitial;
    QPushButton *cmdOK, *cmdCancel;

    // Enables the user-preset controls (or not) and moves the sliders to the colours.
    void ShowUserWB(bool isUser, int red, int green, int blue);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Load();
    void GainClicked();
    void GammaClicked();
    void WhiteBalanceClicked();
    void SliderChanged(QSlider* slider, QLabel* value, int16_t WhiteBalance::*colour);
    void SaveClicked();
    void DefaultClicked();
    // The operator's answer to a preset question; a link lost meanwhile is handled after it.
    bool Confirm(const QString& text);
    void Closing();

    bool m_loading = false;
    bool m_sliderSync = false;
    bool m_okPressed = false;
    bool m_closed = false;
    int32_t m_origGain = 0;
    GammaSetting m_origGamma;
    WhiteBalance m_origWB;
    QPointer<QWidget> m_console;
};
