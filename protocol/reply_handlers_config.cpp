// Replies that carry the camera's network address, gateway, program versions and white balance.
#include "base/app_state.h"
#include "base/shared_state.h"
#include "base/text_fields.h"
#include "protocol/code_tables.h"
#include "protocol/command_channel.h"
#include "protocol/command_ids.h"
#include "protocol/command_set.h"
#include "protocol/main_control.h"
#include "protocol/reply_common.h"
#include "protocol/reply_handlers.h"

#include <array>

namespace {

const QString kTitleStgw = QStringLiteral("Gateway Setup");
const QString kTitleStip = QStringLiteral("IP Address/Sebnet Mask");
const QString kTitleVers = QStringLiteral("Camera Program Version Information");
const QString kTitleWbpr = QStringLiteral("White Balance Setup");

// Four dotted parts: first 1..255, middle two 0..255, last 1..254 (no network or broadcast host).
bool ParseAddress(const QString& p1, const QString& p2, const QString& p3, const QString& p4,
                  std::array<uint8_t, 4>& out) {
    static constexpr int32_t lo[4] = {1, 0, 0, 1};
    static constexpr int32_t hi[4] = {255, 255, 255, 254};
    const QString* parts[4] = {&p1, &p2, &p3, &p4};
    std::array<uint8_t, 4> bytes{};
    for (int i = 0; i < 4; ++i) {
        int32_t v = 0;
        if (!ParseInRange(*parts[i], lo[i], hi[i], v)) return false;
        bytes[static_cast<std::size_t>(i)] = static_cast<uint8_t>(v);
    }
    out = bytes;
    return true;
}

QString Dotted(const std::array<uint8_t, 4>& b) {
    return QStringLiteral("%1.%2.%3.%4").arg(b[0]).arg(b[1]).arg(b[2]).arg(b[3]);
}

} // namespace

void OnReplySTGW(const QString& line) {
    const ReplyFields f(line, QStringLiteral(" "), 2);
    if (f.Count() < 2 || !IsSuccess(f[1])) {
        ReplyMessage(kTitleStgw, kMsgCommandInvalid);
    } else {
        const ReplyFields p(f[2], QStringLiteral("."), 4);
        std::array<uint8_t, 4> gateway{};
        if (p.Count() < 4 || !ParseAddress(p[1], p[2], p[3], p[4], gateway))
            ReplyMessage(kTitleStgw, kMsgParameterInvalid);
        else
            g_bytCamGateway = gateway;
    }
    FinishCommand();
}

void OnReplySTGWSet(const QString& line) {
    if (IsSuccess(line))
        g_bytCamGateway = SentValue(g_bytCamGatewayNew);
    else
        ReplyMessage(kTitleStgw, QStringLiteral("Invalid gateway address."));
    FinishCommand();
}

void OnReplySTIP(const QString& line) {
    const ReplyFields f(line, QStringLiteral(" "), 2);
    if (f.Count() < 2 || !IsSuccess(f[1])) {
        ReplyMessage(kTitleStip, kMsgCommandInvalid);
        FinishCommand();
        return;
    }
    const ReplyFields p(f[2], QStringLiteral("."), 4);
    const QString last = p[4];
    const qsizetype slash = last.indexOf(u'/');
    std::array<uint8_t, 4> address{};
    int32_t bits = 0;
    if (p.Count() < 4 || slash < 0 || !ParseAddress(p[1], p[2], p[3], last.left(slash), address) ||
        !ParseInRange(last.mid(slash + 1), 0, 31, bits)) {
        ReplyMessage(kTitleStip, kMsgParameterInvalid);
    } else {
        g_bytCamIP = address;
        g_bytCamMaskBits = static_cast<uint8_t>(bits);
    }
    FinishCommand();
}

