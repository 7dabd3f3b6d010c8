#include "console/frm_analog_in.h"

#include "base/shared_state.h"
#include "console/setup_dialogs_common.h"
#include "protocol/code_tables.h"
#include "protocol/command_set.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

using setup::Named;

frmAnalog::frmAnalog(QWidget* console) : QWidget(console, Qt::Window), m_console(console) {
    setObjectName(QStringLiteral("frmAnalog"));
    setWindowTitle(QStringLiteral("Analog Input Properties"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* fraAnalogIn = Named(new QGroupBox(QStringLiteral("Input Gain"), this), "fraAnalogIn");
    cmbAnalogGain = Named(new QComboBox(fraAnalogIn), "cmbAnalogGain");
    for (const char* caption : kAnalogGainCaptions)
        cmbAnalogGain->addItem(QString::fromLatin1(caption));
    (new QVBoxLayout(fraAnalogIn))->addWidget(cmbAnalogGain);
    auto* buttons = setup::OkCancelRow(this, cmdOK, cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraAnalogIn);
    layout->addLayout(buttons);

    g_lngAnalogGainNew = g_lngAnalogGain;
    cmbAnalogGain->setCurrentIndex(g_lngAnalogGain >= 0 && g_lngAnalogGain <= 4 ? g_lngAnalogGain : -1);
    connect(cmbAnalogGain, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) g_lngAnalogGainNew = index;
        RefreshOk();
    });
    setup::SendOnOk(this, cmdOK, [] { SendANIG(g_lngAnalogGainNew); });
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    setup::FollowConnection(this, [this] { RefreshOk(); });
}

void frmAnalog::RefreshOk() {
    cmdOK->setEnabled(g_blnLinkOpen && g_lngAnalogGainNew != g_lngAnalogGain);
}

void frmAnalog::closeEvent(QCloseEvent* event) {
    setup::ReleaseOwner(m_console);
    event->accept();
}
