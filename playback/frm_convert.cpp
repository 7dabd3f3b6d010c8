#include "playback/frm_convert.h"

#include "base/ui_port.h"
#include "playback/export_movie.h"
#include "playback/frm_make_folder.h"
#include "playback/playback_state.h"
#include "playback/up_down.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QLabel* Label(QWidget* parent, const char* name, const QString& text = QString()) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

// A text box and its up-down, bound both ways: the up-down's value shows in the box and sets field.
DigitBox* NumberBox(QWidget* parent, const char* boxName, const char* upDownName, UpDown*& upDown,
                    int32_t& field) {
    upDown = new UpDown(parent);
    upDown->setObjectName(QString::fromLatin1(upDownName));
    auto* box = new DigitBox(parent, upDown);
    box->setObjectName(QString::fromLatin1(boxName));
    box->setMaximumWidth(70);
    box->field = [&field] { return field; };
    upDown->onChanged = [box, &field](int v) {
        field = v;
        if (box->text() != QString::number(v)) box->setText(QString::number(v));
    };
    return box;
}

} // namespace

frmConvert::frmConvert(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmConvert"));
    setWindowTitle(QStringLiteral("Conversion"));
    const PlaybackState& state = Playback();

    fraConvertTo = new QGroupBox(QStringLiteral("Convert to"), this);
    fraConvertTo->setObjectName(QStringLiteral("fraConvertTo"));
    optFormat[0] = new QRadioButton(QStringLiteral("AVI File"), fraConvertTo);
    optFormat[1] = new QRadioButton(QStringLiteral("DIB Sequence"), fraConvertTo);
    optFormat[2] = new QRadioButton(QStringLiteral("MP4 Movie (H.264, to share)"), fraConvertTo);
    optFormat[3] = new QRadioButton(QStringLiteral("MKV Movie (FFV1, lossless archive)"), fraConvertTo);
    auto* formats = new QVBoxLayout(fraConvertTo);
    for (int i = 0; i < kConvertFormats; ++i) {
        optFormat[i]->setObjectName(QStringLiteral("optFormat_%1").arg(i));
        formats->addWidget(optFormat[i]);
    }

    fraZRKFileName = new QGroupBox(QStringLiteral("ZRK File Name"), this);
    fraZRKFileName->setObjectName(QStringLiteral("fraZRKFileName"));
    lblZRKFileName = Label(fraZRKFileName, "lblZRKFileName", state.file.path);
    (new QVBoxLayout(fraZRKFileName))->addWidget(lblZRKFileName);

    fraSaveFrame = new QGroupBox(QStringLiteral("Save Frame"), this);
    fraSaveFrame->setObjectName(QStringLiteral("fraSaveFrame"));
    txtStartFrame = NumberBox(fraSaveFrame, "txtStartFrame", "udnStartFrame", udnStartFrame, m_choice.start);
    lblCap = Label(fraSaveFrame, "lblCap", QStringLiteral("to"));
    txtEndFrame = NumberBox(fraSaveFrame, "txtEndFrame", "udnEndFrame", udnEndFrame, m_choice.end);
    lblIntervalCap = Label(fraSaveFrame, "lblIntervalCap", QStringLiteral("Interval"));
    txtInterval = NumberBox(fraSaveFrame, "txtInterval", "udnInterval", udnInterval, m_choice.interval);
    auto* frames = new QHBoxLayout(fraSaveFrame);
    for (QWidget* w : std::initializer_list<QWidget*>{txtStartFrame, udnStartFrame, lblCap, txtEndFrame,
                                                      udnEndFrame, lblIntervalCap, txtInterval, udnInterval})
        frames->addWidget(w);

    fraFrameRate = new QGroupBox(QStringLiteral("Frame Rate (Frame/sec)"), this);
    fraFrameRate->setObjectName(QStringLiteral("fraFrameRate"));
    txtFrameRate = NumberBox(fraFrameRate, "txtFrameRate", "udnFrameRate", udnFrameRate, m_choice.rate);
    lblSlowMotion = Label(fraFrameRate, "lblSlowMotion");
    auto* rate = new QHBoxLayout(fraFrameRate);
    rate->addWidget(txtFrameRate);
    rate->addWidget(udnFrameRate);
    rate->addWidget(lblSlowMotion);
    rate->addStretch();
    // The movie's length follows the range and the rate.
    for (UpDown* u : {udnStartFrame, udnEndFrame, udnFrameRate})
        u->onChanged = [this, set = u->onChanged](int v) {
            set(v);
            ShowSlowMotion();
        };

    fraQuality = new QGroupBox(QStringLiteral("Quality (MP4)"), this);
    fraQuality->setObjectName(QStringLiteral("fraQuality"));
    txtQuality = NumberBox(fraQuality, "txtQuality", "udnQuality", udnQuality, m_choice.quality);
    lblQuality = Label(fraQuality, "lblQuality",
                       QStringLiteral("%1 best … %2 smallest; %3 looks like the original")
                           .arg(zrk::movie::kMinQuality)
                           .arg(zrk::movie::kMaxQuality)
                           .arg(zrk::movie::kDefaultQuality));
    auto* quality = new QHBoxLayout(fraQuality);
    quality->addWidget(txtQuality);
    quality->addWidget(udnQuality);
    quality->addWidget(lblQuality);
    quality->addStretch();

    fraBitmapBaseFile = new QGroupBox(QStringLiteral("Save As"), this);
    fraBitmapBaseFile->setObjectName(QStringLiteral("fraBitmapBaseFile"));
    lblSaveFolderCap = Label(fraBitmapBaseFile, "lblSaveFolderCap", QStringLiteral("Folder Name:"));
    lblSaveFolder = Label(fraBitmapBaseFile, "lblSaveFolder");
    cmdSelectFolder = Button(fraBitmapBaseFile, "cmdSelectFolder", QStringLiteral("Select Folder"));
    cmdMakeFolder = Button(fraBitmapBaseFile, "cmdMakeFolder", QStringLiteral("Add Folder"));
    auto* save = new QGridLayout(fraBitmapBaseFile);
    save->addWidget(lblSaveFolderCap, 0, 0);
    save->addWidget(lblSaveFolder, 0, 1, 1, 2);
    save->addWidget(cmdSelectFolder, 1, 1);
    save->addWidget(cmdMakeFolder, 1, 2);

    chkFrameData = new QCheckBox(QStringLiteral("Frame data (CSV)"), this);
    chkFrameData->setObjectName(QStringLiteral("chkFrameData"));
    chkFrameData->setChecked(true);
    cmdOK = Button(this, "cmdOK", QStringLiteral("OK"));
    cmdCancel = Button(this, "cmdCancel", QStringLiteral("Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    for (QWidget* w :
         std::initializer_list<QWidget*>{fraConvertTo, fraZRKFileName, fraSaveFrame, fraFrameRate, fraQuality,
                                         fraBitmapBaseFile, chkFrameData})
        layout->addWidget(w);
    layout->addLayout(buttons);

    // The boxes' ranges, fallbacks and empty values.
    txtStartFrame->rangeMin = txtEndFrame->rangeMin = [this] { return m_first; };
    txtStartFrame->rangeMax = txtEndFrame->rangeMax = [this] { return m_last; };
    txtStartFrame->fallback = txtStartFrame->emptyValue = [this] { return m_first; };
    txtEndFrame->fallback = txtEndFrame->emptyValue = [this] { return m_last; };
    txtInterval->rangeMin = [this] { return m_first + 1; };
    txtInterval->rangeMax = [this] { return m_last; };
    txtInterval->fallback = [this] { return m_choice.interval; };
    txtInterval->emptyValue = [this] { return m_first + 1; };
    txtFrameRate->rangeMin = [this] { return m_rateMin; };
    txtFrameRate->rangeMax = [this] { return m_rateMax; };
    txtFrameRate->fallback = [this] { return m_choice.rate; };
    txtFrameRate->emptyValue = [this] { return m_rateDefault; };
    txtQuality->rangeMin = [] { return zrk::movie::kMinQuality; };
    txtQuality->rangeMax = [] { return zrk::movie::kMaxQuality; };
    txtQuality->fallback = [this] { return m_choice.quality; };
    txtQuality->emptyValue = [] { return zrk::movie::kDefaultQuality; };
    txtStartFrame->onEnter = [this] { txtEndFrame->setFocus(); };
    txtEndFrame->onEnter = [this] {
        if (m_choice.format == ConvertFormat::DibSequence)
            txtInterval->setFocus();
        else
            txtFrameRate->setFocus();
    };
    txtFrameRate->onEnter = [this] {
        if (m_choice.format == ConvertFormat::Mp4)
            txtQuality->setFocus();
        else
            cmdOK->setFocus();
    };
    txtInterval->onEnter = txtQuality->onEnter = [this] { cmdOK->setFocus(); };

    connect(optFormat[0], &QRadioButton::clicked, this, [this] { FormatChanged(ConvertFormat::Avi); });
    for (int i = 1; i < kConvertFormats; ++i)
        connect(optFormat[i], &QRadioButton::clicked, this,
                [this, i] { FormatChanged(static_cast<ConvertFormat>(i)); });
    connect(cmdSelectFolder, &QPushButton::clicked, this, [this] { OnSelectFolder(); });
    connect(cmdMakeFolder, &QPushButton::clicked, this, [this] { OnMakeFolder(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    m_first = state.file.firstFrame;
    m_last = state.file.lastFrame;
    optFormat[0]->setChecked(true);
    FormatChanged(ConvertFormat::Avi);
}

void frmConvert::FormatChanged(ConvertFormat format) {
    m_choice.format = format;
    // Shareable movies play back at a common rate; the AVI keeps its own range.
    const bool movie = MovieCodecOf(format).has_value();
    m_rateMax = movie ? zrk::movie::kMaxRate : 30;
    m_rateDefault = movie ? zrk::movie::kDefaultRate : 20;
    m_choice.start = m_first;
    m_choice.end = m_last;
    m_choice.interval = 1;
    udnStartFrame->SetRange(m_choice.start, m_choice.end);
    udnStartFrame->SetValue(m_choice.start);
    udnEndFrame->SetRange(m_choice.start, m_choice.end);
    udnEndFrame->SetValue(m_choice.end);
    udnInterval->SetRange(1, m_choice.end);
    udnInterval->SetValue(1);
    udnFrameRate->SetRange(m_rateMin, m_rateMax);
    udnFrameRate->SetValue(m_rateDefault);
    udnQuality->SetRange(zrk::movie::kMinQuality, zrk::movie::kMaxQuality);
    udnQuality->SetValue(m_choice.quality);
    const bool dib = format == ConvertFormat::DibSequence;
    for (QWidget* w : std::initializer_list<QWidget*>{lblSaveFolderCap, cmdSelectFolder, cmdMakeFolder,
                                                      lblIntervalCap, txtInterval, udnInterval})
        w->setEnabled(dib);
    for (QWidget* w : std::initializer_list<QWidget*>{fraFrameRate, txtFrameRate, udnFrameRate})
        w->setEnabled(!dib);
    for (QWidget* w : std::initializer_list<QWidget*>{fraQuality, txtQuality, udnQuality, lblQuality})
        w->setEnabled(format == ConvertFormat::Mp4);
    if (dib)
        ShowFolder();
    else
        lblSaveFolder->clear();
    ShowSlowMotion();
}

void frmConvert::ShowSlowMotion() {
    const bool movie = MovieCodecOf(m_choice.format).has_value();
    lblSlowMotion->setText(movie ? SlowMotionCaption(m_choice.start, m_choice.end, m_choice.rate)
                                 : QString());
}

void frmConvert::ShowFolder() {
    lblSaveFolder->setText(Playback().exportFolder);
    lblSaveFolder->setToolTip(Playback().exportFolder);
}

void frmConvert::OnOK() {
    if (m_choice.start > m_choice.end) {
        Ui().MessageBox(QStringLiteral("DIB Sequence Conversion"),
                        QStringLiteral("Save frame range invalid.\r\nInput correct setting."),
                        MsgIcon::Exclamation, MsgButtons::Ok);
        udnStartFrame->SetValue(m_first);
        udnEndFrame->SetValue(m_last);
        return;
    }
    m_choice.frameData = chkFrameData->isChecked();
    Playback().exportFrameData = m_choice.frameData;
    accept();
}

void frmConvert::OnSelectFolder() {
    const QString chosen =
        Ui().FolderDialog(QStringLiteral("Select Destination Folder"), Playback().exportFolder);
    if (chosen.isEmpty()) return; // cancelled: the folder stays
    QString& folder = Playback().exportFolder;
    folder = chosen.endsWith(u'/') ? chosen : chosen + u'/';
    ShowFolder();
}

void frmConvert::OnMakeFolder() {
    frmMakeFolder dialog(this);
    dialog.exec();
    ShowFolder();
}

bool ShowConvertDialog(QWidget* owner, ConvertChoice& choice) {
    frmConvert dialog(owner);
    if (dialog.exec() != QDialog::Accepted) return false;
    choice = dialog.choice();
    return true;
}
