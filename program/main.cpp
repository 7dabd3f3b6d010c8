// Zrk1: the ZRK-1 camera control program.
#include "base/qt_ui.h"
#include "base/settings.h"
#include "program/startup.h"
#include "protocol/frm_main.h"
#include "protocol/main_supervisor.h"

#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QTimer>
#include <QWidget>
#include <csignal>
#include <functional>

#include "base/open_windows.h"

int main(int argc, char** argv) {
    // A write past the file-size limit must fail like a full disk ("Cannot write to file.", the
    // file kept as written) instead of killing the program in the middle of a recording session.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zrk1"));
    QApplication::setApplicationVersion(QStringLiteral(ZRK1_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);

    // Switches for automated runs (tests, screenshots) and camera rigs.
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addVersionOption();
    QCommandLineOption quitAfter(QStringLiteral("quit-after"), QStringLiteral("Quit after MS milliseconds."),
                                 QStringLiteral("MS"));
    QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                  QStringLiteral("Save a picture of the main window to FILE, then quit."),
                                  QStringLiteral("FILE"));
    // One settings file per camera: several windows side by side, each with its own address.
    QCommandLineOption settings(QStringLiteral("settings"),
                                QStringLiteral("Use FILE as the settings file (created on first use)."),
                                QStringLiteral("FILE"));
    QCommandLineOption connect(QStringLiteral("connect"), QStringLiteral("Tick \"Connect\" at start."));
    parser.addOptions({quitAfter, screenshot, settings, connect});
    parser.process(app);
    if (parser.isSet(settings)) SetSettingsFile(parser.value(settings));

    QtUi ui;
    SetUi(&ui);
    // Armed before start-up, so that a run that meets a message box there (a settings file that
    // cannot be written) still ends: open boxes are closed first, then the program quits.
    std::function<void()> quitWhenNoBoxIsOpen = [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            box->close();
            QTimer::singleShot(50, &app, quitWhenNoBoxIsOpen);
        } else {
            QCoreApplication::quit();
        }
    };
    if (parser.isSet(quitAfter))
        QTimer::singleShot(parser.value(quitAfter).toInt(), &app, quitWhenNoBoxIsOpen);
    if (!StartUp(StartUpOptions{QCoreApplication::applicationDirPath()})) {
        ShutDown();
        return 1;
    }
    if (parser.isSet(connect) && Supervisor()) Supervisor()->window()->chkTCPConnect->setChecked(true);
    if (parser.isSet(screenshot)) {
        QTimer::singleShot(300, &app, [&] {
            if (Windows().frmMain) Windows().frmMain->grab().save(parser.value(screenshot));
            QCoreApplication::quit();
        });
    }
    const int rc = app.exec();
    ShutDown();
    SetUi(nullptr);
    return rc;
}
