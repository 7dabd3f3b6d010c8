// Small pieces the setup dialogs share.
#pragma once

#include <QString>
#include <functional>

class QHBoxLayout;
class QPushButton;
class QWidget;

namespace setup {

// Sets an object name and hands the object back, for building windows in one expression.
template <typename T> T* Named(T* object, const char* name) {
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

// Calls refresh now and whenever the connection may have changed (a short poll: the links raise
// no event of their own for a dialog to follow), for as long as dialog lives. The dialogs use it to
// keep "OK" disabled while nothing can be sent, so a setting is never dropped silently.
void FollowConnection(QWidget* dialog, std::function<void()> refresh);

// The "OK" / "Cancel" row at the foot of a setup dialog, right-aligned; the buttons are created
// with their object names and handed back through ok and cancel.
QHBoxLayout* OkCancelRow(QWidget* dialog, QPushButton*& ok, QPushButton*& cancel);

// "OK" sends the dialog's setting and closes it; while the link is down it does nothing (the
// button is disabled then, but a click may already be queued).
void SendOnOk(QWidget* dialog, QPushButton* ok, std::function<void()> send);

// Shows a window over owner, which it disables while it is open; the window itself stays usable.
void ShowOver(QWidget* window, QWidget* owner);
// Undoes ShowOver when the window closes.
void ReleaseOwner(QWidget* owner);

} // namespace setup
