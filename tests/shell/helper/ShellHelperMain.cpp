// A reader process for the single-instance tests. Usage:
//   shell_helper start|crash <runtime folder> <settings file> [command line words...]
// It starts like the reader, with a plain window standing in for the main window, and
// reports on standard output: "MESSAGE:<text>" for each message box, "INSTALL:<token>",
// "MAINWINDOW" when the main window is created, "OPEN:<path>" for each file it is asked to
// open, then "RUNNING" or "ENDED". A running
// "start" serves until a line arrives on standard input; "crash" aborts once it runs.
#include "MainWindowHooks.h"
#include "MessageBoxService.h"
#include "ReaderStartup.h"

#include <QApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {
void report(const QString &line)
{
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlance"));
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4)
        return 2;
    const QString mode = args.at(1);

    MessageBoxService::setHandler([](const MessageBoxService::Request &request) {
        report(QStringLiteral("MESSAGE:") + request.text);
        return MessageBoxService::ResultOk;
    });

    ReaderStartup::Options options;
    QStringList files;
    ReaderStartup::splitArguments(args.mid(4), &options.commandLine, &files);
    if (options.commandLine.isNull())
        options.commandLine = QLatin1String("");
    options.files = files;
    options.installVoice = [](const QString &token) { report(QStringLiteral("INSTALL:") + token); };
    options.createMainWindow = [](ReaderShell &shell) {
        report(QStringLiteral("MAINWINDOW"));
        auto window = std::make_unique<QWidget>();
        MainWindowHooks hooks;
        hooks.window = window.get();
        hooks.openFile = [](const QString &path) { report(QStringLiteral("OPEN:") + path); };
        shell.attachMainWindow(hooks);
        return window;
    };
    options.shell.runtimeFolder = args.at(2);
    options.shell.settingsFile = args.at(3);
    options.shell.trayAvailable = [] { return false; };
    options.shell.endProgram = [] { QCoreApplication::exit(0); };

    ReaderStartup startup(std::move(options));
    if (!startup.start()) {
        report(QStringLiteral("ENDED"));
        return 0;
    }
    report(QStringLiteral("RUNNING"));
    if (mode == QLatin1String("crash"))
        std::abort();

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [] { QCoreApplication::exit(0); });
    return app.exec();
}