void OnReplySTIPSet(const QString& line) {
    const QString code = ReplyFields(line, QStringLiteral(" "), 2)[1];
    if (IsSuccess(code)) {
        const SentAddress sent = SentValue(SentAddress{g_bytCamIPNew, g_bytCamMaskBitsNew});
        g_bytCamIP = sent.Address;
        g_bytCamMaskBits = sent.MaskBits;
        // The camera answers at its new address from now on: connect there, and drop this
        // connection. The queue is reset when the next connection completes.
        ApplyClientIP(Dotted(sent.Address));
        UntickConnect();
        return;
    }
    if (code == QLatin1String("501"))
        ReplyMessage(kTitleStip, QStringLiteral("Invalid IP address."));
    else if (code == QLatin1String("502"))
        ReplyMessage(kTitleStip, QStringLiteral("Invalid subnet mask."));
    else
        ReplyMessage(kTitleStip, kMsgCommandInvalid);
    FinishCommand();
}

void OnReplyVERS(const QString& line) {
    const int32_t id = g_lngCurCmd;
    const ReplyFields f(line, QStringLiteral(" "), 3);
    if (id < CommandId::VERS_CODE || id > CommandId::VERS_FPGA) {
        // not a VERS command: only end it
    } else if (!IsSuccess(line)) {
        ReplyMessage(kTitleVers, kMsgCommandInvalid);
    } else if (id == CommandId::VERS_MAIN) {
        int16_t main = 0;
        if (f.Count() >= 2 && ParseDigits16(f[2], main)) {
            g_intVersion[2] = main;
            g_intVersion[3] = 0;
        } else {
            ReplyMessage(kTitleVers, kMsgParameterInvalid);
        }
    } else {
        int16_t a = 0;
        int16_t b = 0;
        if (f.Count() >= 3 && ParseDigits16(f[2], a) && ParseDigits16(f[3], b)) {
            const std::size_t first = id == CommandId::VERS_CODE ? 0 : 4;
            g_intVersion[first] = a;
            g_intVersion[first + 1] = b;
        } else {
            ReplyMessage(kTitleVers, kMsgParameterInvalid);
        }
    }
    FinishCommand();
}

void OnReplyWBPR(const QString& line) {
    const ReplyFields f(line, QStringLiteral(" "), 5);
    if (g_lngCurCmd == CommandId::WBPR_Get) {
        if (f.Count() < 5 || !IsSuccess(f[1])) {
            ReplyMessage(kTitleWbpr, kMsgCommandInvalid);
            FinishCommand();
            return;
        }
        int32_t preset = 0;
        int32_t rgb[3] = {};
        if (!ParseInRange(f[2], 0, 7, preset) || !ParseInRange(f[3], 0, 255, rgb[0]) ||
            !ParseInRange(f[4], 0, 255, rgb[1]) || !ParseInRange(f[5], 0, 255, rgb[2])) {
            // An unknown balance falls back to daylight, silently.
            const Rgb16 c = PresetRGB(0);
            g_WB = WhiteBalance{0, c.Red, c.Green, c.Blue};
        } else if (preset == 6 || preset == 7) {
            const auto r = static_cast<int16_t>(rgb[0]);
            const auto g = static_cast<int16_t>(rgb[1]);
            const auto b = static_cast<int16_t>(rgb[2]);
            g_WB = WhiteBalance{preset, r, g, b};
            g_UserWB[preset == 6 ? 0 : 1] = UserWhiteBalance{r, g, b};
        } else {
            const Rgb16 c = PresetRGB(preset);
            g_WB = WhiteBalance{preset, c.Red, c.Green, c.Blue};
        }
    } else if (g_lngCurCmd == CommandId::WBPR_Set) {
        if (f.Count() < 1) {
            ReplyMessage(kTitleWbpr, kMsgCommandInvalid);
        } else if (!IsSuccess(f[1])) {
            ReplyMessage(kTitleWbpr, QStringLiteral("Cannot change white balance setting."));
        } else {
            g_WB = SentValue(g_WBNew);
            if (g_WB.Preset == 6 || g_WB.Preset == 7)
                g_UserWB[g_WB.Preset == 6 ? 0 : 1] = UserWhiteBalance{g_WB.Red, g_WB.Green, g_WB.Blue};
        }
    }
    FinishCommand();
}
