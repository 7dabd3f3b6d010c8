#include "protocol/command_set.h"

#include "base/shared_state.h"
#include "protocol/code_tables.h"
#include "protocol/command_channel.h"
#include "protocol/command_ids.h"

namespace {

void Queue(int32_t id, const QString& text, int16_t extra = 0) {
    if (!g_blnLinkOpen) return;
    EnqueueCommand(id, text, extra);
}

// A set command with the value it sends, which its reply makes current.
template <typename T> void QueueSetting(int32_t id, const QString& text, const T& value) {
    if (!g_blnLinkOpen) return;
    EnqueueCommand(id, text, 0, value);
}

QString Num(int64_t v) {
    return QString::number(v);
}

QString Dotted(const std::array<uint8_t, 4>& b) {
    return Num(b[0]) + u'.' + Num(b[1]) + u'.' + Num(b[2]) + u'.' + Num(b[3]);
}

QString DownloadText(const DownloadRequest& r) {
    return QStringLiteral("RQDL ") + Num(r.Region) + u' ' + Num(r.Offset) + u' ' + Num(r.Count);
}

} // namespace

void SendTRIG() {
    Queue(CommandId::TRIG, QStringLiteral("TRIG "));
}
void RequestANIG() {
    Queue(CommandId::ANIG_Get, QStringLiteral("ANIG"));
}
void SendBKUP() {
    Queue(CommandId::BKUP, QStringLiteral("BKUP"));
}
void RequestDRAM() {
    Queue(CommandId::DRAM, QStringLiteral("DRAM"));
}
void RequestGAIN() {
    Queue(CommandId::GAIN_Get, QStringLiteral("GAIN"));
}
void RequestGAMM() {
    Queue(CommandId::GAMM_Get, QStringLiteral("GAMM"));
}
void SendLVST() {
    Queue(CommandId::LVST, QStringLiteral("LVST"));
}
void SendLVSP() {
    Queue(CommandId::LVSP, QStringLiteral("LVSP"));
}
void RequestMODE() {
    Queue(CommandId::MODE_Get, QStringLiteral("MODE"));
}
void RequestNPIC() {
    Queue(CommandId::NPIC, QStringLiteral("NPIC"));
}
void RequestPTRG() {
    Queue(CommandId::PTRG, QStringLiteral("PTRG"));
}
void SendRACL() {
    Queue(CommandId::RACL, QStringLiteral("RACL"));
}
void SendRCST() {
    Queue(CommandId::RCST, QStringLiteral("RCST"));
}
void SendRCSP() {
    Queue(CommandId::RCSP, QStringLiteral("RCSP"));
}
void RequestRMOD() {
    Queue(CommandId::RMOD_Get, QStringLiteral("RMOD"));
}
void RequestSMOD() {
    Queue(CommandId::SMOD_Get, QStringLiteral("SMOD"));
}
void RequestSTAT() {
    Queue(CommandId::STAT, QStringLiteral("STAT"));
}
void RequestSTGW() {
    Queue(CommandId::STGW_Get, QStringLiteral("STGW"));
}
void RequestSTIP() {
    Queue(CommandId::STIP_Get, QStringLiteral("STIP"));
}
void RequestTIME() {
    Queue(CommandId::TIME_Get, QStringLiteral("TIME"));
}

void SendANIG(int32_t code) {
    QueueSetting(CommandId::ANIG_Set, QStringLiteral("ANIG ") + Num(code), code);
}
void SendGAIN(int32_t code) {
    QueueSetting(CommandId::GAIN_Set, QStringLiteral("GAIN ") + Num(code), code);
}

void SendGAMM(const GammaSetting& gamma) {
    QueueSetting(CommandId::GAMM_Set, QStringLiteral("GAMM ") + Num(gamma.Index) + u' ' + Num(gamma.Value),
                 gamma);
}

void SendMODE(int32_t mode) {
    if (mode == 0)
        Queue(CommandId::MODE_Set, QStringLiteral("MODE REC"));
    else if (mode == 1)
        Queue(CommandId::MODE_Set, QStringLiteral("MODE LIVE"));
}

QString RecordModeParameters(const RecordMode& m) {
    int32_t rate = 0;
    int32_t shutter = 0;
    if (m.SpeedMode == 0) {
        rate = HighRateCode(m.RateHigh);
        shutter = m.ShutterHigh;
    } else if (m.SpeedMode == 1) {
        rate = LowRateCode(m.ImageSize, m.RateLow);
        shutter = LowShutterCode(m.ShutterLow);
    }
    return Num(m.ImageSize) + u' ' + Num(rate) + u' ' + Num(static_cast<int16_t>(shutter)) + u' ' +
           Num(m.StrobeDelay) + u' ' + Num(m.Partition) + u' ' + Num(m.TrigMode) + u' ' + Num(m.PostCount);
}

void SendRMOD(const RecordMode& mode) {
    QueueSetting(CommandId::RMOD_Set, QStringLiteral("RMOD ") + RecordModeParameters(mode), mode);
}

void SendRQDL(const DownloadRequest& request) {
    Queue(CommandId::RQDL, DownloadText(request));
}

void SendThumbnailRQDL(int32_t slot, const DownloadRequest& request, int16_t extra) {
    if (slot < 0 || slot > 16) return;
    Queue(CommandId::ThumbFirst + slot, DownloadText(request), extra);
}

void SendRSTR(const QString& backup) {
    Queue(CommandId::RSTR, QStringLiteral("RSTR ") + backup);
}
void SendSMOD(int32_t code) {
    QueueSetting(CommandId::SMOD_Set, QStringLiteral("SMOD ") + Num(code), code);
}
void SendSTGW(const std::array<uint8_t, 4>& gateway) {
    QueueSetting(CommandId::STGW_Set, QStringLiteral("STGW ") + Dotted(gateway), gateway);
}
void SendSTIP(const std::array<uint8_t, 4>& address, uint8_t maskBits) {
    QueueSetting(CommandId::STIP_Set, QStringLiteral("STIP ") + Dotted(address) + u'/' + Num(maskBits),
                 SentAddress{address, maskBits});
}
void SendTIME(const QString& dateTime) {
    Queue(CommandId::TIME_Set, QStringLiteral("TIME ") + dateTime);
}

void RequestVERS(int32_t part) {
    static constexpr std::array<const char*, 3> parts{"VERS CODE", "VERS MAIN", "VERS FPGA"};
    if (part < 0 || part > 2) return;
    Queue(CommandId::VERS_CODE + part, QString::fromLatin1(parts[static_cast<std::size_t>(part)]));
}

void RequestWBPR(int32_t preset) {
    if (preset == 6 || preset == 7)
        Queue(CommandId::WBPR_Get, QStringLiteral("WBPR /") + Num(preset));
    else
        Queue(CommandId::WBPR_Get, QStringLiteral("WBPR"));
}

void SendWBPR(const WhiteBalance& wb) {
    QueueSetting(CommandId::WBPR_Set,
                 QStringLiteral("WBPR ") + Num(wb.Preset) + u' ' + Num(wb.Red) + u' ' + Num(wb.Green) + u' ' +
                     Num(wb.Blue),
                 wb);
}
