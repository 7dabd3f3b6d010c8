// Zrk1: the ZRK-1 camera control program.
#include "base/qt_ui.h"
#include "program/startup.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <QWidget>
#include <csignal>

#include "base/open_windows.h"

int main(int argc, char** argv) {
    // A write past the file-size limit must fail like a full disk ("Cannot write to file.", the
    // file kept as written) instead of killing the program in the middle of a recording session.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zrk1"));
    QApplication::setApplicationVersion(QStringLiteral(ZRK1_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);

    // Two switches for automated runs (tests, screenshots); an operator never needs them.
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption quitAfter(QStringLiteral("quit-after"), QStringLiteral("Quit after MS milliseconds."),
                                 QStringLiteral("MS"));
    QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                  QStringLiteral("Save a picture of the main window to FILE, then quit."),
                                  QStringLiteral("FILE"));
    parser.addOption(quitAfter);
    parser.addOption(screenshot);
    parser.process(app);

    QtUi ui;
    SetUi(&ui);
    if (!StartUp(StartUpOptions{QCoreApplication::applicationDirPath()})) {
        ShutDown();
        return 1;
    }
    if (parser.isSet(screenshot)) {
        QTimer::singleShot(300, &app, [&] {
            if (Windows().frmMain) Windows().frmMain->grab().save(parser.value(screenshot));
            QCoreApplication::quit();
        });
    }
    if (parser.isSet(quitAfter))
        QTimer::singleShot(parser.value(quitAfter).toInt(), &app, &QCoreApplication::quit);
    const int rc = app.exec();
    ShutDown();
    SetUi(nullptr);
    return rc;
}
