#include "console/frm_version.h"

#include "base/shared_state.h"
#include "console/setup_dialogs_common.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using setup::Named;

QString PartNumber(const char* prefix, int16_t number) {
    return QString::fromLatin1(prefix) + QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}

frmVersion::frmVersion(QWidget* owner) : QWidget(owner, Qt::Window), m_owner(owner) {
    setObjectName(QStringLiteral("frmVersion"));
    setWindowTitle(QStringLiteral("Camera Program Versions"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto row = [](QGroupBox* frame, QGridLayout* grid, int r, const char* cap, const char* capName,
                  const char* name) {
        grid->addWidget(Named(new QLabel(QString::fromLatin1(cap), frame), capName), r, 0);
        auto* value = Named(new QLabel(frame), name);
        value->setMinimumWidth(90);
        grid->addWidget(value, r, 1);
        return value;
    };
    auto* fraFirmware = Named(new QGroupBox(QStringLiteral("Firmware"), this), "fraFirmware");
    auto* firmware = new QGridLayout(fraFirmware);
    lblMainProg = row(fraFirmware, firmware, 0, "Main :", "lblMianProgCap", "lblMainProg");
    auto* fraPLD = Named(new QGroupBox(QStringLiteral("PLD"), this), "fraPLD");
    auto* pld = new QGridLayout(fraPLD);
    lblCpuCard = row(fraPLD, pld, 0, "CPU Card :", "lblCpuCardCap", "lblCpuCard");
    lblTgCard = row(fraPLD, pld, 1, "TG Card :", "lblTgCardCap", "lblTgCard");
    cmdOK = Named(new QPushButton(QStringLiteral("OK"), this), "cmdOK");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraFirmware);
    layout->addWidget(fraPLD);
    layout->addLayout(buttons);
    connect(cmdOK, &QPushButton::clicked, this, &QWidget::close);
    ShowVersions();
}

void frmVersion::ShowVersions() {
    lblMainProg->setText(PartNumber("KB4401-", g_intVersion[2]));
    lblCpuCard->setText(PartNumber("KB4402-", g_intVersion[4]));
    lblTgCard->setText(PartNumber("KB4403-", g_intVersion[5]));
}

void frmVersion::closeEvent(QCloseEvent* event) {
    setup::ReleaseOwner(m_owner);
    event->accept();
}
