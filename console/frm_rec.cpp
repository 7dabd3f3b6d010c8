#include "console/frm_rec.h"

#include "base/open_windows.h"
#include "base/shared_state.h"
#include "base/status_line.h"
#include "base/ui_port.h"
#include "console/console_rules.h"
#include "console/live_picture.h"
#include "console/setup_dialogs_common.h"
#include "protocol/code_tables.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kPanelLeft = 528; // right of the 516-pixel picture square at (4, 4)
constexpr int kPanelWidth = 260;
constexpr int kSquareBottom = 524; // the picture square ends here

QLabel* Label(QWidget* parent, const char* name, const QString& text = {}) {
    return setup::Named(new QLabel(text, parent), name);
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
    return setup::Named(new QPushButton(caption, parent), name);
}

QGroupBox* Group(QWidget* parent, const char* name, const QString& caption) {
    return setup::Named(new QGroupBox(caption, parent), name);
}

void SetBackground(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::Button, colour);
    w->setPalette(p);
}

} // namespace

frmRec::frmRec() : QWidget(nullptr) {
    setObjectName(QStringLiteral("frmRec"));
    setWindowTitle(QStringLiteral("Record"));
    setAttribute(Qt::WA_DeleteOnClose);
    Build();
    Connect();
    Windows().frmRec = this;
}

frmRec::~frmRec() {
    Closing(); // destroyed without a close event: close all the same
}

void frmRec::Build() {
    picImage = new LivePicture(this);
    SizePreviewArea(0);

    auto* panel = new QWidget(this);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 4, 0, 0);

    fraRecInfo = Group(panel, "fraRecInfo", QStringLiteral("Record Info"));
    auto* info = new QGridLayout(fraRecInfo);
    const auto row = [&](int r, QLabel*& cap, const char* capName, const char* text, QLabel*& value,
                         const char* valueName) {
        cap = Label(fraRecInfo, capName, QLatin1String(text));
        value = Label(fraRecInfo, valueName);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        info->addWidget(cap, r, 0);
        info->addWidget(value, r, 1);
    };
    row(0, lblAnalogCap, "lblAnalogCap", "Analog IN:", lblAnalog, "lblAnalog");
    row(1, lblRecModeCap, "lblRecModeCap", "Trigger Mode: ", lblTrigMode, "lblTrigMode");
    row(2, lblSizeCap, "lblSizeCap", "Image Size:", lblSize, "lblSize");
    row(3, lblRecSpeedCap, "lblRecSpeedCap", "Frame Rate:", lblSpeed, "lblSpeed");
    row(4, lblShutterCap, "lblShutterCap", "Shutter Speed:", lblShutter, "lblShutter");
    row(5, lblGainCap, "lblGainCap", "Gain:", lblGain, "lblGain");
    row(6, lblPostCountCap, "lblPostCountCap", "Post Frames :", lblPostCnt, "lblPostCnt");
    row(7, lblPartitionCap, "lblPartitionCap", "Region Segment:", lblPartition, "lblPartition");
    column->addWidget(fraRecInfo);

    const auto buttonRow = [&](QGroupBox* box, std::initializer_list<QPushButton*> buttons) {
        auto* layout = new QHBoxLayout(box);
        for (QPushButton* b : buttons)
            layout->addWidget(b);
        column->addWidget(box);
    };
    fraSetup = Group(panel, "fraSetup", QStringLiteral("Settings"));
    cmdAnalogGain = Button(fraSetup, "cmdAnalogGain", QStringLiteral("Analog IN"));
    cmdSetRMOD = Button(fraSetup, "cmdSetRMOD", QStringLiteral("Record"));
    cmdCamera = Button(fraSetup, "cmdCamera", QStringLiteral("Camera"));
    buttonRow(fraSetup, {cmdAnalogGain, cmdSetRMOD, cmdCamera});

    fraRecCommand = Group(panel, "fraRecCommand", QStringLiteral("Record/Trigger"));
    cmdSetRCST = Button(fraRecCommand, "cmdSetRCST", QStringLiteral("Start"));
    cmdSetRCSP = Button(fraRecCommand, "cmdSetRCSP", QStringLiteral("Stop"));
    cmdSetTRIG = Button(fraRecCommand, "cmdSetTRIG", QStringLiteral("Trigger"));
    cmdSetRCST->setAutoFillBackground(true);
    buttonRow(fraRecCommand, {cmdSetRCST, cmdSetRCSP, cmdSetTRIG});

    fraDownLoad = Group(panel, "fraDownLoad", QStringLiteral("Data"));
    cmdDownload = Button(fraDownLoad, "cmdDownload", QStringLiteral("Save"));
    cmdSetRACL = Button(fraDownLoad, "cmdSetRACL", QStringLiteral("Clear"));
    cmdPlay = Button(fraDownLoad, "cmdPlay", QStringLiteral("Play"));
    buttonRow(fraDownLoad, {cmdDownload, cmdSetRACL, cmdPlay});
    cmdSetRACL->setToolTip(QStringLiteral("Erases every recorded frame in the camera"));
    cmdPlay->setToolTip(QStringLiteral("Disconnects the camera and opens a data file"));

    fraAreaInfo = Group(panel, "fraAreaInfo", QStringLiteral("Recorded Frame Count"));
    auto* area = new QGridLayout(fraAreaInfo);
    for (int i = 0; i < 4; ++i) {
        lblAreaCountCap[i] = new QLabel(QStringLiteral("%1 :").arg(i + 1), fraAreaInfo);
        lblAreaCountCap[i]->setObjectName(QStringLiteral("lblAreaCountCap_%1").arg(i));
        lblAreaCount[i] = new QLabel(fraAreaInfo);
        lblAreaCount[i]->setObjectName(QStringLiteral("lblAreaCount_%1").arg(i));
        lblAreaCount[i]->setAutoFillBackground(true);
        lblAreaCount[i]->setAlignment(Qt::AlignCenter);
        lblAreaCount[i]->setFrameShape(QFrame::Panel);
        lblAreaCount[i]->setFrameShadow(QFrame::Sunken);
        area->addWidget(lblAreaCountCap[i], i, 0);
        area->addWidget(lblAreaCount[i], i, 1);
    }
    column->addWidget(fraAreaInfo);

    auto* bottom = new QHBoxLayout;
    chkPreview = new QCheckBox(QStringLiteral("Preview"), panel);
    chkPreview->setObjectName(QStringLiteral("chkPreview"));
    cmdBkup = Button(panel, "cmdBkup", QStringLiteral("BKUP"));
    cmdRstr = Button(panel, "cmdRstr", QStringLiteral("RSTR"));
    bottom->addWidget(chkPreview);
    bottom->addStretch(1);
    bottom->addWidget(cmdBkup);
    bottom->addWidget(cmdRstr);
    column->addLayout(bottom);
    column->addStretch(1);

    // Hidden unless debug mode is on (Open decides).
    cmdBkup->hide();
    cmdRstr->hide();
    cmdPlay->hide();

    lblLiveHealth = Label(this, "lblLiveHealth");
    lblStatus = Label(this, "lblStatus");
    // The controls take what they need; the window is at least as tall as the picture square.
    const int statusTop = std::max(kSquareBottom + 2, column->sizeHint().height() + 4);
    const int lineWidth = kPanelLeft + kPanelWidth - 8;
    const int statusHeight = 2 * lblStatus->fontMetrics().lineSpacing() + 6;
    panel->setGeometry(kPanelLeft, 0, kPanelWidth - 4, statusTop);
    lblLiveHealth->setGeometry(4, statusTop, lineWidth, 20);
    lblStatus->setGeometry(4, statusTop + 22, lineWidth, statusHeight);
    setFixedSize(kPanelLeft + kPanelWidth, statusTop + 26 + statusHeight);
    for (QLabel* line : {lblLiveHealth, lblStatus}) {
        line->setFrameShape(QFrame::StyledPanel);
        line->setFrameShadow(QFrame::Sunken);
    }
    lblStatus->setWordWrap(true);
    lblStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ShowStatusIn(lblStatus);
    tmrLiveHealth = new QTimer(this);
    tmrLiveHealth->setInterval(1000);
}

