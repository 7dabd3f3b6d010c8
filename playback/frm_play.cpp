#include "playback/frm_play.h"

#include "base/image_library.h"
#include "base/open_windows.h"
#include "base/shared_state.h"
#include "base/ui_port.h"
#include "playback/export_movie.h"
#include "playback/export_run.h"
#include "playback/frame_table.h"
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

frmPlay::frmPlay(QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_transport(this, {.tickMs = kTickMs, .oneShot = false, .endsRedraw = true}, [this] { OnTimer(); }) {
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

    m_dispW = file.width();
    m_dispH = file.height();
    SizePicture();
    m_transport.SetView({[this](TransportOption option) { Checked(option); },
                         [this](int32_t index) {
                             MoveFrameBar(index);
                             ShowPlayFrame(index);
                         }});
    m_transport.Reset(file.firstFrame, file.lastFrame, TransportOption::Pause);
    MoveFrameBar(file.firstFrame);
    ShowPlayFrame(file.firstFrame);
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
    tmrTimer = m_transport.Timer();
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
    lblTrigTime = Label(fraPlayInfo, "lblTrigTime");
    info->addWidget(lblTrigTime, row - 1, 2);
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

    const std::pair<QAbstractButton*, TransportAction> actions[] = {
        {optPlay, TransportAction::Play},   {optReverse, TransportAction::Reverse},
        {optPause, TransportAction::Pause}, {optStop, TransportAction::Stop},
        {cmdStep, TransportAction::Step},   {cmdBack, TransportAction::Back},
        {cmdNext, TransportAction::Last},   {cmdPrev, TransportAction::First}};
    for (const auto& [button, action] : actions) {
        button->setToolTip(TransportTip(action));
        connect(button, &QAbstractButton::clicked, this, [this, a = action] { m_transport.Do(a); });
    }
    chkExpand->setToolTip(DoubleSizeTip());
    connect(chkLoop, &QCheckBox::toggled, this, [this](bool on) { OnLoop(on); });
    connect(chkExpand, &QCheckBox::toggled, this, [this](bool on) { OnExpand(on); });
    connect(cmdEnhance, &QPushButton::clicked, this, [this] { OnEnhance(); });
    connect(cmdConvert, &QPushButton::clicked, this, [this] { OnConvert(); });
    connect(sldFrameBar, &QSlider::valueChanged, this, [this](int v) {
        if (!m_barFromCode) m_transport.MoveTo(v);
    });
    connect(tmrEnhance, &QTimer::timeout, this, [this] { OnEnhanceTimer(); });
}

bool frmPlay::Playing() const {
    return tmrTimer->isActive();
}

void frmPlay::Checked(TransportOption option) {
    QToolButton* const buttons[] = {optPlay, optReverse, optPause, optStop};
    buttons[static_cast<int>(option)]->setChecked(true);
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
    lblTrigTime->setText(TriggerTimeText(file, index));
    lblDate->setText(RecordDateText(header));
    lblRealFrame->setText(QString::number(header.realFrame));
    lblTriger->setText(QString::number(header.trigger));
    lblAnalog->setText(QString::number(header.analog));
    picImage->update();
    return true;
}

void frmPlay::DrawFailed(int16_t status) {
    // Playback stops before the message is up, so no tick can stack a second one behind it.
    m_transport.Interrupt();
    tmrEnhance->stop();
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

void frmPlay::OnLoop(bool checked) {
    m_transport.SetLoop(checked);
    cmdNext->setEnabled(!checked && m_transport.Several());
    cmdPrev->setEnabled(!checked && m_transport.Several());
}

void frmPlay::OnExpand(bool checked) {
    const PlayFile& file = Playback().file;
    m_dispW = checked ? 2 * file.width() : file.width();
    m_dispH = checked ? 2 * file.height() : file.height();
    SizePicture();
    ShowPlayFrame(m_transport.Position()); // a failure stops playback and selects Pause (unless Stop)
}

void frmPlay::OnEnhance() {
    m_transport.PauseUnlessStopped();
    frmEnhance dialog(this, Playback().enhance, [this] { tmrEnhance->start(); });
    dialog.exec();
}

void frmPlay::OnConvert() {
    m_transport.PauseUnlessStopped();
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

void frmPlay::OnEnhanceTimer() {
    tmrEnhance->stop();
    ShowPlayFrame(m_transport.Position());
}

void frmPlay::PlayerHotKey(int id) {
    // Nothing starts from the keys while an export runs (the window is disabled meanwhile).
    if (ExportRunning() || !isEnabled()) return;
    const std::optional<TransportAction> action = TransportKey(id);
    if (!action) return;
    // A key presses its button: a disabled one does nothing.
    QAbstractButton* const buttons[] = {cmdStep,    cmdBack,  cmdPrev, cmdNext,
                                        optReverse, optPause, optPlay, optStop};
    if (buttons[static_cast<int>(*action)]->isEnabled()) m_transport.Do(*action);
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
