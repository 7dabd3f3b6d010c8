#include "playback/frm_enhance.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

frmEnhance::frmEnhance(QWidget* owner, ZRK_ENHANCE& enhance, std::function<void()> redraw)
    : QDialog(owner), m_enhance(enhance), m_saved(enhance), m_redraw(std::move(redraw)) {
    setObjectName(QStringLiteral("frmEnhance"));
    setWindowTitle(QStringLiteral("Enhance Properties"));
    fraUnSharpMask = new QGroupBox(QStringLiteral("Unsharp Mask"), this);
    fraUnSharpMask->setObjectName(QStringLiteral("fraUnSharpMask"));
    chkOnOff = new QCheckBox(QStringLiteral("Use Unsharp Mask"), fraUnSharpMask);
    chkOnOff->setObjectName(QStringLiteral("chkOnOff"));
    sldApply = new QSlider(Qt::Horizontal, fraUnSharpMask);
    sldApply->setObjectName(QStringLiteral("sldApply"));
    sldApply->setRange(1, 11);
    sldApply->setPageStep(1);
    sldApply->setTickPosition(QSlider::TicksBelow);
    lblApplyCapMin = new QLabel(QStringLiteral("Min"), fraUnSharpMask);
    lblApplyCapMin->setObjectName(QStringLiteral("lblApplyCap"));
    lblApplyCapMax = new QLabel(QStringLiteral("Max"), fraUnSharpMask);
    lblApplyCapMax->setObjectName(QStringLiteral("lblApplyCap"));
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* scale = new QHBoxLayout;
    scale->addWidget(lblApplyCapMin);
    scale->addWidget(sldApply, 1);
    scale->addWidget(lblApplyCapMax);
    auto* frame = new QVBoxLayout(fraUnSharpMask);
    frame->addWidget(chkOnOff);
    frame->addLayout(scale);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraUnSharpMask);
    layout->addLayout(buttons);

    connect(chkOnOff, &QCheckBox::toggled, this, [this](bool on) { OnOnOff(on); });
    connect(sldApply, &QSlider::valueChanged, this, [this](int v) { OnSlider(v); });
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    const bool on = m_enhance.radius != 0;
    chkOnOff->setChecked(on);
    sldApply->setValue(m_enhance.strength / 50 + 1);
    for (QWidget* w : std::initializer_list<QWidget*>{sldApply, lblApplyCapMin, lblApplyCapMax})
        w->setEnabled(on);
    m_loading = false;
}

void frmEnhance::OnOnOff(bool checked) {
    if (m_loading) return;
    m_enhance.radius = checked ? 1 : 0;
    for (QWidget* w : std::initializer_list<QWidget*>{sldApply, lblApplyCapMin, lblApplyCapMax})
        w->setEnabled(checked);
    if (m_redraw) m_redraw();
}

void frmEnhance::OnSlider(int position) {
    if (m_loading) return;
    m_enhance.strength = static_cast<int16_t>((position - 1) * 50);
    if (m_redraw) m_redraw();
}

void frmEnhance::done(int result) {
    // Cancel and every other way of closing put the old setting back; OK keeps the new one.
    if (result != QDialog::Accepted) m_enhance = m_saved;
    if (m_redraw) m_redraw();
    QDialog::done(result);
}
