#include "console/setup_dialogs_common.h"

#include "base/shared_state.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

namespace setup {

void FollowConnection(QWidget* dialog, std::function<void()> refresh) {
    refresh();
    auto* poll = new QTimer(dialog);
    poll->setInterval(200);
    QObject::connect(poll, &QTimer::timeout, dialog, refresh);
    poll->start();
}

QHBoxLayout* OkCancelRow(QWidget* dialog, QPushButton*& ok, QPushButton*& cancel) {
    ok = Named(new QPushButton(QStringLiteral("OK"), dialog), "cmdOK");
    cancel = Named(new QPushButton(QStringLiteral("Cancel"), dialog), "cmdCancel");
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

void SendOnOk(QWidget* dialog, QPushButton* ok, std::function<void()> send) {
    QObject::connect(ok, &QPushButton::clicked, dialog, [dialog, send = std::move(send)] {
        if (!g_blnLinkOpen) return;
        send();
        dialog->close();
    });
}

void ShowOver(QWidget* window, QWidget* owner) {
    if (owner) owner->setEnabled(false);
    // Disabling the owner disables its child windows too; this one must stay usable.
    window->setEnabled(true);
    window->show();
    window->raise();
    window->activateWindow();
}

void ReleaseOwner(QWidget* owner) {
    if (owner) owner->setEnabled(true);
}

} // namespace setup
