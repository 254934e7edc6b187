#include "AllocatorTuning.h"
#include "BatchConverter.h"
#include "ConverterWindow.h"
#include "SynthesisWorker.h"
#include "WorkerSpares.h"

#include <QApplication>
#include <QGuiApplication>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

QStringList argumentsOf(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// Scripts and synthesis workers run without a window: documents still need QtGui for their
// text layout, but never a display. A worker only speaks, so it does without QtGui's start-up
// (platform plugins, fonts), which would delay every conversion by as much.
int runWithoutWindow(int argc, char *argv[], const QStringList &arguments, bool worker)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Writing files needs no sound device; do not let the speech control go looking for one.
    if (worker || qEnvironmentVariableIsEmpty("PARLANCE_AUDIO"))
        qputenv("PARLANCE_AUDIO", "null");
    // Messages are for the user of a script: Qt's own notes about the environment (a missing
    // runtime folder, say) are not failures and would only be noise in a log.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "wavewright: %s\n", qPrintable(text));
    });
    std::unique_ptr<QCoreApplication> app;
    if (worker)
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QGuiApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Wavewright"));
    const int code = worker
                         ? SynthesisWorker::run()
                         : BatchConverter().run(arguments, QCoreApplication::applicationFilePath());
    // Every file is complete and renamed by now. Tearing the application down would only
    // make fontconfig load its whole configuration to free it (most of a second, twice over
    // with a worker), so the process ends here.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(code);
}

} // namespace

int main(int argc, char *argv[])
{
    AllocatorTuning::forLargeDocuments();
    const QStringList arguments = argumentsOf(argc, argv);
    if (arguments.value(0) == QLatin1String(SynthesisWorker::Switch))
        return runWithoutWindow(argc, argv, arguments, true);
    if (BatchConverter::isBatchCommandLine(arguments)) {
        // The workers are forked now, while the process is small and has no threads: they
        // are ready by the time the first document is read.
        if (WorkerSpares::fork(BatchConverter::workersFor(arguments)))
            return runWithoutWindow(argc, argv, arguments, true);
        return runWithoutWindow(argc, argv, arguments, false);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wavewright"));
    // The reader passes its parameter string as one argument. Typed by hand it may arrive
    // in pieces; joined with spaces it reads as it was typed.
    const QString commandLine = QCoreApplication::arguments().mid(1).join(QLatin1Char(' '));
    ConverterWindow window;
    return window.run(commandLine);
}