void frmRec::ShowRecordMode(const RecordMode& mode) {
    const RecordModeCaptions c = CaptionsOf(mode);
    lblSpeed->setText(c.speed);
    lblShutter->setText(c.shutter);
    lblSize->setText(c.size);
    lblPartition->setText(c.partition);
    lblTrigMode->setText(c.trigger);
    lblPostCnt->setText(c.postCount);
}

void frmRec::SizePreviewArea(int32_t imageSize) {
    const std::optional<QRect> area = PreviewArea(imageSize);
    if (!area) return;
    picImage->setGeometry(*area);
    picImage->Clear();
    picImage->update();
}

void frmRec::ShowRegionCounts() {
    const std::array<RegionLabel, 4> labels =
        RegionLabels(g_RegionFrames, g_lngRunState, g_RecMode.Partition);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        lblAreaCount[i]->setText(labels[i].text);
        if (labels[i].colour != RegionColour::Keep)
            SetBackground(lblAreaCount[i], QColor::fromRgb(RegionColourRgb(labels[i].colour)));
    }
}

void frmRec::UpdateConsoleButtons() {
    const std::optional<ConsoleButtons> b = ConsoleButtonStates(g_lngCamMode, g_lngRunState, g_lngDataState);
    if (!b) return;
    chkPreview->setEnabled(b->preview);
    cmdSetRCST->setEnabled(b->start);
    cmdSetRCSP->setEnabled(b->stop);
    cmdSetTRIG->setEnabled(b->trigger);
    cmdDownload->setEnabled(b->save);
    cmdSetRACL->setEnabled(b->clear);
    cmdSetRMOD->setEnabled(b->record);
    cmdCamera->setEnabled(b->camera);
    cmdAnalogGain->setEnabled(b->analogIn);
    ShowLockReason(!b->record && b->save);
    if (b->startBackground == StartBackground::Red)
        SetBackground(cmdSetRCST, QColor(255, 0, 0));
    else if (b->startBackground == StartBackground::ButtonFace)
        cmdSetRCST->setPalette(QApplication::palette(cmdSetRCST));
}

void frmRec::ShowLockReason(bool locked) {
    // Said once as the lock comes; taken back when Clear lifts it (unless something newer is up).
    if (locked == m_settingsLocked) return;
    m_settingsLocked = locked;
    if (locked)
        Ui().ShowStatus(status_text::SettingsLocked());
    else if (StatusText() == status_text::SettingsLocked())
        Ui().ShowStatus(QString());
}

void frmRec::ClearPicture() {
    picImage->Clear();
}

void frmRec::ShowGain(int32_t gainCode) {
    lblGain->setText(Caption(kGainCaptions, gainCode));
}

void frmRec::ShowAnalogGain(int32_t analogGainCode) {
    const bool used = analogGainCode != 0;
    lblAnalogCap->setEnabled(used);
    if (!used) lblAnalog->setText(QStringLiteral("0"));
    lblAnalog->setEnabled(used);
}

frmRec* RecordConsole() {
    return qobject_cast<frmRec*>(Windows().frmRec.data());
}
