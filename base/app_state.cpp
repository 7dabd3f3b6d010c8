#include "base/app_state.h"

#include "base/main_window_parts.h"
#include "base/settings.h"
#include "base/shared_state.h"
#include "base/text_fields.h"
#include "base/trace.h"
#include "link/ctr.h"

#include <QDir>
#include <QTimer>

MainWindowParts& MainParts() {
    static MainWindowParts parts;
    return parts;
}

void SetAppPath(const QString& folder) {
    const QString sep = QDir::separator();
    g_strAppPath = folder.endsWith(sep) ? folder : folder + sep;
}

namespace {

// Four dotted numbers 0-255, nothing more.
bool ParseAddress(const QString& text, std::array<uint8_t, 4>& bytes) {
    QStringList fields;
    int count = 0;
    SplitFields(text, QStringLiteral("."), 5, fields, count);
    if (count != 4) return false;
    for (int i = 0; i < 4; ++i) {
        if (!IsNumberInRange(fields[i + 1], 0, 255)) return false;
        bytes[i] = static_cast<uint8_t>(fields[i + 1].toInt());
    }
    return true;
}

} // namespace

QString ClientIPText() {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(g_bytClientIP[0])
        .arg(g_bytClientIP[1])
        .arg(g_bytClientIP[2])
        .arg(g_bytClientIP[3]);
}

void ApplyClientIP(const QString& requested) {
    QString text = requested;
    std::array<uint8_t, 4> bytes{};
    if (!ParseAddress(text, bytes)) {
        WriteTrace(QStringLiteral("ClientIP \"") + requested +
                   QStringLiteral("\" is not an address; using ") + kDefaultClientIP);
        text = kDefaultClientIP;
        ParseAddress(text, bytes);
    }
    g_bytClientIP = bytes;

    MainWindowParts& parts = MainParts();
    if (parts.showAddress) parts.showAddress(kAppTitle + QStringLiteral(" - ") + text, text);
    for (ctr* link : {parts.ctrTCPCmd, parts.ctrTCPData}) {
        if (!link) continue;
        link->setServerName(text);
        link->SetServerData();
    }
    SaveClientIP();
}

bool SaveClientIP() {
    return WriteIniString(QStringLiteral("TCP"), QStringLiteral("ClientIP"), ClientIPText()) != 0;
}

void LoadSettings() {
    g_strIniFile = ComputeIniFile();
    const QString clientIP =
        ReadIniString(QStringLiteral("TCP"), QStringLiteral("ClientIP"), kDefaultClientIP);
    MainWindowParts& parts = MainParts();
    const int32_t cmdPort = ReadIniInt(QStringLiteral("TCP"), QStringLiteral("CommandPort"), 4000);
    const int32_t dataPort = ReadIniInt(QStringLiteral("TCP"), QStringLiteral("DataPort"), 4001);
    if (parts.ctrTCPCmd) parts.ctrTCPCmd->setServerPort(cmdPort);
    if (parts.ctrTCPData) parts.ctrTCPData->setServerPort(dataPort);
    // Tracing is decided first, so that a fallback below reaches the trace window.
    g_blnDebug = ReadIniInt(QStringLiteral("COMMON"), QStringLiteral("Debug"), 0) != 0;
    ApplyClientIP(clientIP);
    const int32_t commandMs = ReadIniInt(QStringLiteral("TIMEOUT"), QStringLiteral("Command"), 60000);
    const int32_t dataMs = ReadIniInt(QStringLiteral("TIMEOUT"), QStringLiteral("Data"), 60000);
    // A non-positive interval would make the time-out fire at once; keep the default then.
    if (parts.tmrComTimeOut) parts.tmrComTimeOut->setInterval(commandMs > 0 ? commandMs : 60000);
    if (parts.tmrDataTimeOut) parts.tmrDataTimeOut->setInterval(dataMs > 0 ? dataMs : 60000);
}

void InitState() {
    LoadSettings();
    g_lngViewMode = 0;
    g_blnTimeDialogPending = false;
    MainWindowParts& parts = MainParts();
    for (QTimer* timer : {parts.tmrGetState, parts.tmrComTimeOut, parts.tmrDataTimeOut})
        if (timer) timer->stop();
    g_blnMsgBoxOpen = false;
    g_blnLostDuringMsgBox = false;
    g_blnLinkOpen = false;
    g_blnCmdOpen = false;
    g_blnDataOpen = false;
    g_strReplyLines = QStringList{QString()};
    ResetCameraSettings();
}
