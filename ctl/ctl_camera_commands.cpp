// info, record-mode, start, stop, trigger, clear and wait.
#include "base/shared_state.h"
#include "ctl/ctl_commands.h"
#include "ctl/record_choice.h"
#include "protocol/code_tables.h"
#include "protocol/command_set.h"
#include "transfer/thumbnail_table.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <span>

namespace {
// A caption from a code table, or the code itself when the camera sent one the table lacks.
template <std::size_t N> QString Caption(const std::array<const char*, N>& table, int32_t code) {
    if (code >= 0 && static_cast<std::size_t>(code) < N) return QString::fromLatin1(table[std::size_t(code)]);
    return QStringLiteral("code %1").arg(code);
}

QString RateCaption(const RecordMode& m) {
    if (m.SpeedMode == 0) {
        if (m.RateHigh >= 0 && std::size_t(m.RateHigh) < kFrameRates.size())
            return QString::fromLatin1(kFrameRates[std::size_t(m.RateHigh)].caption);
        return QStringLiteral("code %1").arg(m.RateHigh);
    }
    return Caption(kSlowRateCaptions, m.RateLow);
}

QString ShutterCaption(const RecordMode& m) {
    return m.SpeedMode == 0 ? Caption(kShutterHighCaptions, m.ShutterHigh)
                            : Caption(kShutterLowCaptions, m.ShutterLow);
}

QString Dotted(std::span<const uint8_t> bytes) {
    QStringList parts;
    for (uint8_t b : bytes)
        parts << QString::number(b);
    return parts.join(QLatin1Char('.'));
}

// Part numbers of the camera's programs, as the versions window writes them.
QString PartNumber(const char* prefix, int16_t version) {
    return QString::fromLatin1(prefix) + QStringLiteral("%1").arg(version, 2, 10, QLatin1Char('0'));
}

QJsonObject RecordModeJson(const RecordMode& m) {
    return QJsonObject{
        {"rate", RateCaption(m)},
        {"size",
         Caption(std::array<const char*, 4>{"200x200", "256x256", "512x256", "512x512"}, m.ImageSize)},
        {"shutter", ShutterCaption(m)},
        {"strobe", Caption(kStrobeCaptions, m.StrobeDelay)},
        {"regions", m.Partition + 1},
        {"trigger", Caption(kTrigModeCaptions, m.TrigMode)},
        {"postFrames", m.PostCount}};
}

QString RecordModeLine(const QJsonObject& r) {
    return QStringLiteral("%1 %2 shutter %3 strobe %4, %5 region(s), trigger %6, %7 frames after")
        .arg(r["rate"].toString(), r["size"].toString(), r["shutter"].toString(), r["strobe"].toString())
        .arg(r["regions"].toInt())
        .arg(r["trigger"].toString())
        .arg(r["postFrames"].toInt());
}

QJsonObject ReadOut(const CtlSession& session) {
    const RecordMode& m = g_RecMode;
    QJsonArray regions;
    for (int i = 0; i <= std::clamp(m.Partition, 0, 3); ++i) {
        const auto r = std::size_t(i);
        const int32_t recorded = g_RegionFrames[r].Recorded;
        regions.append(QJsonObject{{"region", i + 1},
                                   {"recorded", recorded},
                                   {"capacity", g_RegionFrames[r].Capacity},
                                   {"triggerFromEnd", g_lngTrigPos[r]},
                                   {"triggerFrame", TriggerFrameNumber(recorded, g_lngTrigPos[r])}});
    }
    const int memoryMiB = g_lngMemSize >= 0 && g_lngMemSize <= 2 ? 128 << g_lngMemSize : 0;
    return QJsonObject{
        {"clock", session.cameraClock.isValid() ? session.cameraClock.toString(Qt::ISODate) : QString()},
        {"memoryMiB", memoryMiB},
        {"versions", QJsonObject{{"code", QStringLiteral("%1.%2").arg(g_intVersion[0]).arg(g_intVersion[1])},
                                 {"main", PartNumber("KB4401-", g_intVersion[2])},
                                 {"cpuCard", PartNumber("KB4402-", g_intVersion[4])},
                                 {"tgCard", PartNumber("KB4403-", g_intVersion[5])}}},
        {"network", QJsonObject{{"address", Dotted(g_bytCamIP)},
                                {"maskBits", g_bytCamMaskBits},
                                {"gateway", Dotted(g_bytCamGateway)}}},
        {"mode", g_lngCamMode == 1 ? QStringLiteral("LIVE") : QStringLiteral("REC")},
        {"recordMode", RecordModeJson(m)},
        {"gain", Caption(kGainCaptions, g_lngGain)},
        {"gamma", Caption(kGammaCaptions, g_Gamma.Index)},
        {"whiteBalance", QJsonObject{{"preset", Caption(kPresetCaptions, g_WB.Preset)},
                                     {"red", g_WB.Red},
                                     {"green", g_WB.Green},
                                     {"blue", g_WB.Blue}}},
        {"analogGain", Caption(kAnalogGainCaptions, g_lngAnalogGain)},
        {"sync", Caption(kSyncModeCaptions, g_lngSyncMode)},
        {"runState", g_lngRunState == 1   ? QStringLiteral("recording")
                     : g_lngRunState == 3 ? QStringLiteral("live")
                                          : QStringLiteral("idle")},
        {"dataState", g_lngDataState == 0   ? QStringLiteral("empty")
                      : g_lngDataState == 1 ? QStringLiteral("partly recorded")
                                            : QStringLiteral("full")},
        {"regionCounts", regions},
    };
}

void PrintText(const QJsonObject& o) {
    auto line = [](const char* key, const QString& value) {
        std::printf("%-14s %s\n", key, qPrintable(value));
    };
    const QJsonObject v = o["versions"].toObject(), n = o["network"].toObject(),
                      r = o["recordMode"].toObject(), wb = o["whiteBalance"].toObject();
    line("clock", o["clock"].toString());
    line("versions", QStringLiteral("code %1, Main %2, CPU Card %3, TG Card %4")
                         .arg(v["code"].toString(), v["main"].toString(), v["cpuCard"].toString(),
                              v["tgCard"].toString()));
    line("memory", QStringLiteral("%1 MiB").arg(o["memoryMiB"].toInt()));
    line("network", QStringLiteral("%1/%2 gateway %3")
                        .arg(n["address"].toString())
                        .arg(n["maskBits"].toInt())
                        .arg(n["gateway"].toString()));
    line("mode", o["mode"].toString());
    line("record mode", RecordModeLine(r));
    line("gain", o["gain"].toString());
    line("gamma", o["gamma"].toString());
    line("white balance", QStringLiteral("%1 (R %2 G %3 B %4)")
                              .arg(wb["preset"].toString())
                              .arg(wb["red"].toInt())
                              .arg(wb["green"].toInt())
                              .arg(wb["blue"].toInt()));
    line("analog input", o["analogGain"].toString());
    line("sync", o["sync"].toString());
    line("state", o["runState"].toString() + QStringLiteral(", ") + o["dataState"].toString());
    for (const QJsonValue& value : o["regionCounts"].toArray()) {
        const QJsonObject region = value.toObject();
        const QString name = QStringLiteral("region %1").arg(region["region"].toInt());
        const int trigger = region["triggerFrame"].toInt();
        line(qPrintable(name),
             QStringLiteral("%1 of %2 frames, trigger %3")
                 .arg(region["recorded"].toInt())
                 .arg(region["capacity"].toInt())
                 .arg(trigger < 0 ? QStringLiteral("none") : QStringLiteral("at frame %1").arg(trigger)));
    }
}

int SimpleCommand(CtlSession& session, const QStringList& args, const char* name, void (*send)()) {
    QCommandLineParser parser;
    int status = kExitOk;
    if (!ParseCommandOptions(parser, CommandNamed(name), args, 0, 0, status)) return status;
    if ((status = session.Connect()) != kExitOk) return status;
    return session.Run(send) ? kExitOk : session.FailureStatus();
}
} // namespace

