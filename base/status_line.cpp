#include "base/status_line.h"

#include <QLabel>
#include <QList>
#include <QPointer>

namespace {

QString g_text;
QList<QPointer<QLabel>> g_labels;

} // namespace

void SetStatusText(const QString& text) {
    g_text = text;
    g_labels.removeAll(nullptr);
    for (const QPointer<QLabel>& label : g_labels)
        label->setText(text);
}

QString StatusText() {
    return g_text;
}

void ShowStatusIn(QLabel* label) {
    g_labels.removeAll(nullptr);
    g_labels.append(label);
    label->setText(g_text);
}

namespace status_text {

namespace {

QString Frames(int32_t n) {
    return n == 1 ? QStringLiteral("1 frame") : QStringLiteral("%1 frames").arg(n);
}

} // namespace

QString SettingsLocked() {
    return QStringLiteral(
        "Settings are locked while the camera holds recorded frames: save them, then Clear.");
}

QString TriggerAccepted(int32_t framesAfter) {
    return QStringLiteral("Trigger accepted: %1 %2 it.")
        .arg(Frames(framesAfter), framesAfter == 1 ? QStringLiteral("follows") : QStringLiteral("follow"));
}

QString Saved(int32_t frames, const QString& path) {
    return Frames(frames) + QStringLiteral(" saved to ") + path;
}

QString Exported(int32_t frames, const QString& path) {
    return Frames(frames) + QStringLiteral(" exported to ") + path;
}

QString ExportCancelled(int32_t frames, const QString& path) {
    return QStringLiteral("Export cancelled: ") + Frames(frames) + QStringLiteral(" written to ") + path;
}

QString ClearRefusedWhileLive() {
    return QStringLiteral(
        "The camera does not clear its frames while live output runs: untick Preview first.");
}

} // namespace status_text
