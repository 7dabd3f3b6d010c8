#include "playback/frm_play.h"

#include "base/image_library.h"
#include "base/open_windows.h"
#include "base/shared_state.h"
#include "base/ui_port.h"
#include "playback/export_movie.h"
#include "playback/export_run.h"
#include "playback/frm_convert.h"
#include "playback/frm_enhance.h"
#include "playback/header_captions.h"
#include "playback/picture_area.h"
#include "playback/playback_state.h"
#include "protocol/hot_keys.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kTitle = QStringLiteral("Play Control");
constexpr int kPictureBox = 516; // the square the picture area is centred in
constexpr int kTickMs = 55;

QLabel* Label(QWidget* parent, const char* name, const QString& text = QString()) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QToolButton* Option(QWidget* parent, const char* name, const QIcon& icon) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(icon);
    b->setCheckable(true);
    b->setAutoExclusive(true);
    b->setIconSize(QSize(24, 24));
    return b;
}

QPushButton* PictureButton(QWidget* parent, const char* name, const QIcon& icon) {
    auto* b = new QPushButton(icon, QString(), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setIconSize(QSize(24, 24));
    return b;
}

QIcon Mirrored(const QIcon& icon) {
    return QIcon(QPixmap::fromImage(icon.pixmap(24, 24).toImage().mirrored(true, false)));
}

} // namespace

frmPlay::frmPlay(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmPlay"));
    setAttribute(Qt::WA_DeleteOnClose);
    BuildControls();
    const PlayFile& file = Playback().file;

    setWindowTitle(QFileInfo(file.path).fileName() + QStringLiteral(" - Play"));
    for (QLabel* debugOnly : {lblRealFrameCap, lblRealFrame, lblTrigFrameCap, lblTrigFrame})
        debugOnly->setVisible(g_blnDebug);
    lblTrigFrame->setText(TriggerFrameText(file.info.triggerFrame));

    if (file.lastFrame > file.firstFrame) {
        sldFrameBar->setRange(file.firstFrame, file.lastFrame);
    } else {
        sldFrameBar->setRange(0, 1);
        sldFrameBar->setEnabled(false);
        for (QWidget* w : std::initializer_list<QWidget*>{chkLoop, optPlay, optReverse, optPause, optStop,
                                                          cmdNext, cmdPrev, cmdStep, cmdBack})
            w->setEnabled(false);
    }

    const ZRK_FRAME_HEADER& h = file.first;
    lblSize->setText(SizeCaption(h.imageSizeCode));
    lblRecSpeed->setText(RecordSpeedCaption(h.recordSpeed, h.imageSizeCode));
    lblShutter->setText(ShutterCaption(h.shutterCode));
    lblGain->setText(GainCaption(h.gainCode));
    lblIDNumber->setText(QString::number(file.info.idNumber));
    chkExpand->setEnabled(file.width() != 512 && file.height() != 512);

    m_direction = Direction::Forward;
    m_dispW = file.width();
    m_dispH = file.height();
    SizePicture();
    optPause->setChecked(true);
    m_index = file.firstFrame;
    MoveFrameBar(m_index);
    ShowPlayFrame(m_index);
    SetPlayerHotKeyHandler([this](int id) { PlayerHotKey(id); });
}

frmPlay::~frmPlay() {
    SetPlayerHotKeyHandler(nullptr);
}