int CmdInfo(CtlSession& session, ConsoleUi&, const QStringList& args) {
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Prints one JSON object."));
    parser.addOption(json);
    int status = kExitOk;
    if (!ParseCommandOptions(parser, CommandNamed("info"), args, 0, 0, status)) return status;
    if ((status = session.Connect()) != kExitOk) return status;
    // As the main window's "Date/Time" does: the TIME reply hands the camera's clock over; the
    // trigger positions are asked as the browser does.
    g_blnTimeDialogPending = true;
    if (!session.Run([] {
            RequestTIME();
            RequestPTRG();
        }))
        return session.FailureStatus();
    const QJsonObject readOut = ReadOut(session);
    if (parser.isSet(json))
        std::printf("%s", QJsonDocument(readOut).toJson(QJsonDocument::Indented).constData());
    else
        PrintText(readOut);
    return kExitOk;
}

int CmdRecordMode(CtlSession& session, ConsoleUi&, const QStringList& args) {
    QCommandLineParser parser;
    const QCommandLineOption rate(
        QStringLiteral("rate"), QStringLiteral("300FPS ... 30FPS, or 1SPF ... 60SPF."), QStringLiteral("R"));
    const QCommandLineOption size(
        QStringLiteral("size"), QStringLiteral("200x200, 256x256, 512x256 or 512x512."), QStringLiteral("S"));
    const QCommandLineOption shutter(QStringLiteral("shutter"),
                                     QStringLiteral("Open, 1/300 ... (by speed and size)."),
                                     QStringLiteral("X"));
    const QCommandLineOption strobe(QStringLiteral("strobe"),
                                    QStringLiteral("\"Not Use\" or Delay0 ... Delay7."), QStringLiteral("D"));
    const QCommandLineOption regions(QStringLiteral("regions"), QStringLiteral("1 to 4 memory regions."),
                                     QStringLiteral("N"));
    const QCommandLineOption trigger(QStringLiteral("trigger"), QStringLiteral("start, center or end."),
                                     QStringLiteral("T"));
    const QCommandLineOption post(QStringLiteral("post"), QStringLiteral("Frames after a centred trigger."),
                                  QStringLiteral("N"));
    parser.addOptions({rate, size, shutter, strobe, regions, trigger, post});
    int status = kExitOk;
    if (!ParseCommandOptions(parser, CommandNamed("record-mode"), args, 0, 0, status)) return status;

    RecordChoice choice;
    choice.rate = parser.value(rate);
    choice.size = parser.value(size);
    choice.shutter = parser.value(shutter);
    choice.strobe = parser.value(strobe);
    choice.trigger = parser.value(trigger);
    bool ok = true;
    if (parser.isSet(regions)) choice.regions = parser.value(regions).toInt(&ok);
    if (ok && parser.isSet(post)) {
        choice.post = parser.value(post).toInt(&ok);
        ok = ok && choice.post >= 0;
    }
    if (!ok) {
        std::fprintf(stderr, "zrkctl record-mode: --regions and --post take whole numbers\n");
        return kExitUsage;
    }
    if (const QString wrong = CheckRecordWords(choice); !wrong.isEmpty()) {
        std::fprintf(stderr, "zrkctl record-mode: %s\n", qPrintable(wrong));
        return kExitUsage;
    }
    if ((status = session.Connect()) != kExitOk) return status;
    const RecordChoiceResult result = ResolveRecordChoice(choice, g_RecMode, g_lngMemSize);
    if (!result.mode) {
        std::fprintf(stderr, "Record Setup: %s\n", qPrintable(result.error));
        return kExitFailed;
    }
    const RecordMode wanted = *result.mode;
    g_RecModeNew = wanted;
    if (!session.Run([&] { SendRMOD(wanted); })) return session.FailureStatus();
    if (!(g_RecMode == wanted)) {
        std::fprintf(stderr, "Record Setup: the camera did not take the record mode\n");
        return kExitFailed;
    }
    std::printf("%s\n", qPrintable(RecordModeLine(RecordModeJson(g_RecMode))));
    return kExitOk;
}

