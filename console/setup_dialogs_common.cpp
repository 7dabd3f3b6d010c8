#include "console/setup_dialogs_common.h"

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