void frmPlay::BuildControls() {
    auto* pictureBox = new QWidget(this);
    pictureBox->setFixedSize(kPictureBox, kPictureBox);
    picImage = new PictureArea(pictureBox);
    picImage->setObjectName(QStringLiteral("picImage"));

    QStyle* s = style();
    optReverse = Option(this, "optReverse", Mirrored(s->standardIcon(QStyle::SP_MediaPlay)));
    optPause = Option(this, "optPause", s->standardIcon(QStyle::SP_MediaPause));
    optStop = Option(this, "optStop", s->standardIcon(QStyle::SP_MediaStop));
    optPlay = Option(this, "optPlay", s->standardIcon(QStyle::SP_MediaPlay));
    cmdPrev = PictureButton(this, "cmdPrev", s->standardIcon(QStyle::SP_MediaSkipBackward));
    cmdBack = PictureButton(this, "cmdBack", s->standardIcon(QStyle::SP_MediaSeekBackward));
    cmdStep = PictureButton(this, "cmdStep", s->standardIcon(QStyle::SP_MediaSeekForward));
    cmdNext = PictureButton(this, "cmdNext", s->standardIcon(QStyle::SP_MediaSkipForward));
    chkLoop = new QCheckBox(QStringLiteral("Loop"), this);
    chkLoop->setObjectName(QStringLiteral("chkLoop"));
    chkExpand = new QCheckBox(QStringLiteral("x 2"), this);
    chkExpand->setObjectName(QStringLiteral("chkExpand"));
    cmdConvert = new QPushButton(QStringLiteral("Convert"), this);
    cmdConvert->setObjectName(QStringLiteral("cmdConvert"));
    cmdEnhance = new QPushButton(QStringLiteral("Enhance"), this);
    cmdEnhance->setObjectName(QStringLiteral("cmdEnhance"));
    sldFrameBar = new QSlider(Qt::Horizontal, this);
    sldFrameBar->setObjectName(QStringLiteral("sldFrameBar"));
    tmrTimer = new QTimer(this);
    tmrTimer->setObjectName(QStringLiteral("tmrTimer"));
    tmrTimer->setInterval(kTickMs);
    tmrEnhance = new QTimer(this);
    tmrEnhance->setObjectName(QStringLiteral("tmrEnhance"));
    tmrEnhance->setInterval(kTickMs);
    tmrEnhance->setSingleShot(true);

    fraPlayInfo = new QGroupBox(QStringLiteral("Play Info"), this);
    fraPlayInfo->setObjectName(QStringLiteral("fraPlayInfo"));
    auto* info = new QGridLayout(fraPlayInfo);
    int row = 0;
    auto pair = [&](QLabel*& cap, const char* capName, const QString& caption, QLabel*& value,
                    const char* valueName) {
        cap = Label(fraPlayInfo, capName, caption);
        value = Label(fraPlayInfo, valueName);
        info->addWidget(cap, row, 0, Qt::AlignRight);
        info->addWidget(value, row++, 1);
    };
    pair(lblSizeCap, "lblSizeCap", QStringLiteral("Image Size :"), lblSize, "lblSize");
    pair(lblIdNumberCap, "lblIdNumberCap", QStringLiteral("ID No :"), lblIDNumber, "lblIDNumber");
    pair(lblGainCap, "lblGainCap", QStringLiteral("Gain :"), lblGain, "lblGain");
    pair(lblShutterCap, "lblShutterCap", QStringLiteral("Shutter Speed :"), lblShutter, "lblShutter");
    pair(lblRecSpeedCap, "lblRecSpeedCap", QStringLiteral("Frame Rate :"), lblRecSpeed, "lblRecSpeed");
    pair(lblFrameCap, "lblFrameCap", QStringLiteral("Frame No :"), lblFrame, "lblFrame");
    pair(lblDateCap, "lblDateCap", QStringLiteral("Date/Time :"), lblDate, "lblDate");
    pair(lblTrigerCap, "lblTrigerCap", QStringLiteral("Trigger Info :"), lblTriger, "lblTriger");
    pair(lblAnalogCap, "lblAnalogCap", QStringLiteral("Analog :"), lblAnalog, "lblAnalog");
    pair(lblRealFrameCap, "lblRealFrameCap", QStringLiteral("Frame No :"), lblRealFrame, "lblRealFrame");
    pair(lblTrigFrameCap, "lblTrigFrameCap", QStringLiteral("Trigger Frame :"), lblTrigFrame, "lblTrigFrame");

    auto* options = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{optReverse, optPause, optStop, optPlay})
        options->addWidget(w);
    auto* steps = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{cmdPrev, cmdBack, cmdStep, cmdNext})
        steps->addWidget(w);
    auto* checks = new QHBoxLayout;
    checks->addWidget(chkLoop);
    checks->addWidget(chkExpand);
    auto* side = new QVBoxLayout;
    side->addWidget(fraPlayInfo);
    side->addLayout(options);
    side->addLayout(steps);
    side->addLayout(checks);
    side->addWidget(cmdEnhance);
    side->addWidget(cmdConvert);
    side->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(pictureBox, 0, Qt::AlignTop | Qt::AlignLeft);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(sldFrameBar);

    connect(optPlay, &QToolButton::clicked, this, [this] { OnPlay(); });
    connect(optReverse, &QToolButton::clicked, this, [this] { OnReverse(); });
    connect(optPause, &QToolButton::clicked, this, [this] { OnPause(); });
    connect(optStop, &QToolButton::clicked, this, [this] { OnStop(); });
    connect(cmdStep, &QPushButton::clicked, this, [this] { OnStep(); });
    connect(cmdBack, &QPushButton::clicked, this, [this] { OnBack(); });
    connect(cmdNext, &QPushButton::clicked, this, [this] { OnNext(); });
    connect(cmdPrev, &QPushButton::clicked, this, [this] { OnPrev(); });
    connect(chkLoop, &QCheckBox::toggled, this, [this](bool on) { OnLoop(on); });
    connect(chkExpand, &QCheckBox::toggled, this, [this](bool on) { OnExpand(on); });
    connect(cmdEnhance, &QPushButton::clicked, this, [this] { OnEnhance(); });
    connect(cmdConvert, &QPushButton::clicked, this, [this] { OnConvert(); });
    connect(sldFrameBar, &QSlider::valueChanged, this, [this](int v) {
        if (!m_barFromCode) OnFrameBarMoved(v);
    });
    connect(tmrTimer, &QTimer::timeout, this, [this] { OnTimer(); });
    connect(tmrEnhance, &QTimer::timeout, this, [this] { OnEnhanceTimer(); });
}

