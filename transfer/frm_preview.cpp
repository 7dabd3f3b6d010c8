#include "transfer/frm_preview.h"

#include "base/open_windows.h"
#include "base/shared_state.h"
#include "transfer/browser_requests.h"
#include "transfer/image_size.h"
#include "transfer/save_range.h"
#include "transfer/thumbnail_picture.h"
#include "transfer/thumbnail_table.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstring>

namespace {

constexpr int kArea = 516;  // the square the picture is centred in
constexpr int kStepMs = 55; // first playback step after Play / Reverse
constexpr int kRefreshMs = 100;
const QString kNone = QStringLiteral("---");

template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* ValueLabel(QWidget* parent, const char* name) {
    auto* label = Named(new QLabel(parent), name);
    label->setMinimumWidth(80);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return label;
}

QToolButton* Tool(QWidget* parent, const char* name, QStyle::StandardPixmap icon, const QString& tip,
                  bool checkable) {
    auto* b = Named(new QToolButton(parent), name);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setToolTip(tip);
    b->setCheckable(checkable);
    b->setIconSize(QSize(24, 24));
    return b;
}

QGroupBox* LabelFrame(QWidget* parent, const char* name, const QString& title,
                      std::initializer_list<std::pair<const char*, QLabel*>> rows) {
    auto* frame = Named(new QGroupBox(title, parent), name);
    auto* grid = new QGridLayout(frame);
    int r = 0;
    for (const auto& [caption, label] : rows) {
        label->setParent(frame);
        grid->addWidget(new QLabel(QString::fromLatin1(caption), frame), r, 0);
        grid->addWidget(label, r++, 1);
    }
    return frame;
}

const QString& TimeFormat() {
    // The system's time of day with seconds; a time of day carries no zone.
    static const QString format = QLocale::system().timeFormat(QLocale::LongFormat).remove(u't').trimmed();
    return format;
}

} // namespace

