// Replies of the simple camera settings (analog gain, gain, gamma, master/slave, memory size),
// the settings-memory backup and restore, and the camera clock.
#include "base/settings.h"
#include "base/shared_state.h"
#include "base/text_fields.h"
#include "protocol/code_tables.h"
#include "protocol/command_channel.h"
#include "protocol/command_ids.h"
#include "protocol/reply_common.h"
#include "protocol/reply_handlers.h"
#include "protocol/window_hooks.h"

namespace {

const QString kTitleAnig = QStringLiteral("Analog Input Gain setup");
const QString kTitleGain = QStringLiteral("Gain Setup");
const QString kTitleGamm = QStringLiteral("Gamma Setup");
const QString kTitleSmod = QStringLiteral("Master/Slave Setup");
const QString kTitleDram = QStringLiteral("Memory Status Information");
const QString kTitleBkup = QStringLiteral("EPROM Backup");
const QString kTitleRstr = QStringLiteral("EPROM Restore");
const QString kTitleTime = QStringLiteral("Date/Time Setup");

// The query form: field count, success on field 1, field 2 in min..max. True with the value.
bool QueryValue(const QString& line, const QString& title, const QString& failText, int32_t min, int32_t max,
                int32_t& value) {
    const ReplyFields f(line, QStringLiteral(" "), 2);
    if (f.Count() < 2) {
        ReplyMessage(title, kMsgCommandInvalid);
        return false;
    }
    if (!IsSuccess(f[1])) {
        ReplyMessage(title, failText);
        return false;
    }
    if (!ParseInRange(f[2], min, max, value)) {
        ReplyMessage(title, kMsgParameterInvalid);
        return false;
    }
    return true;
}

// The set form: a reply code, success on field 1. True when the camera took the value.
bool SetAccepted(const QString& line, const QString& title, const QString& failText) {
    const ReplyFields f(line, QStringLiteral(" "), 2);
    if (f.Count() < 1) {
        ReplyMessage(title, kMsgCommandInvalid);
        return false;
    }
    if (!IsSuccess(f[1])) {
        ReplyMessage(title, failText);
        return false;
    }
    return true;
}

} // namespace

void OnReplyANIG(const QString& line) {
    int32_t value = 0;
    if (g_lngCurCmd == CommandId::ANIG_Get) {
        if (QueryValue(line, kTitleAnig, QStringLiteral("Cannot get gain data."), 0, 4, value))
            g_lngAnalogGain = value;
    } else if (g_lngCurCmd == CommandId::ANIG_Set) {
        if (SetAccepted(line, kTitleAnig, QStringLiteral("Cannot change gain setting."))) {
            g_lngAnalogGain = SentValue(g_lngAnalogGainNew);
            if (ConsoleOpen()) Hooks().ConsoleShowAnalogGain(g_lngAnalogGain);
        }
    }
    FinishCommand();
}

void OnReplyGAIN(const QString& line) {
    int32_t value = 0;
    bool changed = false;
    if (g_lngCurCmd == CommandId::GAIN_Get) {
        if (QueryValue(line, kTitleGain, QStringLiteral("Cannot get gain data."), 0, 6, value)) {
            g_lngGain = value;
            changed = true;
        }
    } else if (g_lngCurCmd == CommandId::GAIN_Set) {
        if (SetAccepted(line, kTitleGain, QStringLiteral("Cannot change gain setting."))) {
            g_lngGain = SentValue(g_lngGainNew);
            changed = true;
        }
    }
    if (changed && ConsoleOpen()) Hooks().ConsoleShowGain(g_lngGain);
    FinishCommand();
}