bool frmPlay::Playing() const {
    return tmrTimer->isActive();
}

// Selecting an option button runs its action, as a click does.
void frmPlay::Select(QToolButton* option) {
    option->setChecked(true);
    if (option == optPlay)
        OnPlay();
    else if (option == optReverse)
        OnReverse();
    else if (option == optPause)
        OnPause();
    else
        OnStop();
}

void frmPlay::PauseUnlessStopped() {
    if (!optPause->isChecked() && !optStop->isChecked()) Select(optPause);
}

void frmPlay::MoveFrameBar(int32_t index) {
    // Moved from code: not the operator's move, so playback goes on.
    m_barFromCode = true;
    sldFrameBar->setValue(index);
    m_barFromCode = false;
}

void frmPlay::SizePicture() {
    picImage->SetDisplaySize(m_dispW, m_dispH);
    const int w = m_dispW + 2 * PictureArea::kBorder, h = m_dispH + 2 * PictureArea::kBorder;
    picImage->move((kPictureBox - w) / 2, (kPictureBox - h) / 2);
}

bool frmPlay::ShowPlayFrame(int32_t index) {
    const PlaybackState& state = Playback();
    const PlayFile& file = state.file;
    ZRK_FRAME_HEADER header{};
    int16_t status = ZRK_STATUS_READ;
    const QByteArray path = file.path.toLocal8Bit();
    ZRK_SURFACE surface = picImage->Surface();
    // A frame past FileSize counts as missing, whatever lies behind it in the file.
    const bool drawn =
        file.FrameInFile(index) &&
        ImageLib().combRgbPlay(&surface, path.constData(), file.width(), file.height(), m_dispW, m_dispH,
                               &state.enhance, &header, file.dataOffset, index, &status);
    if (!drawn) {
        DrawFailed(status);
        return false;
    }
    lblFrame->setText(QString::number(index) + u'/' + QString::number(file.lastFrame));
    lblDate->setText(RecordDateText(header));
    lblRealFrame->setText(QString::number(header.realFrame));
    lblTriger->setText(QString::number(header.trigger));
    lblAnalog->setText(QString::number(header.analog));
    picImage->update();
    return true;
}

void frmPlay::DrawFailed(int16_t status) {
    // Playback stops before the message is up, so no tick can stack a second one behind it.
    tmrTimer->stop();
    tmrEnhance->stop();
    if (!optStop->isChecked()) optPause->setChecked(true);
    if (ReportImageLibraryUnavailable(status, kTitle)) return;
    QString text;
    switch (status) {
    case ZRK_STATUS_READ:
        text = QStringLiteral("Cannot read ZRK file.");
        break;
    case ZRK_STATUS_SURFACE:
        text = QStringLiteral("Cannot convert ZRK data to bitmap.");
        break;
    case ZRK_STATUS_SCALE:
        text = QStringLiteral("Cannot change play image size.");
        break;
    case ZRK_STATUS_MAGIC:
        text = QStringLiteral("No header in ZRK data.");
        break;
    default:
        return;
    }
    Ui().MessageBox(kTitle, text, MsgIcon::Information, MsgButtons::Ok);
}

void frmPlay::OnPlay() {
    m_direction = Direction::Forward;
    tmrTimer->start();
}

void frmPlay::OnReverse() {
    m_direction = Direction::Reverse;
    tmrTimer->start();
}

void frmPlay::OnPause() {
    tmrTimer->stop();
}

void frmPlay::OnStop() {
    tmrTimer->stop();
    const PlayFile& file = Playback().file;
    if (m_index == file.firstFrame || m_index == file.lastFrame) return;
    m_index = m_direction == Direction::Forward ? file.firstFrame : file.lastFrame;
    MoveFrameBar(m_index);
    ShowPlayFrame(m_index);
}

void frmPlay::OnStep() {
    const PlayFile& file = Playback().file;
    Select(optPause);
    if (++m_index > file.lastFrame) m_index = chkLoop->isChecked() ? file.firstFrame : file.lastFrame;
    MoveFrameBar(m_index);
    ShowPlayFrame(m_index);
}

void frmPlay::OnBack() {
    const PlayFile& file = Playback().file;
    Select(optPause);
    if (--m_index < file.firstFrame) m_index = chkLoop->isChecked() ? file.lastFrame : file.firstFrame;
    MoveFrameBar(m_index);
    ShowPlayFrame(m_index);
}

