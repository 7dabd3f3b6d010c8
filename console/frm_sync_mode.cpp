#include "console/frm_sync_mode.h"

#include "base/shared_state.h"
#include "console/setup_dialogs_common.h"
#include "protocol/command_set.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using setup::Named;

frmSyncMode::frmSyncMode(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("frmSyncMode"));
    setWindowTitle(QStringLiteral("Master/Slave Properties"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* fraSyncMode = Named(new QGroupBox(QStringLiteral("Mode"), this), "fraSyncMode");
    auto* modes = new QVBoxLayout(fraSyncMode);
    const char* captions[2] = {"Master", "Slave"};
    for (int i = 0; i < 2; ++i) {
        optSyncMode[i] = new QRadioButton(QString::fromLatin1(captions[i]), fraSyncMode);
        optSyncMode[i]->setObjectName(QStringLiteral("optSyncMode_%1").arg(i));
        modes->addWidget(optSyncMode[i]);
        connect(optSyncMode[i], &QRadioButton::clicked, this, [this, i] {
            g_lngSyncModeNew = i;
            RefreshOk();
        });
    }
    auto* buttons = setup::OkCancelRow(this, cmdOK, cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraSyncMode);
    layout->addLayout(buttons);

    g_lngSyncModeNew = g_lngSyncMode;
    if (g_lngSyncMode == 0 || g_lngSyncMode == 1)
        optSyncMode[static_cast<std::size_t>(g_lngSyncMode)]->setChecked(true);
    setup::SendOnOk(this, cmdOK, [] { SendSMOD(g_lngSyncModeNew); });
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    setup::FollowConnection(this, [this] { RefreshOk(); });
}

void frmSyncMode::RefreshOk() {
    cmdOK->setEnabled(g_blnLinkOpen && g_lngSyncModeNew != g_lngSyncMode);
}
