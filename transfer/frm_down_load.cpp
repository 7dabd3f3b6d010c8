#include "transfer/frm_down_load.h"

#include "base/open_windows.h"
#include "base/shared_state.h"
#include "base/ui_port.h"
#include "protocol/command_set.h"
#include "transfer/browser_batch_watch.h"
#include "transfer/browser_requests.h"
#include "transfer/frm_preview.h"
#include "transfer/image_size.h"
#include "transfer/save_range.h"
#include "transfer/thumbnail_picture.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kPictureSide = 113; // thumbnail pixels
constexpr int kBackSide = 121;    // the coloured frame around it
const QString kNone = QStringLiteral("---");

template <typename T> T* Named(T* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

QLabel* ValueLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = Named(new QLabel(text, parent), QString::fromLatin1(name));
    label->setMinimumWidth(60);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return label;
}

QString Dotted(const std::array<uint8_t, 4>& a) {
    return QStringLiteral("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
}

} // namespace

frmDownLoad::frmDownLoad(QWidget* parent) : QWidget(parent, Qt::Window), m_refresh(new QTimer(this)) {
    setObjectName(QStringLiteral("frmDownLoad"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Save - ") + Dotted(g_bytCamIP));

    fraPartition = Named(new QGroupBox(QStringLiteral("Region No."), this), QStringLiteral("fraPartition"));
    cmbAreaNo = Named(new QComboBox(fraPartition), QStringLiteral("cmbAreaNo"));
    (new QVBoxLayout(fraPartition))->addWidget(cmbAreaNo);

    auto* fraID = Named(new QGroupBox(QStringLiteral("ID No."), this), QStringLiteral("fraIDNumber"));
    lblIDNumber = ValueLabel(fraID, "lblIDNumber", QStringLiteral("0"));
    udnIDNumber = Named(new QSpinBox(fraID), QStringLiteral("udnIDNumber"));
    udnIDNumber->setRange(0, INT16_MAX); // the data file keeps it as a signed 16-bit value
    udnIDNumber->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    auto* idRow = new QHBoxLayout(fraID);
    idRow->addWidget(lblIDNumber, 1);
    idRow->addWidget(udnIDNumber);

    auto* fraSelect = Named(new QGroupBox(QStringLiteral("Select"), this), QStringLiteral("fraSelect"));
    OptSelect[0] = Named(new QRadioButton(QStringLiteral("Start"), fraSelect), QStringLiteral("OptSelect_0"));
    OptSelect[1] = Named(new QRadioButton(QStringLiteral("End"), fraSelect), QStringLiteral("OptSelect_1"));
    OptSelect[0]->setChecked(true);
    auto* selectRow = new QHBoxLayout(fraSelect);
    selectRow->addWidget(OptSelect[0]);
    selectRow->addWidget(OptSelect[1]);

    auto* grid = new QGridLayout;
    grid->setSpacing(4);
    for (int i = 0; i < kThumbSlots; ++i) {
        const auto n = QString::number(i);
        lblThumbNeilCap[i] = Named(new QLabel(QString::number(i + 1) + QStringLiteral(" :"), this),
                                   QStringLiteral("lblThumbNeilCap_") + n);
        lblThumbNeil[i] = Named(new QLabel(kNone, this), QStringLiteral("lblThumbNeil_") + n);
        picBack[i] = Named(new ThumbnailBack(this), QStringLiteral("picBack_") + n);
        picBack[i]->setFixedSize(kBackSide, kBackSide);
        picFore[i] = Named(new ThumbnailPicture(picBack[i]), QStringLiteral("picFore_") + n);
        connect(picFore[i], &ThumbnailPicture::clicked, this, [this, i] { ClickThumb(i); });
        connect(picBack[i], &ThumbnailBack::clicked, this, [this, i] { ClickThumb(i); });
        auto* caption = new QHBoxLayout;
        caption->addWidget(lblThumbNeilCap[i]);
        caption->addWidget(lblThumbNeil[i], 1);
        auto* cell = new QVBoxLayout;
        cell->setSpacing(1);
        cell->addLayout(caption);
        cell->addWidget(picBack[i]);
        grid->addLayout(cell, i / 4, i % 4);
    }

    fraInfomation = Named(new QGroupBox(QStringLiteral("Save Info"), this), QStringLiteral("fraInfomation"));
    lblStartFrame = ValueLabel(fraInfomation, "lblStartFrame", QStringLiteral("0"));
    lblEndFrame = ValueLabel(fraInfomation, "lblEndFrame", QStringLiteral("0"));
    lblTrigFrame = ValueLabel(fraInfomation, "lblTrigFrame", kNone);
    lblDownLoadCnt = ValueLabel(fraInfomation, "lblDownLoadCnt", QStringLiteral("0"));
    auto* info = new QGridLayout(fraInfomation);
    const std::array<std::pair<const char*, QLabel*>, 4> rows{{{"Start Frame No :", lblStartFrame},
                                                               {"End Frame No :", lblEndFrame},
                                                               {"Trigger Frame No :", lblTrigFrame},
                                                               {"Total  Frames :", lblDownLoadCnt}}};
    for (int r = 0; r < 4; ++r) {
        info->addWidget(new QLabel(QString::fromLatin1(rows[r].first), fraInfomation), r, 0);
        info->addWidget(rows[r].second, r, 1);
    }
    cmdRQDL = Named(new QPushButton(QStringLiteral("Save"), this), QStringLiteral("cmdRQDL"));
    cmdPreview = Named(new QPushButton(QStringLiteral("Preview"), this), QStringLiteral("cmdPreview"));

    auto* side = new QVBoxLayout;
    side->addWidget(fraPartition);
    side->addWidget(fraID);
    side->addWidget(fraSelect);
    side->addWidget(fraInfomation);
    side->addStretch(1);
    side->addWidget(cmdRQDL);
    side->addWidget(cmdPreview);
    auto* top = new QHBoxLayout(this);
    top->addLayout(side);
    top->addLayout(grid, 1);

    connect(udnIDNumber, &QSpinBox::valueChanged, this, [this](int value) {
        m_idNumber = static_cast<int16_t>(value);
        lblIDNumber->setText(QString::number(value));
    });
    connect(cmbAreaNo, &QComboBox::activated, this,
            [this](int index) { SelectRegion(cmbAreaNo->itemData(index).toInt()); });
    connect(cmdRQDL, &QPushButton::clicked, this, &frmDownLoad::Save);
    connect(cmdPreview, &QPushButton::clicked, this, &frmDownLoad::Preview);
    connect(m_refresh, &QTimer::timeout, this, &frmDownLoad::Refresh);

    // The trigger table is read anew so that the marks show the current trigger.
    RequestPTRG();
    SizePictures();
    FillRegionList();
    SelectRegion(0);
    m_refresh->start(100);
}

frmDownLoad::~frmDownLoad() = default;

void frmDownLoad::SizePictures() {
    const int height = g_RecMode.ImageSize == 2 ? kPictureSide / 2 : kPictureSide;
    for (int i = 0; i < kThumbSlots; ++i) {
        picFore[i]->setFixedSize(kPictureSide, height);
        picFore[i]->move((kBackSide - kPictureSide) / 2, (kBackSide - height) / 2);
    }
}

void frmDownLoad::FillRegionList() {
    cmbAreaNo->clear();
    cmbAreaNo->addItem(QStringLiteral("None"), 0);
    // The list entry carries its region: a free region between two recorded ones leaves a gap.
    for (int r = 0; r < 4; ++r)
        if (g_RegionFrames[static_cast<std::size_t>(r)].Recorded > 0)
            cmbAreaNo->addItem(QString::number(r + 1), r + 1);
    cmbAreaNo->setCurrentIndex(0);
}

void frmDownLoad::ClearThumbs() {
    m_table.fill(ThumbEntry{});
    for (int i = 0; i < kThumbSlots; ++i) {
        picFore[i]->Clear();
        picFore[i]->setToolTip(QString());
        picBack[i]->SetColour(QColor());
        lblThumbNeil[i]->setText(kNone);
    }
}

void frmDownLoad::SelectRegion(int32_t region) {
    if (region == m_region) return;
    if (region < 0 || region > 4) region = 0;
    m_region = region;
    udnIDNumber->setValue(0);
    m_idNumber = 0;
    ClearThumbs();
    m_batchTag = 0; // frames still coming for an earlier batch are no longer drawn
    m_last = region == 0
                 ? -1
                 : MakeThumbTable(g_RegionFrames[static_cast<std::size_t>(region - 1)].Recorded, m_table);
    if (m_last < 0) {
        // No region, or one that has lost its frames: nothing to show, count or save.
        m_region = 0;
        const int none = cmbAreaNo->findData(0);
        if (none >= 0) cmbAreaNo->setCurrentIndex(none);
        m_start = m_end = -1;
        m_trigThumbs = {};
        m_trigFrame = -1;
        m_count = 0;
        lblStartFrame->setText(QStringLiteral("0"));
        lblEndFrame->setText(QStringLiteral("0"));
        lblDownLoadCnt->setText(QStringLiteral("0"));
        lblTrigFrame->setText(kNone);
        udnIDNumber->setEnabled(false);
        cmdRQDL->setEnabled(false);
        cmdPreview->setEnabled(false);
        return;
    }
    const int entry = cmbAreaNo->findData(region);
    if (entry >= 0) cmbAreaNo->setCurrentIndex(entry);
    g_ThumbTable = m_table;
    g_intLastThumb = m_last;
    m_start = 0;
    m_end = m_last;
    ShowCount();
    UpDateTrigFrame(region - 1);
    DownloadThumbs(region - 1);
    lblStartFrame->setText(QString::number(m_table[0].FrameNo));
    lblEndFrame->setText(QString::number(m_table[static_cast<std::size_t>(m_end)].FrameNo));
    Repaint(m_start);
    Repaint(m_end);
    udnIDNumber->setEnabled(true);
    cmdRQDL->setEnabled(!DownloadBusy());
    cmdPreview->setEnabled(true);
}

void frmDownLoad::UpDateTrigFrame(int32_t region0) {
    if (region0 < 0 || region0 > 3 || m_last < 0) return;
    const TriggerThumbs old = m_trigThumbs;
    m_trigPos = g_lngTrigPos[static_cast<std::size_t>(region0)];
    m_trigFrame = TriggerFrameNumber(g_RegionFrames[static_cast<std::size_t>(region0)].Recorded, m_trigPos);
    m_trigThumbs = FindTriggerThumbs(m_table, m_last, m_trigFrame);
    lblTrigFrame->setText(m_trigFrame < 0 ? kNone : QString::number(m_trigFrame));
    for (int k : {old.lower, old.upper, m_trigThumbs.lower, m_trigThumbs.upper})
        Repaint(k);
}

void frmDownLoad::DownloadThumbs(int32_t region0) {
    m_batchTag = NewRequestTag();
    for (int i = 0; i < kThumbSlots; ++i) {
        picFore[i]->Clear();
        const ThumbEntry& e = m_table[static_cast<std::size_t>(i)];
        if (i > m_last) {
            lblThumbNeil[i]->setText(kNone);
            picFore[i]->setToolTip(QString());
            continue;
        }
        lblThumbNeil[i]->setText(QString::number(e.FrameNo));
        picFore[i]->setToolTip(QString::number(e.FrameNo));
        QueueFrameRequest(i, DownloadRequest{region0, e.Offset, 1}, 0, m_batchTag);
    }
    WatchThumbnailBatch(m_batchTag);
}

void frmDownLoad::Repaint(int k) {
    if (k < 0 || k >= kThumbSlots) return;
    const MarkColour colour = ColourOf(k == m_start, k == m_end, m_trigThumbs.Holds(k));
    const Rgb rgb = RgbOf(colour);
    picBack[k]->SetColour(colour == MarkColour::None ? QColor() : QColor(rgb.r, rgb.g, rgb.b));
}

void frmDownLoad::ShowCount() {
    m_count = CalcCount(m_table, m_start, m_end);
    lblDownLoadCnt->setText(QString::number(m_count));
}

void frmDownLoad::ClickThumb(int k) {
    if (m_region == 0) return;
    const bool isStart = OptSelect[0]->isChecked();
    if (ClickMovesMark(k, isStart, m_start, m_end, m_last)) SelectThumb(k, isStart);
}

void frmDownLoad::SelectThumb(int k, bool isStart) {
    if (!ClickMovesMark(k, isStart, m_start, m_end, m_last)) return; // the marks never cross
    int& mark = isStart ? m_start : m_end;
    const int left = mark;
    mark = k;
    (isStart ? lblStartFrame : lblEndFrame)
        ->setText(QString::number(m_table[static_cast<std::size_t>(k)].FrameNo));
    Repaint(k);
    Repaint(left);
    ShowCount();
}

void frmDownLoad::DrawThumbNail(int32_t index) {
    if (index < 0 || index > m_last || m_batchTag == 0 || InFlightTag() != m_batchTag) return;
    if (!g_ThumbBuf.address) return;
    int16_t w = 0, h = 0;
    GetImageSize(g_RecMode.ImageSize, w, h);
    if (w <= 0 || h <= 0) return;
    int16_t status = 0;
    alignas(8) uint8_t header[128];
    if (!picFore[index]->DrawFrame(g_ThumbBuf.address, w, h, header, status)) ReportDrawFailure(status);
}

void frmDownLoad::Save() {
    if (m_region == 0 || m_start < 0 || m_end < m_start || DownloadBusy()) return;
    const ThumbEntry& first = m_table[static_cast<std::size_t>(m_start)];
    const ThumbEntry& last = m_table[static_cast<std::size_t>(m_end)];
    SaveRange(m_region - 1, first.Offset, m_count, m_idNumber,
              TriggerOffsetIn(m_trigFrame, first.FrameNo, last.FrameNo), this);
    Refresh();
}

void frmDownLoad::Preview() {
    if (m_region == 0 || m_start < 0 || m_end < m_start) return;
    PreviewParams params;
    params.region = m_region - 1;
    params.start = m_table[static_cast<std::size_t>(m_start)];
    params.end = m_table[static_cast<std::size_t>(m_end)];
    params.idNumber = m_idNumber;
    g_lngViewMode = 4;
    ShowPreviewWindow(params);
    hide();
}

void frmDownLoad::Refresh() {
    if (m_region > 0) {
        cmdRQDL->setEnabled(!DownloadBusy());
        // A PTRG reply that came in after the region was chosen moves the trigger marks.
        if (g_lngTrigPos[static_cast<std::size_t>(m_region - 1)] != m_trigPos) UpDateTrigFrame(m_region - 1);
    }
}

void frmDownLoad::closeEvent(QCloseEvent* event) {
    m_batchTag = 0;
    m_refresh->stop();
    Ui().CloseProgress();
    Ui().CloseNotice();
    ClosePreviewWindow(false);
    if (m_backToConsole) {
        g_lngViewMode = 1;
        if (Windows().frmRec) Windows().frmRec->show();
    }
    event->accept();
}

void frmDownLoad::CloseWithConsole() {
    m_backToConsole = false;
    close();
}
