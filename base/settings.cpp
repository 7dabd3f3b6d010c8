#include "base/settings.h"

#include "base/profile_file.h"
#include "base/shared_state.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>

namespace {
QString g_iniBaseName;  // empty: the executable's own name
QString g_settingsFile; // empty: the file beside the executable
} // namespace

void SetSettingsFile(const QString& path) {
    g_settingsFile = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

void SetIniBaseName(const QString& baseName) {
    g_iniBaseName = baseName;
}

QString ComputeIniFile() {
    if (!g_settingsFile.isEmpty()) return g_settingsFile;
    const QString exe = QCoreApplication::applicationFilePath();
    const QString base = !g_iniBaseName.isEmpty() ? g_iniBaseName
                         : exe.isEmpty()          ? QStringLiteral("Zrk1")
                                                  : QFileInfo(exe).completeBaseName();
    return g_strAppPath + base + QStringLiteral(".ini");
}

namespace {
// Settings are 8-bit text, bytes mapped one to one.
std::string Bytes(const QString& s) {
    return s.toLatin1().toStdString();
}
} // namespace

QString ReadIniString(const QString& section, const QString& key, const QString& def, int maxChars) {
    g_strIniFile = ComputeIniFile();
    return QString::fromLatin1(profile::GetString(Bytes(g_strIniFile), Bytes(section), Bytes(key), Bytes(def),
                                                  static_cast<std::size_t>(std::max(maxChars, 0))));
}

int32_t ReadIniInt(const QString& section, const QString& key, int32_t def) {
    g_strIniFile = ComputeIniFile();
    return profile::GetInt(Bytes(g_strIniFile), Bytes(section), Bytes(key), def);
}

int32_t WriteIniString(const QString& section, const QString& key, const QString& value) {
    g_strIniFile = ComputeIniFile();
    return profile::WriteString(Bytes(g_strIniFile), Bytes(section), Bytes(key), Bytes(value)) ? 1 : 0;
}