int CmdStart(CtlSession& session, ConsoleUi&, const QStringList& args) {
    QCommandLineParser parser;
    int status = kExitOk;
    if (!ParseCommandOptions(parser, CommandNamed("start"), args, 0, 0, status)) return status;
    if ((status = session.Connect()) != kExitOk) return status;
    // As the console's "Start": live output ends before recording starts.
    if (g_lngCamMode == 1 && !session.Run([] { SendMODE(0); })) return session.FailureStatus();
    return session.Run(SendRCST) ? kExitOk : session.FailureStatus();
}

int CmdStop(CtlSession& session, ConsoleUi&, const QStringList& args) {
    return SimpleCommand(session, args, "stop", SendRCSP);
}

int CmdTrigger(CtlSession& session, ConsoleUi&, const QStringList& args) {
    return SimpleCommand(session, args, "trigger", SendTRIG);
}

int CmdClear(CtlSession& session, ConsoleUi&, const QStringList& args) {
    return SimpleCommand(session, args, "clear", SendRACL);
}

int CmdWait(CtlSession& session, ConsoleUi&, const QStringList& args) {
    QCommandLineParser parser;
    const QCommandLineOption until(QStringLiteral("until"), QStringLiteral("idle (default) or full."),
                                   QStringLiteral("WHAT"), QStringLiteral("idle"));
    const QCommandLineOption region(QStringLiteral("region"),
                                    QStringLiteral("Region 1-4 for --until full (default 1)."),
                                    QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption timeout(QStringLiteral("timeout"),
                                     QStringLiteral("Seconds to wait (default 60)."), QStringLiteral("S"),
                                     QStringLiteral("60"));
    parser.addOptions({until, region, timeout});
    int status = kExitOk;
    if (!ParseCommandOptions(parser, CommandNamed("wait"), args, 0, 0, status)) return status;
    bool okRegion = false, okTimeout = false;
    const int r = parser.value(region).toInt(&okRegion) - 1;
    const int seconds = parser.value(timeout).toInt(&okTimeout);
    const QString what = parser.value(until);
    if (!okRegion || r < 0 || r > 3 || !okTimeout || seconds < 1 ||
        (what != QLatin1String("idle") && what != QLatin1String("full"))) {
        std::fprintf(stderr, "zrkctl wait: --until idle|full, --region 1-4, --timeout seconds\n");
        return kExitUsage;
    }
    const bool full = what == QLatin1String("full");
    if ((status = session.Connect()) != kExitOk) return status;
    if (r > g_RecMode.Partition) {
        std::fprintf(stderr, "zrkctl wait: the camera has %d region(s); there is no region %d\n",
                     g_RecMode.Partition + 1, r + 1);
        return kExitFailed;
    }
    auto reached = [&] {
        if (!session.ChannelIdle()) return false;
        if (full) {
            const RegionCount& c = g_RegionFrames[std::size_t(r)];
            return c.Capacity > 0 && c.Recorded >= c.Capacity;
        }
        return g_lngRunState == 0;
    };
    // Ask the camera itself about once a second; the STAT reply brings the region counts too.
    QElapsedTimer sinceAsked;
    sinceAsked.start();
    bool asked = false;
    const bool done = session.WaitFor(
        [&] {
            if (asked && reached()) return true;
            if (session.ChannelIdle() && (!asked || sinceAsked.elapsed() >= 1000)) {
                RequestSTAT();
                asked = true;
                sinceAsked.restart();
            }
            return false;
        },
        seconds * 1000);
    if (done) return kExitOk;
    if (session.timedOut()) {
        std::fprintf(stderr, "zrkctl wait: the camera was not %s within %d s\n", full ? "full" : "idle",
                     seconds);
        return kExitTimedOut;
    }
    return session.FailureStatus();
}
