// The frame table from the command line: "frames" prints it, "export --csv OUT" writes it beside
// (or instead of) the pictures.
#include "ctl/ctl_commands.h"
#include "playback/frame_table.h"
#include "playback/play_file.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <cstdio>

namespace {

const QString kTitle = QStringLiteral("Frame Data");

bool ToInt(const QString& text, int& out) {
    bool ok = false;
    out = text.toInt(&ok);
    return ok;
}

// Opens the data file with the player's checks; the message goes out on failure.
bool OpenFile(ConsoleUi& ui, const QString& path, PlayFile& file) {
    const OpenCheck check = ReadDataFile(path, file);
    if (check.message.isEmpty()) return true;
    ui.MessageBox(QStringLiteral("Play Control"), check.message, MsgIcon::Information, MsgButtons::Ok);
    return false;
}

// "A:B" inside the file, or the whole file when the text is empty.
int ParseRange(const QString& text, const PlayFile& file, int& first, int& last) {
    first = file.firstFrame;
    last = file.lastFrame;
    if (!text.isEmpty()) {
        const QStringList ends = text.split(QLatin1Char(':'));
        if (ends.size() != 2 || !ToInt(ends[0], first) || !ToInt(ends[1], last)) {
            std::fprintf(stderr, "zrkctl: --range takes A:B\n");
            return kExitUsage;
        }
    }
    if (first < file.firstFrame || last > file.lastFrame || first > last) {
        std::fprintf(stderr, "Frame Data: the file holds frames %d to %d; %d to %d is not a range of them\n",
                     file.firstFrame, file.lastFrame, first, last);
        return kExitFailed;
    }
    return kExitOk;
}

// The rows read, or the read failure reported.
bool ReadRows(ConsoleUi& ui, const PlayFile& file, int first, int last, int step, FrameTable& table) {
    table = ReadFrameTable(file, first, last, step);
    if (table.error.isEmpty()) return true;
    ui.MessageBox(kTitle, table.error, MsgIcon::Information, MsgButtons::Ok);
    return false;
}

// Takes "--csv OUT" or "--csv=OUT" out of args; false when it has no value.
bool TakeCsv(QStringList& args, QString& csv, bool& given) {
    given = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--csv")) {
            if (i + 1 >= args.size()) return false;
            csv = args[i + 1];
            args.remove(i, 2);
            given = true;
            --i;
        } else if (args[i].startsWith(QLatin1String("--csv="))) {
            csv = args[i].mid(6);
            args.remove(i);
            given = true;
            --i;
        }
    }
    return !given || !csv.isEmpty();
}

} // namespace

int CmdFrames(CtlSession&, ConsoleUi& ui, const QStringList& args) {
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Prints JSON instead of CSV."));
    const QCommandLineOption range(QStringLiteral("range"),
                                   QStringLiteral("Frames A to B of the file (default all)."),
                                   QStringLiteral("A:B"));
    parser.addOptions({json, range});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The data file."));
    int status = kExitOk;
    if (!ParseCommandOptions(parser, CommandNamed("frames"), args, 1, 1, status)) return status;
    PlayFile file;
    if (!OpenFile(ui, parser.positionalArguments()[0], file)) return kExitFailed;
    int first = 0, last = 0;
    if ((status = ParseRange(parser.value(range), file, first, last)) != kExitOk) return status;
    FrameTable table;
    const bool whole = ReadRows(ui, file, first, last, 1, table);
    const QByteArray text = parser.isSet(json) ? FrameTableJson(file, table) : FrameTableCsv(table);
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
    return whole ? kExitOk : kExitFailed;
}

int CmdExportWithFrameData(CtlSession& session, ConsoleUi& ui, const QStringList& given) {
    QStringList args = given;
    QString csv;
    bool wanted = false;
    if (!TakeCsv(args, csv, wanted)) {
        std::fprintf(stderr, "zrkctl export: --csv takes a file name\n");
        return kExitUsage;
    }
    const bool help = args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
    const auto has = [&args](const char* option) {
        const QString name = QLatin1String(option);
        for (const QString& a : args)
            if (a == name || a.startsWith(name + u'=')) return true;
        return false;
    };
    const bool pictures = has("--avi") || has("--bmp");
    if (!wanted || help) return CmdExport(session, ui, args);
    // The pictures first: their failure leaves no table behind.
    if (pictures) {
        if (const int status = CmdExport(session, ui, args); status != kExitOk) return status;
    }

    QCommandLineParser parser;
    const QCommandLineOption avi(QStringLiteral("avi"), QString(), QStringLiteral("OUT"));
    const QCommandLineOption rate(QStringLiteral("rate"), QString(), QStringLiteral("N"));
    const QCommandLineOption bmp(QStringLiteral("bmp"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption interval(QStringLiteral("interval"), QString(), QStringLiteral("N"),
                                      QStringLiteral("1"));
    const QCommandLineOption range(QStringLiteral("range"), QString(), QStringLiteral("A:B"));
    parser.addOptions({avi, rate, bmp, interval, range});
    int status = kExitOk;
    if (!ParseCommandOptions(parser, CommandNamed("export"), args, 1, 1, status)) return status;
    int step = 1;
    // A movie holds every frame of its range; bitmaps (or the table alone) every interval-th.
    if (!parser.isSet(avi) && (!ToInt(parser.value(interval), step) || step < 1)) {
        std::fprintf(stderr, "zrkctl export: --interval must be at least 1\n");
        return kExitUsage;
    }
    if (parser.isSet(avi)) step = 1;
    PlayFile file;
    if (!OpenFile(ui, parser.positionalArguments()[0], file)) return kExitFailed;
    int first = 0, last = 0;
    if ((status = ParseRange(parser.value(range), file, first, last)) != kExitOk) return status;
    FrameTable table;
    if (!ReadRows(ui, file, first, last, step, table)) return kExitFailed;
    if (!WriteFrameTableCsv(QFileInfo(csv).absoluteFilePath(), file, table)) {
        ui.MessageBox(kTitle, QStringLiteral("Cannot write to file."), MsgIcon::Information, MsgButtons::Ok);
        return kExitFailed;
    }
    return kExitOk;
}