void frmPlay::OnNext() {
    if (chkLoop->isChecked()) return;
    m_index = Playback().file.lastFrame;
    MoveFrameBar(m_index);
    Select(optStop);
    ShowPlayFrame(m_index);
}

void frmPlay::OnPrev() {
    if (chkLoop->isChecked()) return;
    m_index = Playback().file.firstFrame;
    MoveFrameBar(m_index);
    Select(optStop);
    ShowPlayFrame(m_index);
}

void frmPlay::OnLoop(bool checked) {
    const bool severalFrames = Playback().file.lastFrame > Playback().file.firstFrame;
    cmdNext->setEnabled(!checked && severalFrames);
    cmdPrev->setEnabled(!checked && severalFrames);
}

void frmPlay::OnFrameBarMoved(int value) {
    PauseUnlessStopped();
    m_index = value;
    ShowPlayFrame(m_index);
}

void frmPlay::OnExpand(bool checked) {
    const PlayFile& file = Playback().file;
    m_dispW = checked ? 2 * file.width() : file.width();
    m_dispH = checked ? 2 * file.height() : file.height();
    SizePicture();
    ShowPlayFrame(m_index); // a failure stops playback and selects Pause (unless Stop)
}

void frmPlay::OnEnhance() {
    PauseUnlessStopped();
    frmEnhance dialog(this, Playback().enhance, [this] { tmrEnhance->start(); });
    dialog.exec();
}

void frmPlay::OnConvert() {
    PauseUnlessStopped();
    ConvertChoice choice;
    if (ShowConvertDialog(this, choice)) RunExport(choice);
}

void frmPlay::RunExport(const ConvertChoice& choice) {
    if (ExportRunning()) return;
    tmrTimer->stop();
    tmrEnhance->stop();
    setEnabled(false);
    if (choice.format == ConvertFormat::Avi)
        ExportAvi(choice.start, choice.end, choice.rate);
    else if (const auto codec = MovieCodecOf(choice.format))
        ExportMovie(*codec, choice.start, choice.end, choice.rate, choice.quality);
    else
        ExportBitmapSequence(choice.start, choice.end, choice.interval);
    setEnabled(true);
    // A close asked for during the export cancelled it; the window goes now.
    if (m_closeAfterExport) QTimer::singleShot(0, this, &QWidget::close);
}

void frmPlay::OnTimer() {
    const PlayFile& file = Playback().file;
    const bool forward = m_direction == Direction::Forward;
    const int32_t next = forward ? m_index + 1 : m_index - 1;
    if (next >= file.firstFrame && next <= file.lastFrame) {
        m_index = next;
    } else if (chkLoop->isChecked()) {
        // The wrap frame is shown too, so a loop plays every frame of the file.
        m_index = forward ? file.firstFrame : file.lastFrame;
    } else {
        m_index = forward ? file.lastFrame : file.firstFrame;
        tmrTimer->stop();
        Select(optStop);
        return;
    }
    MoveFrameBar(m_index);
    ShowPlayFrame(m_index);
}

void frmPlay::OnEnhanceTimer() {
    tmrEnhance->stop();
    ShowPlayFrame(m_index);
}

void frmPlay::PlayerHotKey(int id) {
    // Nothing starts from the keys while an export runs (the window is disabled meanwhile).
    if (ExportRunning() || !isEnabled()) return;
    auto press = [](QWidget* control, auto action) {
        if (control->isEnabled()) action();
    };
    switch (id) {
    case 0:
        press(cmdStep, [this] { OnStep(); });
        break;
    case 1:
        press(cmdBack, [this] { OnBack(); });
        break;
    case 2:
        press(cmdPrev, [this] { OnPrev(); });
        break;
    case 3:
        press(cmdNext, [this] { OnNext(); });
        break;
    case 4:
        press(optReverse, [this] { Select(optReverse); });
        break;
    case 5:
        press(optPause, [this] { Select(optPause); });
        break;
    case 6:
        press(optPlay, [this] { Select(optPlay); });
        break;
    case 7:
        press(optStop, [this] { Select(optStop); });
        break;
    default:
        break;
    }
}

void frmPlay::closeEvent(QCloseEvent* event) {
    if (ExportRunning()) {
        // Closing cancels the export; the window goes once it has stopped.
        m_closeAfterExport = true;
        RequestExportCancel();
        event->ignore();
        return;
    }
    tmrTimer->stop();
    tmrEnhance->stop();
    SetPlayerHotKeyHandler(nullptr);
    Ui().CloseExportProgress();
    // Back to the main window, unless another working window (the record console) was opened
    // while the player was up: that one stays the current one.
    if (g_lngViewMode == 0 || g_lngViewMode == 3) {
        g_lngViewMode = 0;
        if (Windows().frmMain) Windows().frmMain->show();
    }
    event->accept();
}
