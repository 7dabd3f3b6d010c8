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
#include <QScopedValueRollback>
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

QToolButton* Tool(QWidget* parent, const char* name, QStyle::StandardPixmap icon, TransportAction action,
                  bool checkable) {
    auto* b = Named(new QToolButton(parent), name);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setToolTip(TransportTip(action));
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
    : QWidget(parent, Qt::Window), m_params(params),
      m_transport(this, {.tickMs = kStepMs, .oneShot = true, .endsRedraw = false},
                  [this] { PlaybackStep(false); }),
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
    chkExpand->setToolTip(DoubleSizeTip());
    optPlay = Tool(this, "optPlay", QStyle::SP_MediaPlay, TransportAction::Play, true);
    optReverse = Tool(this, "optReverse", QStyle::SP_MediaSeekBackward, TransportAction::Reverse, true);
    optPause = Tool(this, "optPause", QStyle::SP_MediaPause, TransportAction::Pause, true);
    optStop = Tool(this, "optStop", QStyle::SP_MediaStop, TransportAction::Stop, true);
    cmdStep = Tool(this, "cmdStep", QStyle::SP_ArrowRight, TransportAction::Step, false);
    cmdBack = Tool(this, "cmdBack", QStyle::SP_ArrowLeft, TransportAction::Back, false);
    cmdNext = Tool(this, "cmdNext", QStyle::SP_MediaSkipForward, TransportAction::Last, false);
    cmdPrev = Tool(this, "cmdPrev", QStyle::SP_MediaSkipBackward, TransportAction::First, false);
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

    tmrTimer = m_transport.Timer();
    m_transport.SetView({[this](TransportOption option) { Selected(option); },
                         [this](int32_t frameNo) {
                             UpdateMarkButtons();
                             RequestPreviewFrame(m_range.recorded - frameNo);
                         }});
    const std::pair<QAbstractButton*, TransportAction> actions[] = {
        {optPlay, TransportAction::Play},   {optReverse, TransportAction::Reverse},
        {optPause, TransportAction::Pause}, {optStop, TransportAction::Stop},
        {cmdStep, TransportAction::Step},   {cmdBack, TransportAction::Back},
        {cmdNext, TransportAction::Last},   {cmdPrev, TransportAction::First}};
    for (const auto& [button, action] : actions)
        connect(button, &QAbstractButton::clicked, this, [this, a = action] { m_transport.Do(a); });
    connect(cmdStart, &QPushButton::clicked, this, &frmPreview::MarkStart);
    connect(cmdEnd, &QPushButton::clicked, this, &frmPreview::MarkEnd);
    connect(cmdRQDL, &QPushButton::clicked, this, &frmPreview::Save);
    connect(sldFrameBar, &QSlider::valueChanged, this, &frmPreview::MoveSlider);
    connect(chkExpand, &QCheckBox::toggled, this, &frmPreview::SetExpand);
    connect(chkLoop, &QCheckBox::toggled, this, [this](bool loop) {
        m_transport.SetLoop(loop);
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
    m_transport.Reset(first, last, TransportOption::Stop); // stopped on the start frame
    SizePicture();

    const int32_t region = m_params.region;
    const int32_t trigPos = region >= 0 && region < 4 ? g_lngTrigPos[static_cast<std::size_t>(region)] : -1;
    m_trigFrame = TriggerFrameNumber(m_range.recorded, trigPos);
    lblTriger->setText(m_trigFrame < 0 ? kNone : QString::number(m_trigFrame));

    m_tag = NewRequestTag();
    EnableSave(true);
    RequestPreviewFrame(m_range.startOffset);
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
    if (PendingRequests(m_tag, !m_frameEnding) > 0) {
        m_wanted = offset;
        return;
    }
    m_wanted.reset();
    QueueFrameRequest(16, DownloadRequest{m_params.region, offset, 1}, static_cast<int16_t>(frameNo), m_tag);
}

void frmPreview::RequestWanted() {
    if (m_wanted) RequestPreviewFrame(*m_wanted);
}

void frmPreview::Selected(TransportOption option) {
    QToolButton* const buttons[] = {optPlay, optReverse, optPause, optStop};
    buttons[static_cast<int>(option)]->setChecked(true);
    // The play state the receiver reads: 0 playing, 1 paused, 3 stopped; saving only while still.
    const bool playing = option == TransportOption::Play || option == TransportOption::Reverse;
    g_lngPreviewState = playing ? 0 : option == TransportOption::Pause ? 1 : 3;
    EnableSave(!playing);
}

void frmPreview::UpdateMarkButtons() {
    const bool several = m_range.Frames() > 1;
    const int32_t current = CurrentOffset();
    cmdStart->setEnabled(m_saveAllowed && several && CanMarkStart(m_marks, current));
    cmdEnd->setEnabled(m_saveAllowed && several && CanMarkEnd(m_marks, current));
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
    const QScopedValueRollback ending(m_frameEnding, true);
    RequestWanted();
}

void frmPreview::PlaybackStep(bool afterFrame) {
    if (m_tag == 0 || g_lngPreviewState != 0) return;
    if (afterFrame && InFlightTag() != m_tag) return; // another session's frame finishing
    tmrTimer->stop();
    // One request at a time: while one is outstanding its end takes the next step.
    if (PendingRequests(m_tag, !afterFrame) > 0) return;
    const QScopedValueRollback ending(m_frameEnding, afterFrame);
    m_transport.Advance();
}

void frmPreview::MarkStart() {
    if (!m_saveAllowed || m_range.Frames() <= 1 || !CanMarkStart(m_marks, CurrentOffset())) return;
    m_marks.startOffset = CurrentOffset();
    ShowMarks();
    UpdateMarkButtons();
}

void frmPreview::MarkEnd() {
    if (!m_saveAllowed || m_range.Frames() <= 1 || !CanMarkEnd(m_marks, CurrentOffset())) return;
    m_marks.endOffset = CurrentOffset();
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
    m_transport.MoveTo(frameNo);
}

void frmPreview::SetExpand(bool) {
    SizePicture();
    picImage->Clear();
    RequestPreviewFrame(CurrentOffset());
}

void frmPreview::PreviewMyMsg(int keyId) {
    // The keys reach the actions even where their buttons are off (a range of one frame, Loop).
    if (const std::optional<TransportAction> action = TransportKey(keyId)) m_transport.Do(*action);
}

void frmPreview::Refresh() {
    if (m_saveAllowed) cmdRQDL->setEnabled(!DownloadBusy());
    // A frame that ended undrawn brings no arrival to ask for the position wanted meanwhile.
    RequestWanted();
    // Playback waits on its one request; one that ended undrawn (refused, skipped while the camera
    // is live, cut off) would leave it waiting for good, so it pauses instead.
    if (g_lngPreviewState == 0 && !tmrTimer->isActive() && PendingRequests(m_tag) == 0) SelectPause();
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
