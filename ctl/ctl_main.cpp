// zrkctl: scripted acquisition with the program's own core and no windows on screen.
//   zrkctl [--camera HOST[:CMD[:DATA]]] [--connect-timeout S] [--trace] COMMAND [ARGS...]
#include "base/settings.h"
#include "ctl/ctl_commands.h"

#include <QApplication>
#include <QCommandLineParser>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
void PrintUsage(std::FILE* out) {
    std::fprintf(out,
                 "Usage: zrkctl [--camera HOST[:CMD[:DATA]]] [--connect-timeout S] [--trace] COMMAND [ARGS]\n"
                 "Drives a ZRK-1 camera from scripts. The camera address and ports come from --camera,\n"
                 "else from Zrk1.ini beside the program. Every message the program would show goes to\n"
                 "standard error; the exit status is 0 on success, 1 when the camera or the program\n"
                 "refused or failed, 2 for a wrong command line, 3 when there is no camera or it was\n"
                 "lost, 4 when a wait ran out of time.\n\nCommands (COMMAND --help for each):\n");
    for (const CtlCommand& c : CtlCommands())
        std::fprintf(out, "  %-12s %s\n%17s%s\n", c.name, c.synopsis, "", c.summary);
    std::fprintf(out,
                 "\nOne settings file per camera: --settings FILE (before COMMAND) reads and writes FILE\n"
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
} // namespace

int main(int argc, char** argv) {
    // Nothing is ever shown: the windows behind the core live off screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own remarks about the off-screen platform are no business of a script (--trace shows them).
    if (std::none_of(argv + 1, argv + argc, [](const char* a) { return std::strcmp(a, "--trace") == 0; }))
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtFatalMsg || type == QtCriticalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
        });
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zrkctl"));
    QApplication::setQuitOnLastWindowClosed(false);

    QStringList args = QCoreApplication::arguments().mid(1);
    CameraAddress camera;
    int connectTimeoutMs = 20000;
    bool trace = false;
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString option = args.takeFirst();
        if (option == QLatin1String("--help")) {
            PrintUsage(stdout);
            return kExitOk;
        } else if (option == QLatin1String("--trace")) {
            trace = true;
        } else if (option == QLatin1String("--settings") && !args.isEmpty()) {
            SetSettingsFile(args.takeFirst());
        } else if (option == QLatin1String("--camera") && !args.isEmpty()) {
            if (!ParseCamera(args.takeFirst(), camera)) {
                std::fprintf(stderr, "zrkctl: --camera takes HOST[:COMMANDPORT[:DATAPORT]]\n");
                return kExitUsage;
            }
        } else if (option == QLatin1String("--connect-timeout") && !args.isEmpty()) {
            bool ok = false;
            const int seconds = args.takeFirst().toInt(&ok);
            if (!ok || seconds < 1) {
                std::fprintf(stderr, "zrkctl: --connect-timeout takes a number of seconds\n");
                return kExitUsage;
            }
            connectTimeoutMs = seconds * 1000;
        } else {
            std::fprintf(stderr, "zrkctl: unknown option %s\n\n", qPrintable(option));
            PrintUsage(stderr);
            return kExitUsage;
        }
    }
    if (args.isEmpty()) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    const QString name = args.takeFirst();
    const CtlCommand* command = nullptr;
    for (const CtlCommand& c : CtlCommands())
        if (name == QLatin1String(c.name)) command = &c;
    if (!command) {
        std::fprintf(stderr, "zrkctl: unknown command \"%s\"\n\n", qPrintable(name));
        PrintUsage(stderr);
        return kExitUsage;
    }

    ConsoleUi ui;
    ui.showTrace = trace;
    SetUi(&ui);
    int status;
    {
        CtlSession session(ui);
        // A command's own --help needs no camera.
        const bool help = args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
        if (command->needsCamera && !help) {
            status = session.Connect(camera, connectTimeoutMs);
            if (status != kExitOk) {
                SetUi(nullptr);
                return status;
            }
        }
        status = command->run(session, ui, args);
    }
    SetUi(nullptr);
    return status;
}
