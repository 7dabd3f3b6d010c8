// "Conversion": the export dialog. Collects the format, the frame range, the step between bitmaps,
// the movie's frame rate, the H.264 quality and the bitmap folder; OK with a valid range closes it with
// the choice.
#pragma once

#include "movie/movie_writer.h"

#include <QDialog>
#include <cstdint>
#include <optional>

class DigitBox;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class UpDown;

enum class ConvertFormat { Avi = 0, DibSequence = 1, Mp4 = 2, Mkv = 3 };
constexpr int kConvertFormats = 4;

// The codec of a shareable movie format; none for AVI and bitmaps.
inline std::optional<zrk::movie::Codec> MovieCodecOf(ConvertFormat format) {
    if (format == ConvertFormat::Mp4) return zrk::movie::Codec::H264;
    if (format == ConvertFormat::Mkv) return zrk::movie::Codec::Ffv1;
    return std::nullopt;
}

struct ConvertChoice {
    ConvertFormat format = ConvertFormat::Avi;
    int32_t start = 0, end = 0, interval = 1, rate = 20;
    bool frameData = true; // "Frame data (CSV)": the frame table beside the movie or bitmaps
    int32_t quality = zrk::movie::kDefaultQuality; // H.264 rate factor
};

class frmConvert final : public QDialog {
    Q_OBJECT
public:
    explicit frmConvert(QWidget* owner);

    QGroupBox* fraConvertTo;
    QRadioButton* optFormat[kConvertFormats];
    QGroupBox* fraZRKFileName;
    QLabel* lblZRKFileName;
    QGroupBox* fraSaveFrame;
    DigitBox* txtStartFrame;
    UpDown* udnStartFrame;
    QLabel* lblCap;
    DigitBox* txtEndFrame;
    UpDown* udnEndFrame;
    QLabel* lblIntervalCap;
    DigitBox* txtInterval;
    UpDown* udnInterval;
    QGroupBox* fraFrameRate;
    DigitBox* txtFrameRate;
    UpDown* udnFrameRate;
    QLabel* lblSlowMotion; // the movie's length and slow-down, for the shareable movies
    QGroupBox* fraQuality; // the H.264 rate factor: MP4 only
    DigitBox* txtQuality;
    UpDown* udnQuality;
    QLabel* lblQuality;
    QGroupBox* fraBitmapBaseFile;
    QLabel *lblSaveFolderCap, *lblSaveFolder;
    QPushButton *cmdSelectFolder, *cmdMakeFolder, *cmdOK, *cmdCancel;
    QCheckBox* chkFrameData;

    void FormatChanged(ConvertFormat format);
    void OnOK();
    void OnSelectFolder();
    void OnMakeFolder();
    // The dialog's fields (valid after OK).
    const ConvertChoice& choice() const { return m_choice; }

private:
    void ShowFolder();
    void ShowSlowMotion();
    ConvertChoice m_choice;
    int32_t m_first = 0, m_last = 0;
    int32_t m_rateMin = 1, m_rateMax = 30, m_rateDefault = 20;
};

// Runs the dialog for the open file; true with the choice when an export should start.
bool ShowConvertDialog(QWidget* owner, ConvertChoice& choice);
