// The status line at the foot of the main window and the record console: one line in plain words
// that says what just happened or why controls are grey. It never asks and never blocks; code that
// is not a window writes it through the operator interface (Ui().ShowStatus).
#pragma once

#include <QString>
#include <cstdint>

class QLabel;

// The line every status label shows; ShowStatusIn adds a label (it drops out when destroyed).
void SetStatusText(const QString& text);
QString StatusText();
void ShowStatusIn(QLabel* label);

// The texts.
namespace status_text {
QString SettingsLocked();
QString TriggerAccepted(int32_t framesAfter);
QString Saved(int32_t frames, const QString& path);
QString Exported(int32_t frames, const QString& path);
QString ExportCancelled(int32_t frames, const QString& path);
QString ClearRefusedWhileLive();
} // namespace status_text
