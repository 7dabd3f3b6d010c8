// Start-up state: settings, the camera address and the reset of the shared state.
#pragma once

#include <QString>

// The application title shown in the main window's caption.
inline const QString kAppTitle = QStringLiteral("ZRK1");
inline const QString kDefaultClientIP = QStringLiteral("192.168.0.2");

// Sets g_strAppPath from a folder text, appending the separator when it is missing.
void SetAppPath(const QString& folder);

// Resets the shared state (reading the settings file first); opens and sends nothing.
void InitState();
// Reads every key of the settings file and applies it.
void LoadSettings();
// Takes a dotted camera address, stores it in g_bytClientIP, shows it, re-targets both links and
// saves it. A text that is not four numbers 0-255 falls back to the default address.
void ApplyClientIP(const QString& text);
// Writes g_bytClientIP back to "TCP"/"ClientIP" in plain dotted decimal; false when the settings
// file cannot be written.
bool SaveClientIP();
// g_bytClientIP as dotted decimal.
QString ClientIPText();
