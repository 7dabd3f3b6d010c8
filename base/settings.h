// The program's settings file (g_strIniFile) and the keys it keeps there.
#pragma once

#include <QString>
#include <cstdint>

// Longest value a read gives back: the classic call's 1023-character buffer less its terminator.
constexpr int kIniValueMax = 1022;

// The settings file path for the running executable: g_strAppPath + base name + ".ini".
QString ComputeIniFile();
// Another program that shares these settings (zrkctl) reads them under this base name instead.
void SetIniBaseName(const QString& baseName);
// A settings file of the operator's choice (--settings FILE), used instead of the one beside the
// program and created on first use like it; relative paths count from the working folder. An
// empty path goes back to the default.
void SetSettingsFile(const QString& path);

// At most maxChars characters of the trimmed value.
QString ReadIniString(const QString& section, const QString& key, const QString& def,
                      int maxChars = kIniValueMax);
int32_t ReadIniInt(const QString& section, const QString& key, int32_t def);
// 1 when written, 0 when the write failed.
int32_t WriteIniString(const QString& section, const QString& key, const QString& value);
