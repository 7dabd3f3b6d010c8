// zrkcam: a stand-in ZRK-1 camera on two TCP ports, for development, tests and demos.
#include "camera.h"
#include "options.h"
#include "session.h"
#include "state_file.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int signal) {
    const char c = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

// Signals are handled inside the event loop: SIGINT and SIGTERM end it, so everything closes in
// order; SIGUSR1 and SIGUSR2 drop the client's command or data connection (fault tests).
bool installSignalHandlers(QCoreApplication& app, zrkcam::Session& session) {
    if (::pipe(g_signalPipe) != 0) return false;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&session] {
        char c = 0;
        if (::read(g_signalPipe[0], &c, 1) != 1) return;
        if (c == SIGUSR1)
            session.dropCommandConnection();
        else if (c == SIGUSR2)
            session.dropDataConnection();
        else
            QCoreApplication::quit();
    });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2})
        if (sigaction(s, &sa, nullptr) != 0) return false;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    zrkcam::Options options;
    std::string error;
    if (!zrkcam::parseOptions(args, options, error)) {
        std::fprintf(stderr, "zrkcam: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(zrkcam::helpText().c_str(), stdout);
        return 0;
    }
    QCoreApplication app(argc, argv);

    QElapsedTimer mono;
    mono.start();
    auto clock = [&mono] {
        const QDateTime wall = QDateTime::currentDateTime();
        const QDate d = wall.date();
        const QTime t = wall.time();
        const zrkcam::CivilTime c{d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
        return zrkcam::Now{mono.elapsed(), zrkcam::toEpochSeconds(c) * 1000 + t.msec()};
    };

    zrkcam::Camera camera({options.memoryCode, options.speed});
    if (!options.stateFile.empty()) {
        std::ifstream in(options.stateFile);
        if (!in) {
            std::fprintf(stderr, "zrkcam: cannot read %s\n", options.stateFile.c_str());
            return 2;
        }
        std::stringstream text;
        text << in.rdbuf();
        if (!zrkcam::applyState(camera, text.str(), clock(), error)) {
            std::fprintf(stderr, "zrkcam: %s: %s\n", options.stateFile.c_str(), error.c_str());
            return 2;
        }
    }

    zrkcam::Session session(camera, options, clock);
    QString listenError;
    if (!session.listen(listenError)) {
        std::fprintf(stderr, "zrkcam: %s\n", qPrintable(listenError));
        return 1;
    }
    if (!installSignalHandlers(app, session)) {
        std::fprintf(stderr, "zrkcam: cannot install signal handlers\n");
        return 1;
    }
    std::printf("zrkcam listening on %s command=%u data=%u\n", options.bind.c_str(),
                static_cast<unsigned>(session.commandPort()), static_cast<unsigned>(session.dataPort()));
    std::fflush(stdout);
    app.exec();
    return 0;
}
