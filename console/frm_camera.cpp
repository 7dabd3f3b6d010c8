#include "console/frm_camera.h"

#include "base/shared_state.h"
#include "base/ui_port.h"
#include "console/console_message.h"
#include "console/setup_dialogs_common.h"
#include "protocol/code_tables.h"
#include "protocol/command_set.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

using setup::Named;

namespace {

const QString kPresetTitle = QStringLiteral("User White Balance Setup");
constexpr WhiteBalance kFactoryUser{6, 184, 128, 202}; // the colours "Default" restores

// List entries 0..4 are presets 0, 1, 2, 6 and 7; presets 3..5 have none.
int PresetOfEntry(int entry) {
    return entry <= 2 ? entry : entry + 3;
}
int EntryOfPreset(int preset) {
    if (preset >= 0 && preset <= 2) return preset;
    if (preset == 6 || preset == 7) return preset - 3;
    return -1;
}

QComboBox* List(QWidget* parent, const char* name, std::initializer_list<const char*> items) {
    auto* box = Named(new QComboBox(parent), name);
    for (const char* item : items)
        box->addItem(QString::fromLatin1(item));
    return box;
}

} // namespace

frmCamera::frmCamera(QWidget* console) : QWidget(console, Qt::Window), m_console(console) {
    setObjectName(QStringLiteral("frmCamera"));
    setWindowTitle(QStringLiteral("Camera Properties"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* frmGain = Named(new QGroupBox(QStringLiteral("Gain"), this), "frmGain");
    cmbCamGain = List(frmGain, "cmbCamGain", {"0dB", "+3dB", "+6dB", "+9dB", "+12dB", "+15dB", "+18dB"});
    (new QVBoxLayout(frmGain))->addWidget(cmbCamGain);

    auto* fraGamma = Named(new QGroupBox(QStringLiteral("Gamma"), this), "fraGamma");
    cmbGamma = List(fraGamma, "cmbGamma", {"None", "Gamma1", "Gamma2", "Gamma3"});
    const char* gammaTips[] = {"Gamma 1.00: no correction", "Gamma 0.77", "Gamma 0.67",
                               "Gamma 0.55: darks lifted most"};
    for (int i = 0; i < 4; ++i)
        cmbGamma->setItemData(i, QString::fromLatin1(gammaTips[i]), Qt::ToolTipRole);
    cmbGamma->setToolTip(
        QStringLiteral("Gamma of the picture: None 1.00, Gamma1 0.77, Gamma2 0.67, Gamma3 0.55"));
    (new QVBoxLayout(fraGamma))->addWidget(cmbGamma);

    auto* fraWhite = Named(new QGroupBox(QStringLiteral("White Balance"), this), "fraWhiteBalCap");
    cmbWhiteBalance = List(fraWhite, "cmbWhiteBalance",
                           {"Daylight", "Fluorescent light", "Halogen light", "User 1", "User 2"});
    auto* colours = new QGridLayout;
    auto slider = [&](const char* cap, const char* capName, const char* name, const char* valueName,
                      QLabel*& capLabel, QLabel*& value, int row) {
        capLabel = Named(new QLabel(QString::fromLatin1(cap), fraWhite), capName);
        auto* s = Named(new QSlider(Qt::Horizontal, fraWhite), name);
        s->setRange(0, 255);
        value = Named(new QLabel(fraWhite), valueName);
        value->setMinimumWidth(30);
        colours->addWidget(capLabel, row, 0);
        colours->addWidget(s, row, 1);
        colours->addWidget(value, row, 2);
        return s;
    };
    sldRed = slider("Red", "lblRedCap", "sldRed", "lblRed", lblRedCap, lblRed, 0);
    sldGreen = slider("Green", "lblGreenCap", "sldGreen", "lblGreen", lblGreenCap, lblGreen, 1);
    sldBlue = slider("Blue", "lblBlueCap", "sldBlue", "lblBlue", lblBlueCap, lblBlue, 2);
    auto* whiteLayout = new QVBoxLayout(fraWhite);
    whiteLayout->addWidget(cmbWhiteBalance);
    whiteLayout->addLayout(colours);

    fraUserWB = Named(new QGroupBox(QStringLiteral("User Defined"), this), "fraUserWB");
    auto* userLayout = new QHBoxLayout(fraUserWB);
    auto userValue = [&](const char* cap, const char* capName, const char* name, QLabel*& capLabel) {
        capLabel = Named(new QLabel(QString::fromLatin1(cap), fraUserWB), capName);
        auto* value = Named(new QLabel(fraUserWB), name);
        value->setMinimumWidth(30);
        userLayout->addWidget(capLabel);
        userLayout->addWidget(value);
        return value;
    };
    lblUserRed = userValue("R :", "lblUserRedCap", "lblUserRed", lblUserRedCap);
    lblUserGreen = userValue("G :", "lblUserGreenCap", "lblUserGreen", lblUserGreenCap);
    lblUserBlue = userValue("B :", "lblUserBlueCap", "lblUserBlue", lblUserBlueCap);

    fraUserWBSetUp = Named(new QGroupBox(QStringLiteral("User Preset Setup"), this), "fraUserWBSetUp");
    cmdUserLoad = Named(new QPushButton(QStringLiteral("Recall"), fraUserWBSetUp), "cmdUserLoad");
    cmdUserSet = Named(new QPushButton(QStringLiteral("Save"), fraUserWBSetUp), "cmdUserSet");
    cmdInitial = Named(new QPushButton(QStringLiteral("Default"), fraUserWBSetUp), "cmdInitial");
    auto* setupLayout = new QHBoxLayout(fraUserWBSetUp);
    for (QPushButton* b : {cmdUserLoad, cmdUserSet, cmdInitial})
        setupLayout->addWidget(b);

    auto* buttons = setup::OkCancelRow(this, cmdOK, cmdCancel);

    auto* layout = new QVBoxLayout(this);
    for (QWidget* w : std::initializer_list<QWidget*>{frmGain, fraGamma, fraWhite, fraUserWB, fraUserWBSetUp})
        layout->addWidget(w);
    layout->addLayout(buttons);

    connect(cmbCamGain, &QComboBox::currentIndexChanged, this, &frmCamera::GainClicked);
    connect(cmbGamma, &QComboBox::currentIndexChanged, this, &frmCamera::GammaClicked);
    connect(cmbWhiteBalance, &QComboBox::currentIndexChanged, this, &frmCamera::WhiteBalanceClicked);
    connect(sldRed, &QSlider::valueChanged, this,
            [this] { SliderChanged(sldRed, lblRed, &WhiteBalance::Red); });
    connect(sldGreen, &QSlider::valueChanged, this,
            [this] { SliderChanged(sldGreen, lblGreen, &WhiteBalance::Green); });
    connect(sldBlue, &QSlider::valueChanged, this,
            [this] { SliderChanged(sldBlue, lblBlue, &WhiteBalance::Blue); });
    connect(cmdUserLoad, &QPushButton::clicked, this, &frmCamera::WhiteBalanceClicked);
    connect(cmdUserSet, &QPushButton::clicked, this, &frmCamera::SaveClicked);
    connect(cmdInitial, &QPushButton::clicked, this, &frmCamera::DefaultClicked);
    connect(cmdOK, &QPushButton::clicked, this, [this] {
        m_okPressed = true;
        close();
    });
    connect(cmdCancel, &QPushButton::clicked, this, [this] {
        m_okPressed = false;
        close();
    });
    Load();
}

void frmCamera::Load() {
    m_loading = true;
    m_okPressed = false;
    m_origGain = g_lngGain;
    g_lngGainNew = g_lngGain;
    cmbCamGain->setCurrentIndex(g_lngGain >= 0 && g_lngGain <= 6 ? g_lngGain : -1);
    g_GammaNew = m_origGamma = g_Gamma;
    cmbGamma->setCurrentIndex(g_Gamma.Index >= 0 && g_Gamma.Index <= 3 ? g_Gamma.Index : -1);
    g_WBNew = m_origWB = g_WB;
    const int entry = EntryOfPreset(g_WB.Preset);
    cmbWhiteBalance->setCurrentIndex(entry);
    if (entry >= 0 && entry <= 2) {
        ShowUserWB(false, 128, 128, 128);
    } else if (entry >= 3) {
        const UserWhiteBalance& user = g_UserWB[static_cast<std::size_t>(g_WB.Preset - 6)];
        ShowUserWB(true, user.Red, user.Green, user.Blue);
    } else {
        ShowUserWB(false, 128, 128, 128);
    }
    m_loading = false;
}

void frmCamera::GainClicked() {
    if (m_loading || cmbCamGain->currentIndex() < 0) return;
    g_lngGainNew = cmbCamGain->currentIndex();
    SendGAIN(g_lngGainNew);
}

void frmCamera::GammaClicked() {
    if (m_loading || cmbGamma->currentIndex() < 0) return;
    const int index = cmbGamma->currentIndex();
    g_GammaNew = GammaSetting{index, GammaValue(index)};
}

void frmCamera::WhiteBalanceClicked() {
    const int entry = cmbWhiteBalance->currentIndex();
    if (m_loading || entry < 0) return;
    const int preset = PresetOfEntry(entry);
    g_WBNew.Preset = preset;
    if (entry <= 2) {
        const Rgb16 c = PresetRGB(preset);
        g_WBNew.Red = c.Red;
        g_WBNew.Green = c.Green;
        g_WBNew.Blue = c.Blue;
        ShowUserWB(false, 128, 128, 128);
    } else {
        const UserWhiteBalance& user = g_UserWB[static_cast<std::size_t>(preset - 6)];
        g_WBNew.Red = user.Red;
        g_WBNew.Green = user.Green;
        g_WBNew.Blue = user.Blue;
        ShowUserWB(true, user.Red, user.Green, user.Blue);
    }
}

void frmCamera::SliderChanged(QSlider* slider, QLabel* value, int16_t WhiteBalance::*colour) {
    value->setText(QString::number(slider->value()));
    if (m_sliderSync) return;
    cmdUserLoad->setEnabled(true);
    cmdUserSet->setEnabled(true);
    g_WBNew.*colour = static_cast<int16_t>(slider->value());
}

void frmCamera::ShowUserWB(bool isUser, int red, int green, int blue) {
    if (isUser) {
        lblUserRed->setText(QString::number(red));
        lblUserGreen->setText(QString::number(green));
        lblUserBlue->setText(QString::number(blue));
    } else {
        for (QLabel* l : {lblUserRed, lblUserGreen, lblUserBlue})
            l->clear();
    }
    for (QWidget* w : std::initializer_list<QWidget*>{
             fraUserWB, lblUserRedCap, lblUserGreenCap, lblUserBlueCap, fraUserWBSetUp, lblRedCap, lblRed,
             lblGreenCap, lblGreen, lblBlueCap, lblBlue, sldRed, sldGreen, sldBlue, cmdInitial})
        w->setEnabled(isUser);
    cmdUserLoad->setEnabled(false);
    cmdUserSet->setEnabled(false);
    m_sliderSync = true;
    sldRed->setValue(red);
    sldGreen->setValue(green);
    sldBlue->setValue(blue);
    // A slider already at its value sends no change: its label is filled here all the same.
    lblRed->setText(QString::number(sldRed->value()));
    lblGreen->setText(QString::number(sldGreen->value()));
    lblBlue->setText(QString::number(sldBlue->value()));
    m_sliderSync = false;
}

bool frmCamera::Confirm(const QString& text) {
    MsgResult answer = MsgResult::Cancel;
    bool lost = false;
    {
        // A link lost while the question is up is only noted; the scope's end then ends the
        // connection (closing the console and this dialog), and nothing is sent.
        const ConsoleMessageScope scope;
        answer = Ui().MessageBox(kPresetTitle, text, MsgIcon::Information, MsgButtons::OkCancel);
        lost = g_blnLostDuringMsgBox;
    }
    return !lost && answer == MsgResult::Ok;
}

void frmCamera::SaveClicked() {
    const QPointer<frmCamera> self(this);
    const bool ok = Confirm(QStringLiteral("Save settings as user preset?"));
    if (!self || m_closed || !ok) return;
    cmdUserLoad->setEnabled(false);
    cmdUserSet->setEnabled(false);
    SendWBPR(g_WBNew);
    ShowUserWB(true, g_WBNew.Red, g_WBNew.Green, g_WBNew.Blue);
}

void frmCamera::DefaultClicked() {
    const QPointer<frmCamera> self(this);
    const bool ok = Confirm(QStringLiteral("Return settings to factory default?"));
    if (!self || m_closed || !ok) return;
    g_WBNew.Red = kFactoryUser.Red;
    g_WBNew.Green = kFactoryUser.Green;
    g_WBNew.Blue = kFactoryUser.Blue;
    SendWBPR(g_WBNew);
    ShowUserWB(true, kFactoryUser.Red, kFactoryUser.Green, kFactoryUser.Blue);
}

void frmCamera::closeEvent(QCloseEvent* event) {
    Closing();
    event->accept();
}

void frmCamera::Closing() {
    if (m_closed) return;
    m_closed = true;
    if (m_okPressed) {
        if (g_GammaNew.Index != m_origGamma.Index) SendGAMM(g_GammaNew);
        if (g_WBNew.Preset != m_origWB.Preset) SendWBPR(g_WBNew);
    } else {
        if (g_lngGainNew != m_origGain) {
            g_lngGainNew = m_origGain;
            SendGAIN(m_origGain);
        }
        // Back to what the camera holds, slider moves of the same preset included: the live
        // picture must not keep colours the operator cancelled.
        g_GammaNew = g_Gamma;
        g_WBNew = g_WB;
    }
    if (m_console) m_console->setEnabled(true);
}