frmPreview::frmPreview(const PreviewParams& params, QWidget* parent)
    : QWidget(parent, Qt::Window), tmrTimer(new QTimer(this)), m_params(params),
      m_options(new QButtonGroup(this)), m_refresh(new QTimer(this)) {
    setObjectName(QStringLiteral("frmPreview"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Preview"));

    picArea = Named(new QScrollArea(this), "picArea");
    picArea->setFixedSize(kArea + 4, kArea + 4);
    picArea->setAlignment(Qt::AlignCenter);
    picArea->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picImage = Named(new ThumbnailPicture, "picImage");
    picArea->setWidget(picImage);

    sldFrameBar = Named(new QSlider(Qt::Horizontal, this), "sldFrameBar");
    chkLoop = Named(new QCheckBox(QStringLiteral("Loop"), this), "chkLoop");
    chkExpand = Named(new QCheckBox(QStringLiteral("x 2"), this), "chkExpand");
    optPlay = Tool(this, "optPlay", QStyle::SP_MediaPlay, QStringLiteral("Play"), true);
    optReverse = Tool(this, "optReverse", QStyle::SP_MediaSeekBackward, QStringLiteral("Reverse"), true);
    optPause = Tool(this, "optPause", QStyle::SP_MediaPause, QStringLiteral("Pause"), true);
    optStop = Tool(this, "optStop", QStyle::SP_MediaStop, QStringLiteral("Stop"), true);
    cmdStep = Tool(this, "cmdStep", QStyle::SP_ArrowRight, QStringLiteral("Step"), false);
    cmdBack = Tool(this, "cmdBack", QStyle::SP_ArrowLeft, QStringLiteral("Back"), false);
    cmdNext = Tool(this, "cmdNext", QStyle::SP_MediaSkipForward, QStringLiteral("End frame"), false);
    cmdPrev = Tool(this, "cmdPrev", QStyle::SP_MediaSkipBackward, QStringLiteral("Start frame"), false);
    for (QToolButton* option : {optPlay, optReverse, optPause, optStop})
        m_options->addButton(option);
    m_options->setExclusive(true);

    lblPreviewStart = ValueLabel(this, "lblPreviewStart");
    lblPreviewEnd = ValueLabel(this, "lblPreviewEnd");
    lblPreviewTotal = ValueLabel(this, "lblPreviewTotal");
    lblFrame = ValueLabel(this, "lblFrame");
    lblTriger = ValueLabel(this, "lblTriger");
    lblDate = ValueLabel(this, "lblDate");
    lblTime = ValueLabel(this, "lblTime");
    lblAnalog = ValueLabel(this, "lblAnalog");
    lblSaveStart = ValueLabel(this, "lblSaveStart");
    lblSaveEnd = ValueLabel(this, "lblSaveEnd");
    lblSaveTotal = ValueLabel(this, "lblSaveTotal");
    auto* info = LabelFrame(this, "fraPreviewInfo", QStringLiteral("Preview Info"),
                            {{"Start Frame No :", lblPreviewStart},
                             {"End Frame No :", lblPreviewEnd},
                             {"Total Frames :", lblPreviewTotal},
                             {"Frame No :", lblFrame},
                             {"Trigger Frame No :", lblTriger}});
    auto* data = LabelFrame(this, "fraDataInfo", QStringLiteral("Data Info"),
                            {{"Date :", lblDate}, {"Time :", lblTime}, {"Analog :", lblAnalog}});
    auto* save = LabelFrame(this, "fraSave", QStringLiteral("Save"),
                            {{"Start Frame No :", lblSaveStart},
                             {"End Frame No :", lblSaveEnd},
                             {"Total Frames :", lblSaveTotal}});
    cmdStart = Named(new QPushButton(QStringLiteral("Start"), save), "cmdStart");
    cmdEnd = Named(new QPushButton(QStringLiteral("End"), save), "cmdEnd");
    cmdRQDL = Named(new QPushButton(QStringLiteral("Save"), save), "cmdRQDL");
    auto* saveButtons = new QHBoxLayout;
    for (QPushButton* b : {cmdStart, cmdEnd, cmdRQDL})
        saveButtons->addWidget(b);
    static_cast<QGridLayout*>(save->layout())->addLayout(saveButtons, 3, 0, 1, 2);

    auto* transport = new QHBoxLayout;
    for (QToolButton* b : {cmdPrev, cmdBack, optReverse, optStop, optPause, optPlay, cmdStep, cmdNext})
        transport->addWidget(b);
    transport->addStretch(1);
    transport->addWidget(chkLoop);
    transport->addWidget(chkExpand);
    auto* left = new QVBoxLayout;
    left->addWidget(picArea);
    left->addWidget(sldFrameBar);
    left->addLayout(transport);
    auto* right = new QVBoxLayout;
    right->addWidget(info);
    right->addWidget(data);
    right->addWidget(save);
    right->addStretch(1);
    auto* top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addLayout(right);

    tmrTimer->setObjectName(QStringLiteral("tmrTimer"));
    tmrTimer->setInterval(kStepMs);
    tmrTimer->setSingleShot(true);
    connect(tmrTimer, &QTimer::timeout, this, [this] { PlaybackStep(false); });
    connect(m_options, &QButtonGroup::buttonClicked, this, &frmPreview::RunOption);
    connect(cmdStep, &QToolButton::clicked, this, &frmPreview::StepForward);
    connect(cmdBack, &QToolButton::clicked, this, &frmPreview::StepBack);
    connect(cmdNext, &QToolButton::clicked, this, &frmPreview::GoToEnd);
    connect(cmdPrev, &QToolButton::clicked, this, &frmPreview::GoToStart);
    connect(cmdStart, &QPushButton::clicked, this, &frmPreview::MarkStart);
    connect(cmdEnd, &QPushButton::clicked, this, &frmPreview::MarkEnd);
    connect(cmdRQDL, &QPushButton::clicked, this, &frmPreview::Save);
    connect(sldFrameBar, &QSlider::valueChanged, this, &frmPreview::MoveSlider);
    connect(chkExpand, &QCheckBox::toggled, this, &frmPreview::SetExpand);
    connect(chkLoop, &QCheckBox::toggled, this, [this](bool loop) {
        if (m_range.Frames() <= 1) return;
        cmdNext->setEnabled(!loop);
        cmdPrev->setEnabled(!loop);
    });
    connect(m_refresh, &QTimer::timeout, this, &frmPreview::Refresh);
    // Known before the first request goes out: sending lets the camera's answer in at once.
    Windows().frmPreview = this;
    Load();
}

void frmPreview::Load() {
    // The browser's marks never cross; should they arrive so, the window shows the start frame alone.
    m_range = RangeOf(m_params).value_or(PreviewRange{int32_t{m_params.start.Offset} + m_params.start.FrameNo,
                                                      m_params.start.Offset, m_params.start.Offset});
    m_marks = PreviewMarks{m_range.startOffset, m_range.endOffset};
    m_current = m_range.startOffset;
    const int32_t first = m_range.FrameOf(m_range.startOffset);
    const int32_t last = m_range.FrameOf(m_range.endOffset);
    lblPreviewStart->setText(QString::number(first));
    lblPreviewEnd->setText(QString::number(last));
    lblPreviewTotal->setText(QString::number(m_range.Frames()));
    ShowMarks();

    const QSignalBlocker block(sldFrameBar);
    if (m_range.Frames() <= 1) {
        sldFrameBar->setRange(first, first + 1);
        sldFrameBar->setEnabled(false);
        for (QWidget* w :
             std::initializer_list<QWidget*>{chkLoop, optPlay, optReverse, optPause, optStop, cmdNext,
                                             cmdPrev, cmdStep, cmdBack, cmdStart, cmdEnd})
            w->setEnabled(false);
    } else {
        sldFrameBar->setRange(first, last);
        sldFrameBar->setEnabled(true);
    }
    m_forward = true;
    g_lngPreviewState = 3;
    optStop->setChecked(true);
    SizePicture();

    const int32_t region = m_params.region;
    const int32_t trigPos = region >= 0 && region < 4 ? g_lngTrigPos[static_cast<std::size_t>(region)] : -1;
    m_trigFrame = TriggerFrameNumber(m_range.recorded, trigPos);
    lblTriger->setText(m_trigFrame < 0 ? kNone : QString::number(m_trigFrame));

    m_tag = NewRequestTag();
    EnableSave(true);
    RequestPreviewFrame(m_current);
    m_refresh->start(kRefreshMs);
}

void frmPreview::SizePicture() {
    int16_t w = 0, h = 0;
    GetImageSize(g_RecMode.ImageSize, w, h);
    if (w <= 0 || h <= 0) w = h = 512;
    const int scale = chkExpand->isChecked() ? 2 : 1;
    // Doubled 512-pixel pictures outgrow the area: it scrolls instead of cutting them off.
    picImage->setFixedSize(w * scale, h * scale);
}

void frmPreview::ShowMarks() {
    lblSaveStart->setText(QString::number(m_range.FrameOf(m_marks.startOffset)));
    lblSaveEnd->setText(QString::number(m_range.FrameOf(m_marks.endOffset)));
    lblSaveTotal->setText(QString::number(m_marks.Count()));
}

void frmPreview::RequestPreviewFrame(int32_t offset) {
    if (m_tag == 0) return;
    const int32_t frameNo = m_range.FrameOf(offset);
    {
        const QSignalBlocker block(sldFrameBar);
        sldFrameBar->setValue(frameNo);
    }
    QueueFrameRequest(16, DownloadRequest{m_params.region, offset, 1}, static_cast<int16_t>(frameNo), m_tag);
}

void frmPreview::SetCurrent(int32_t offset) {
    m_current = offset;
    UpdateMarkButtons();
}

void frmPreview::UpdateMarkButtons() {
    const bool several = m_range.Frames() > 1;
    cmdStart->setEnabled(m_saveAllowed && several && CanMarkStart(m_marks, m_current));
    cmdEnd->setEnabled(m_saveAllowed && several && CanMarkEnd(m_marks, m_current));
    cmdRQDL->setEnabled(m_saveAllowed && !DownloadBusy());
}

void frmPreview::EnableSave(bool flag) {
    m_saveAllowed = flag;
    UpdateMarkButtons();
}

void frmPreview::DrawPreviewFrame() {
    if (m_tag == 0 || InFlightTag() != m_tag || !g_ThumbBuf.address) return;
    int16_t w = 0, h = 0;
    GetImageSize(g_RecMode.ImageSize, w, h);
    if (w <= 0 || h <= 0) return;
    ZRK_FRAME_HEADER header{};
    int16_t status = 0;
    if (!picImage->DrawFrame(g_ThumbBuf.address, w, h, &header, status)) {
        ReportDrawFailure(status);
        return;
    }
    lblFrame->setText(QString::number(InFlightExtra()));
    // A header that is no calendar moment shows nothing rather than a broken date.
    if (const auto moment = FrameDateTime(header)) {
        lblDate->setText(QLocale::system().toString(moment->date(), QLocale::ShortFormat));
        lblTime->setText(QLocale::system().toString(moment->time(), TimeFormat()));
    } else {
        lblDate->clear();
        lblTime->clear();
    }
    lblAnalog->setText(QString::number(header.analog));
}

void frmPreview::PlaybackStep(bool afterFrame) {
    if (m_tag == 0 || g_lngPreviewState != 0) return;
    if (afterFrame && InFlightTag() != m_tag) return; // another session's frame finishing
    tmrTimer->stop();
    // One request at a time: while one is outstanding its end takes the next step.
    if (PendingRequests(m_tag, !afterFrame) > 0) return;
    const Step step = StepOffset(m_range, m_current, m_forward, chkLoop->isChecked());
    SetCurrent(step.offset);
    if (step.ranOut) {
        Select(optStop);
        return;
    }
    RequestPreviewFrame(m_current);
}

void frmPreview::Select(QToolButton* option) {
    if (option->isChecked()) return;
    option->setChecked(true);
    RunOption(option);
}

void frmPreview::RunOption(QAbstractButton* option) {
    if (option == optPlay || option == optReverse) {
        m_forward = option == optPlay;
        tmrTimer->start();
        g_lngPreviewState = 0;
        EnableSave(false);
    } else if (option == optPause) {
        tmrTimer->stop();
        g_lngPreviewState = 1;
        EnableSave(true);
    } else if (option == optStop) {
        tmrTimer->stop();
        g_lngPreviewState = 3;
        EnableSave(true);
        if (m_current != m_range.startOffset && m_current != m_range.endOffset) {
            SetCurrent(m_forward ? m_range.startOffset : m_range.endOffset);
            RequestPreviewFrame(m_current);
        }
    }
}

void frmPreview::SelectPlay() {
    Select(optPlay);
}
void frmPreview::SelectReverse() {
    Select(optReverse);
}
void frmPreview::SelectPause() {
    Select(optPause);
}
void frmPreview::SelectStop() {
    Select(optStop);
}

void frmPreview::StepForward() {
    Select(optPause);
    SetCurrent(StepOffset(m_range, m_current, true, chkLoop->isChecked()).offset);
    EnableSave(true);
    RequestPreviewFrame(m_current);
}

void frmPreview::StepBack() {
    Select(optPause);
    SetCurrent(StepOffset(m_range, m_current, false, chkLoop->isChecked()).offset);
    EnableSave(true);
    RequestPreviewFrame(m_current);
}

void frmPreview::GoToEnd() {
    if (chkLoop->isChecked()) return;
    Select(optStop);
    if (m_current == m_range.endOffset) return;
    SetCurrent(m_range.endOffset);
    RequestPreviewFrame(m_current);
}

void frmPreview::GoToStart() {
    if (chkLoop->isChecked()) return;
    Select(optStop);
    if (m_current == m_range.startOffset) return;
    SetCurrent(m_range.startOffset);
    RequestPreviewFrame(m_current);
}

void frmPreview::MarkStart() {
    if (!m_saveAllowed || m_range.Frames() <= 1 || !CanMarkStart(m_marks, m_current)) return;
    m_marks.startOffset = m_current;
    ShowMarks();
    UpdateMarkButtons();
}

void frmPreview::MarkEnd() {
    if (!m_saveAllowed || m_range.Frames() <= 1 || !CanMarkEnd(m_marks, m_current)) return;
    m_marks.endOffset = m_current;
    ShowMarks();
    UpdateMarkButtons();
}

void frmPreview::Save() {
    if (!m_saveAllowed || DownloadBusy()) return;
    SaveRange(m_params.region, m_marks.startOffset, m_marks.Count(), m_params.idNumber,
              TriggerOffsetIn(m_trigFrame, m_range.FrameOf(m_marks.startOffset),
                              m_range.FrameOf(m_marks.endOffset)),
              this);
    UpdateMarkButtons();
}

void frmPreview::MoveSlider(int frameNo) {
    if (!optStop->isChecked() && !optPause->isChecked()) Select(optPause);
    const int32_t offset = m_range.recorded - frameNo;
    if (offset < m_range.endOffset || offset > m_range.startOffset) return;
    SetCurrent(offset);
    EnableSave(true);
    RequestPreviewFrame(m_current);
}

void frmPreview::SetExpand(bool) {
    SizePicture();
    picImage->Clear();
    RequestPreviewFrame(m_current);
}

void frmPreview::PreviewMyMsg(int keyId) {
    switch (keyId) {
    case 0:
        StepForward();
        break;
    case 1:
        StepBack();
        break;
    case 2:
        GoToStart();
        break;
    case 3:
        GoToEnd();
        break;
    case 4:
        Select(optReverse);
        break;
    case 5:
        Select(optPause);
        break;
    case 6:
        Select(optPlay);
        break;
    case 7:
        Select(optStop);
        break;
    default:
        break;
    }
}

void frmPreview::Refresh() {
    if (m_saveAllowed) cmdRQDL->setEnabled(!DownloadBusy());
    // Playback waits on its one request; one that ended undrawn (refused, skipped while the camera
    // is live, cut off) would leave it waiting for good, so it pauses instead.
    if (g_lngPreviewState == 0 && !tmrTimer->isActive() && PendingRequests(m_tag) == 0) Select(optPause);
}

void frmPreview::CloseWithBrowser() {
    m_backToBrowser = false;
    close();
}

void frmPreview::closeEvent(QCloseEvent* event) {
    m_tag = 0; // frames still on their way are only finished
    tmrTimer->stop();
    m_refresh->stop();
    g_lngPreviewState = 3;
    if (m_backToBrowser) {
        g_lngViewMode = 2;
        if (Windows().frmThumbNail) Windows().frmThumbNail->show();
    }
    event->accept();
}

void ShowPreviewWindow(const PreviewParams& params) {
    ClosePreviewWindow(false);
    auto* window = new frmPreview(params);
    Windows().frmPreview = window;
    window->show();
}

void ClosePreviewWindow(bool backToBrowser) {
    auto* window = static_cast<frmPreview*>(Windows().frmPreview.data());
    if (!window) return;
    if (backToBrowser)
        window->close();
    else
        window->CloseWithBrowser();
}
