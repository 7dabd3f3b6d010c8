#include "console/frm_set_rmod.h"

#include "base/open_windows.h"
#include "base/shared_state.h"
#include "console/record_setup_rules.h"
#include "console/setup_dialogs_common.h"
#include "protocol/command_set.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace {

QPointer<frmSetRmod> g_dialog;

QGroupBox* Group(QWidget* parent, const char* name, const QString& caption) {
    return setup::Named(new QGroupBox(caption, parent), name);
}

QComboBox* List(QGroupBox* box, const char* name) {
    auto* list = setup::Named(new QComboBox(box), name);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(list);
    return list;
}

// Refills a list only when its entries differ, then selects without firing its event.
void Show(QComboBox* list, const QStringList& entries, int selection) {
    const QSignalBlocker block(list);
    QStringList now;
    for (int i = 0; i < list->count(); ++i)
        now << list->itemText(i);
    if (now != entries) {
        list->clear();
        list->addItems(entries);
    }
    list->setCurrentIndex(selection);
}

} // namespace

frmSetRmod::frmSetRmod() : QWidget(nullptr) {
    setObjectName(QStringLiteral("frmSetRmod"));
    setWindowTitle(QStringLiteral("Record Properties"));
    setAttribute(Qt::WA_DeleteOnClose);
    Build();
    g_blnRecSetupOpen = true;
    m_form.Load(g_RecMode, g_lngMemSize);
    Render();
    g_dialog = this;
}

frmSetRmod::~frmSetRmod() {
    Closing(); // destruction without a close event closes it all the same
}