void OnReplyGAMM(const QString& line) {
    const ReplyFields f(line, QStringLiteral(" "), 3);
    if (g_lngCurCmd == CommandId::GAMM_Get) {
        int32_t index = 0;
        if (f.Count() < 2)
            ReplyMessage(kTitleGamm, kMsgCommandInvalid);
        else if (!IsSuccess(line))
            ReplyMessage(kTitleGamm, QStringLiteral("Cannot get gammma data."));
        else if (ParseInRange(f[2], 0, 3, index))
            g_Gamma = GammaSetting{index, GammaValue(index)};
        else
            g_Gamma = GammaSetting{0, 100}; // an unknown gamma falls back to none, silently
    } else if (g_lngCurCmd == CommandId::GAMM_Set) {
        if (SetAccepted(line, kTitleGamm, QStringLiteral("Cannot change gamma setting.")))
            g_Gamma = SentValue(g_GammaNew);
    }
    FinishCommand();
}

void OnReplySMOD(const QString& line) {
    int32_t value = 0;
    if (g_lngCurCmd == CommandId::SMOD_Get) {
        if (QueryValue(line, kTitleSmod, kMsgCommandInvalid, 0, 1, value)) g_lngSyncMode = value;
    } else if (g_lngCurCmd == CommandId::SMOD_Set) {
        if (SetAccepted(line, kTitleSmod, QStringLiteral("Cannot change Master/Slave setting.")))
            g_lngSyncMode = SentValue(g_lngSyncModeNew);
    }
    FinishCommand();
}

void OnReplyDRAM(const QString& line) {
    int32_t value = 0;
    if (QueryValue(line, kTitleDram, QStringLiteral("Cannot get DRAM size data."), 0, 2, value))
        g_lngMemSize = value;
    FinishCommand();
}

namespace {

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// The settings file trims blanks around a value; a value in double quotes keeps them, the
// quotes being taken off again on reading. Quoted too: a text that itself starts and ends with
// a quote, so that reading takes off only the pair added here.
bool NeedsQuotes(const QString& text) {
    if (text.isEmpty()) return false;
    if (IsBlank(text.front()) || IsBlank(text.back())) return true;
    return text.size() >= 2 && text.front() == u'"' && text.back() == u'"';
}

} // namespace

bool SaveEpromBackup(const QString& text) {
    // Refused: what the file cannot give back unchanged. A read returns at most kIniValueMax
    // characters of 8-bit text on one line.
    if (text.size() > kIniValueMax) return false;
    for (QChar c : text)
        if (c == u'\r' || c == u'\n' || c == u'\0' || c.unicode() > 0xFF) return false;
    const QString stored = NeedsQuotes(text) ? u'"' + text + u'"' : text;
    return WriteIniString(QStringLiteral("EPROM"), QStringLiteral("Data"), stored) != 0;
}

QString ReadEpromBackup() {
    QString value =
        ReadIniString(QStringLiteral("EPROM"), QStringLiteral("Data"), QString(), kIniValueMax + 2);
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"')
        value = value.mid(1, value.size() - 2);
    return value.left(kIniValueMax);
}

void OnReplyBKUP(const QString& line) {
    if (!IsSuccess(line)) {
        ReplyMessage(kTitleBkup, kMsgCommandInvalid);
    } else {
        const qsizetype blank = line.indexOf(u' ');
        const QString text = blank < 0 ? line : line.mid(blank + 1);
        if (SaveEpromBackup(text))
            ReplyMessage(kTitleBkup, QStringLiteral("Data backup successfully compleated."));
        else
            ReplyMessage(kTitleBkup, QStringLiteral("Backup data cannot be stored. Previous backup kept."));
    }
    FinishCommand();
}

void OnReplyRSTR(const QString& line) {
    const QString code = line.left(3);
    if (code == QLatin1String("200"))
        ReplyMessage(kTitleRstr, QStringLiteral("Date restore successfully complated."));
    else if (code == QLatin1String("501"))
        ReplyMessage(kTitleRstr, QStringLiteral("Cannot restore EPROM data."));
    else
        ReplyMessage(kTitleRstr, kMsgCommandInvalid);
    FinishCommand();
}
