#include "protocol/hot_keys.h"

#include "base/shared_state.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QObject>

namespace {

HotKeyHandler g_player;
HotKeyHandler g_preview;

class HotKeyFilter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto type = event->type();
        if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
            return QObject::eventFilter(watched, event);
        // Only the player and the preview window take the keys; elsewhere spin boxes, lists
        // and text boxes need them as usual.
        if (g_lngViewMode != 3 && g_lngViewMode != 4) return QObject::eventFilter(watched, event);
        const int id = HotKeyId(*static_cast<QKeyEvent*>(event));
        if (id < 0) return QObject::eventFilter(watched, event);
        // Swallowed at the first object that sees it (the window, then its focus widget would
        // see it again), so each press is routed exactly once; held keys repeat as hot keys do.
        if (type == QEvent::KeyPress) RouteHotKey(id);
        event->accept();
        return true;
    }
};

HotKeyFilter* g_filter = nullptr;

} // namespace

int HotKeyId(const QKeyEvent& event) {
    const auto mods = event.modifiers() & ~Qt::KeypadModifier;
    if (mods != Qt::NoModifier) return -1;
    switch (event.key()) {
    case Qt::Key_PageUp:
        return 0;
    case Qt::Key_PageDown:
        return 1;
    case Qt::Key_Home:
        return 2;
    case Qt::Key_End:
        return 3;
    case Qt::Key_Left:
        return 4;
    case Qt::Key_Up:
        return 5;
    case Qt::Key_Right:
        return 6;
    case Qt::Key_Down:
        return 7;
    default:
        return -1;
    }
}

void SetPlayerHotKeyHandler(HotKeyHandler handler) {
    g_player = std::move(handler);
}
void SetPreviewHotKeyHandler(HotKeyHandler handler) {
    g_preview = std::move(handler);
}

void RouteHotKey(int id) {
    if (g_lngViewMode == 3 && g_player)
        g_player(id);
    else if (g_lngViewMode == 4 && g_preview)
        g_preview(id);
}

void RegisterHotKeys() {
    if (g_filter || !QCoreApplication::instance()) return;
    g_filter = new HotKeyFilter;
    QCoreApplication::instance()->installEventFilter(g_filter);
}

void UnregisterHotKeys() {
    if (!g_filter) return;
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(g_filter);
    delete g_filter;
    g_filter = nullptr;
}
