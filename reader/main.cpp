#include "AllocatorTuning.h"
#include "EarIcon.h"
#include "MainWindow.h"
#include "ReaderCommandLine.h"
#include "ReaderStartup.h"
#include "ShellPlatform.h"

#include <QApplication>
#include <cstdio>

namespace {
QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

int print(FILE *stream, const QString &text, int code)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    return code;
}
} // namespace

int main(int argc, char *argv[])
{
    // --help and --version answer in the terminal, before anything needs a display.
    const ReaderCommandLine early = ReaderCommandLine::parse(argumentsOf(argc, argv), false);
    if (early.action() == ReaderCommandLine::PrintHelp ||
        early.action() == ReaderCommandLine::PrintVersion)
        return print(stdout, early.output(), 0);
    if (early.action() == ReaderCommandLine::Refuse)
        return print(stderr, early.output(), 2);

    AllocatorTuning::forLargeDocuments();
    ShellPlatform::chooseDisplay(argc, argv);
    QApplication app(argc, argv);
    ShellPlatform::displayChosen();
    QApplication::setApplicationName(QStringLiteral("Parlance"));
    QApplication::setApplicationVersion(QStringLiteral(PARLANCE_VERSION));
    // Every window carries the ear, and the desktop matches the windows to the menu entry.
    QApplication::setWindowIcon(EarIcon::icon());
    QGuiApplication::setDesktopFileName(QStringLiteral("parlance"));
    // Qt has taken its own options out by now: anything else unknown is a mistake.
    const ReaderCommandLine line =
        ReaderCommandLine::parse(QCoreApplication::arguments().mid(1), true);
    if (line.action() == ReaderCommandLine::Refuse)
        return print(stderr, line.output(), 2);

    ReaderStartup::Options options;
    options.createMainWindow = [](ReaderShell &shell) -> std::unique_ptr<QWidget> {
        return std::make_unique<MainWindow>(shell);
    };
    ReaderStartup startup(std::move(options));
    // A voice installed, or a second start that handed over to the running reader.
    if (!startup.start())
        return 0;
    return app.exec();
}
