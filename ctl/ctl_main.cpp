// zrkctl: scripted acquisition with the program's own core and no windows on screen.
//   zrkctl [--camera HOST[:CMD[:DATA]]] [--connect-timeout S] [--trace] COMMAND [ARGS...]
// The global options may come anywhere on the line, before or after the command.
#include "base/settings.h"
#include "ctl/ctl_commands.h"
#include "ctl/ctl_signals.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
void PrintUsage(std::FILE* out) {
    std::fprintf(
        out, "Usage: zrkctl [--camera HOST[:CMD[:DATA]]] [--connect-timeout S] [--trace] COMMAND [ARGS]\n"
             "       zrkctl --help | --version\n"
             "Drives a ZRK-1 camera from scripts. The camera address and ports come from --camera,\n"
             "else from Zrk1.ini beside the program. The camera serves one client at a time.\n"
             "Options may come before or after the command. Every message the program would show goes\n"
             "to standard error. Exit status: 0 only when the command did all it was asked (a download:\n"
             "every byte written, synced, and the camera's closing reply in), 1 when the camera or the\n"
             "program refused or failed, 2 for a wrong command line, 3 when there is no camera, it was\n"
             "lost or stopped answering, 4 when a --timeout ran out, 128+N on signal N (SIGINT, SIGTERM,\n"
             "SIGHUP).\n\nCommands (COMMAND --help for each):\n");
    for (const CtlCommand& c : CtlCommands())
        std::fprintf(out, "  %-12s %s\n%17s%s\n", c.name, c.synopsis, "", c.summary);
    std::fprintf(out, "\nOne settings file per camera: --settings FILE reads and writes FILE\n"
                      "instead of Zrk1.ini beside the program, creating it on first use.\n");
}

// "HOST[:CMD[:DATA]]"
bool ParseCamera(const QString& text, CameraAddress& address) {
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.isEmpty() || parts.size() > 3 || parts[0].isEmpty()) return false;
    address.host = parts[0];
    int* ports[] = {&address.commandPort, &address.dataPort};
    for (qsizetype i = 1; i < parts.size(); ++i) {
        bool ok = false;
        const int port = parts[i].toInt(&ok);
        if (!ok || port < 1 || port > 65535) return false;
        *ports[i - 1] = port;
    }
    return true;
}

struct GlobalOptions {
    CameraAddress camera;
    int connectTimeoutMs = 20000;
    bool trace = false;
};

// Takes zrkctl's own options out of args, wherever they are. kExitOk or kExitUsage.
int TakeGlobalOptions(QStringList& args, GlobalOptions& options) {
    for (qsizetype i = 0; i < args.size();) {
        const QString a = args[i];
        QString value;
        const bool takesValue = a == QLatin1String("--camera") || a == QLatin1String("--connect-timeout") ||
                                a == QLatin1String("--settings");
        if (a == QLatin1String("--trace")) {
            options.trace = true;
            args.removeAt(i);
            continue;
        }
        if (!takesValue) {
            ++i;
            continue;
        }
        if (i + 1 >= args.size()) {
            std::fprintf(stderr, "zrkctl: %s needs a value\n", qPrintable(a));
            return kExitUsage;
        }
        value = args[i + 1];
        args.remove(i, 2);
        if (a == QLatin1String("--settings")) {
            SetSettingsFile(value);
        } else if (a == QLatin1String("--camera")) {
            if (!ParseCamera(value, options.camera)) {
                std::fprintf(stderr, "zrkctl: --camera takes HOST[:COMMANDPORT[:DATAPORT]]\n");
                return kExitUsage;
            }
        } else {
            bool ok = false;
            const int seconds = value.toInt(&ok);
            if (!ok || seconds < 1) {
                std::fprintf(stderr, "zrkctl: --connect-timeout takes a number of seconds\n");
                return kExitUsage;
            }
            options.connectTimeoutMs = seconds * 1000;
        }
    }
    return kExitOk;
}

// The command is the first word that names one; every other word belongs to it.
const CtlCommand* TakeCommand(QStringList& args) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i].startsWith(QLatin1Char('-'))) continue;
        for (const CtlCommand& c : CtlCommands())
            if (args[i] == QLatin1String(c.name)) {
                args.removeAt(i);
                return &c;
            }
    }
    return nullptr;
}
} // namespace

int main(int argc, char** argv) {
    InstallStopSignals();
    // Nothing is ever shown: the windows behind the core need no screen, and the bare platform
    // starts about 50 ms sooner than the off-screen one (no font set-up), which a trigger feels.
    qputenv("QT_QPA_PLATFORM", "minimal");
    // Qt's own remarks about the off-screen platform are no business of a script (--trace shows them).
    if (std::none_of(argv + 1, argv + argc, [](const char* a) { return std::strcmp(a, "--trace") == 0; }))
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtFatalMsg || type == QtCriticalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
        });
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zrkctl"));
    QApplication::setApplicationVersion(QStringLiteral(ZRK_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);

    QStringList args = QCoreApplication::arguments().mid(1);
    GlobalOptions options;
    if (const int status = TakeGlobalOptions(args, options); status != kExitOk) return status;
    const CtlCommand* command = TakeCommand(args);
    if (!command) {
        if (args.size() == 1 && (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
            PrintUsage(stdout);
            return kExitOk;
        }
        if (args.size() == 1 && args[0] == QLatin1String("--version")) {
            std::printf("zrkctl %s\n", ZRK_VERSION);
            return kExitOk;
        }
        if (args.isEmpty())
            std::fprintf(stderr, "zrkctl: no command given\n\n");
        else
            std::fprintf(stderr, "zrkctl: unknown command or option \"%s\"\n\n", qPrintable(args.first()));
        PrintUsage(stderr);
        return kExitUsage;
    }

    ConsoleUi ui;
    ui.showTrace = options.trace;
    SetUi(&ui);
    int status;
    {
        CtlSession session(ui, options.camera, options.connectTimeoutMs);
        status = command->run(session, ui, args);
        // Whatever the command concluded, a message or a dropped link on the way fails it.
        if (status == kExitOk && !session.Clean()) status = session.FailureStatus();
        if (const int signal = StopSignal(); signal != 0 && status < 128) {
            ui.EndLine();
            std::fprintf(stderr, "zrkctl: interrupted by signal %d\n", signal);
            status = StopStatus(signal);
        }
        if (status == kExitNoCamera) session.ReportConnection();
    }
    SetUi(nullptr);
    return status;
}