void frmSetRmod::Build() {
    auto* grid = new QGridLayout(this);

    frmSpeed = Group(this, "frmSpeed", QStringLiteral("Frame Rate"));
    auto* speedLayout = new QVBoxLayout(frmSpeed);
    auto* speedOptions = new QHBoxLayout;
    const char* speedCaptions[] = {"High", "Low"};
    for (int i = 0; i < 2; ++i) {
        optSpeedMode[i] = new QRadioButton(QLatin1String(speedCaptions[i]), frmSpeed);
        optSpeedMode[i]->setObjectName(QStringLiteral("optSpeedMode_%1").arg(i));
        speedOptions->addWidget(optSpeedMode[i]);
        connect(optSpeedMode[i], &QRadioButton::clicked, this, [this, i] {
            m_form.ClickSpeedMode(i);
            Render();
        });
    }
    speedLayout->addLayout(speedOptions);
    cmbSpeed = new QComboBox(frmSpeed);
    cmbSpeed->setObjectName(QStringLiteral("cmbSpeed"));
    speedLayout->addWidget(cmbSpeed);

    fraSize = Group(this, "fraSize", QStringLiteral("Image Size"));
    cmbSize = List(fraSize, "cmbSize");
    fraShutter = Group(this, "fraShutter", QStringLiteral("Shutter Speed"));
    cmbShutter = List(fraShutter, "cmbShutter");
    fraFrash = Group(this, "fraFrash", QStringLiteral("Strobe Delay"));
    cmbFlash = List(fraFrash, "cmbFlash");
    fraPartition = Group(this, "fraPartition", QStringLiteral("Region Segment"));
    cmbPartition = List(fraPartition, "cmbPartition");

    fraPostCount = Group(this, "fraPostCount", QStringLiteral("Trigger Mode"));
    auto* trigLayout = new QVBoxLayout(fraPostCount);
    auto* trigOptions = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        optTrigerMode[i] = new QRadioButton(QStringList{"Start", "Center", "End"}[i], fraPostCount);
        optTrigerMode[i]->setObjectName(QStringLiteral("optTrigerMode_%1").arg(i));
        trigOptions->addWidget(optTrigerMode[i]);
        connect(optTrigerMode[i], &QRadioButton::clicked, this, [this, i] {
            m_form.ClickTrigMode(i);
            Render();
        });
    }
    trigLayout->addLayout(trigOptions);
    auto* sliderRow = new QHBoxLayout;
    sldPriCount = new QSlider(Qt::Horizontal, fraPostCount);
    sldPriCount->setObjectName(QStringLiteral("sldPriCount"));
    sldPriCount->setMinimum(0);
    sldPriCount->setTickPosition(QSlider::TicksBelow);
    lblPostCount = new QLabel(fraPostCount);
    lblPostCount->setObjectName(QStringLiteral("lblPostCount"));
    lblPostCount->setAutoFillBackground(true);
    lblPostCount->setFrameShape(QFrame::Panel);
    lblPostCount->setFrameShadow(QFrame::Sunken);
    lblPostCount->setMinimumWidth(60);
    lblPostCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    sliderRow->addWidget(sldPriCount, 1);
    sliderRow->addWidget(lblPostCount);
    trigLayout->addLayout(sliderRow);
    fraPostCount->setToolTip(
        QStringLiteral("Where the trigger falls in the recording: Start keeps the frames after it, "
                       "End the frames before it, Center both; the slider sets the frames before "
                       "the trigger, the box shows the frames after it"));

    fraAreaInfo = Group(this, "fraAreaInfo", QStringLiteral("Region Details"));
    auto* areaGrid = new QGridLayout(fraAreaInfo);
    const char* areaCaptions[] = {"1:", "2 :", "3:", "4 :"};
    for (int i = 0; i < 4; ++i) {
        lblAreaCountCap[i] = new QLabel(QLatin1String(areaCaptions[i]), fraAreaInfo);
        lblAreaCountCap[i]->setObjectName(QStringLiteral("lblAreaCountCap_%1").arg(i));
        lblAreaCount[i] = new QLabel(fraAreaInfo);
        lblAreaCount[i]->setObjectName(QStringLiteral("lblAreaCount_%1").arg(i));
        lblAreaCount[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        areaGrid->addWidget(lblAreaCountCap[i], i, 0);
        areaGrid->addWidget(lblAreaCount[i], i, 1);
    }

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKButton);
    buttons->addWidget(cmdCancel);

    grid->addWidget(frmSpeed, 0, 0);
    grid->addWidget(fraSize, 0, 1);
    grid->addWidget(fraShutter, 1, 0);
    grid->addWidget(fraFrash, 1, 1);
    grid->addWidget(fraPartition, 2, 0);
    grid->addWidget(fraAreaInfo, 2, 1, 2, 1);
    grid->addWidget(fraPostCount, 3, 0);
    grid->addLayout(buttons, 4, 0, 1, 2);

    cmbSize->addItems(kSizeList);
    cmbFlash->addItems(StrobeList());
    cmbPartition->addItems(kPartitionList);

    // activated: the operator's choices only; the form makes its own selections itself.
    connect(cmbSpeed, &QComboBox::activated, this, [this](int i) {
        m_form.ClickRate(i);
        Render();
    });
    connect(cmbSize, &QComboBox::activated, this, [this](int i) {
        m_form.ClickSize(i);
        Render();
    });
    connect(cmbShutter, &QComboBox::activated, this, [this](int i) {
        m_form.ClickShutter(i);
        Render();
    });
    connect(cmbFlash, &QComboBox::activated, this, [this](int i) {
        m_form.ClickFlash(i);
        Render();
    });
    connect(cmbPartition, &QComboBox::activated, this, [this](int i) {
        m_form.ClickPartition(i);
        Render();
    });
    connect(sldPriCount, &QSlider::valueChanged, this, [this](int v) {
        m_form.MoveSlider(v);
        Render();
    });
    connect(OKButton, &QPushButton::clicked, this, [this] {
        g_RecModeNew = m_form.Work();
        SendRMOD(g_RecModeNew);
        close();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
}

void frmSetRmod::Render() {
    const RecordSetupForm& f = m_form;
    for (int i = 0; i < 2; ++i) {
        const QSignalBlocker block(optSpeedMode[i]);
        optSpeedMode[i]->setChecked(f.SpeedOption() == i);
    }
    Show(cmbSpeed, f.Rates(), f.RateSelection());
    Show(cmbSize, kSizeList, f.SizeSelection());
    cmbSize->setEnabled(f.SizeEnabled());
    Show(cmbShutter, f.Shutters(), f.ShutterSelection());
    Show(cmbFlash, StrobeList(), f.FlashSelection());
    cmbFlash->setEnabled(f.FlashEnabled());
    Show(cmbPartition, kPartitionList, f.PartitionSelection());
    for (int i = 0; i < 3; ++i) {
        const QSignalBlocker block(optTrigerMode[i]);
        optTrigerMode[i]->setChecked(f.TrigOption() == i);
    }
    {
        const QSignalBlocker block(sldPriCount);
        sldPriCount->setMaximum(f.SliderMaximum());
        sldPriCount->setValue(f.SliderPosition());
        sldPriCount->setTickInterval(f.TickFrequency());
        sldPriCount->setPageStep(std::max(f.TickFrequency(), 1));
    }
    const bool center = f.TriggerControlsEnabled();
    sldPriCount->setEnabled(center);
    lblPostCount->setEnabled(center);
    QPalette look = lblPostCount->palette();
    look.setColor(QPalette::Window, palette().color(center ? QPalette::Base : QPalette::Button));
    lblPostCount->setPalette(look);
    lblPostCount->setText(f.PostLabel());
    for (int i = 0; i < 4; ++i)
        lblAreaCount[i]->setText(f.AreaCounts()[static_cast<std::size_t>(i)]);
}

void frmSetRmod::CloseQuietly() {
    m_restartLive = false;
    close();
}

void frmSetRmod::closeEvent(QCloseEvent* event) {
    Closing();
    event->accept();
}

void frmSetRmod::Closing() {
    if (m_closed) return;
    m_closed = true;
    if (Windows().frmRec) Windows().frmRec->setEnabled(true);
    g_blnRecSetupOpen = false;
    // Live output was stopped when the dialog opened; bring it back unless the console is going.
    if (m_restartLive && g_lngCamMode == 1 && g_lngViewMode == 1) SendLVST();
}

frmSetRmod* RecordSetupWindow() {
    return g_dialog;
}

void ShowRecordSetup() {
    frmSetRmod* dialog = g_dialog ? g_dialog.data() : new frmSetRmod;
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}
