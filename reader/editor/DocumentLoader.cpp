#include "DocumentLoader.h"

#include "PasswordDialogService.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
#include <QProgressDialog>
#include <QTextDocument>
#include <QThread>
#include <QTimer>

namespace {
// Files that open faster than this show no progress dialog at all.
constexpr int ProgressDelayMs = 300;
constexpr int ProgressPollMs = 50;

// The workers of readings that have not ended yet, cancelled ones included.
QList<QPointer<QThread>> &runningReadings()
{
    static QList<QPointer<QThread>> workers;
    return workers;
}
} // namespace

void DocumentLoader::finishCancelledReadings()
{
    for (const QPointer<QThread> &worker : std::as_const(runningReadings())) {
        if (worker)
            worker->wait();
    }
    runningReadings().clear();
}

DocumentFile::LoadResult DocumentLoader::open(QWidget *parent, const QString &path,
                                              QTextDocument *target,
                                              const QTextCharFormat &plainFormat)
{
    DocumentFile::Imported imported = import(parent, path, plainFormat);
    if (imported.result.ok() && target)
        DocumentFile::adopt(*imported.document, target);
    return imported.result;
}

DocumentFile::Imported DocumentLoader::import(QWidget *parent, const QString &path,
                                              const QTextCharFormat &plainFormat,
                                              bool keepPageFurniture)
{
    DocumentFile::LoadOptions options;
    options.plainFormat = plainFormat;
    options.keepPageFurniture = keepPageFurniture;
    for (int attempt = 0;; ++attempt) {
        DocumentFile::Imported imported = importWithProgress(parent, path, options);
        if (imported.result.outcome == DocumentFile::LoadResult::NeedsPassword &&
            attempt < MaxPasswordTries) {
            const std::optional<QString> password =
                PasswordDialogService::ask(parent, {path, attempt > 0});
            if (!password) {
                imported.result.outcome = DocumentFile::LoadResult::Cancelled;
                imported.document.reset();
                return imported;
            }
            options.password = *password;
            continue;
        }
        return imported;
    }
}

DocumentFile::Imported DocumentLoader::importWithProgress(QWidget *parent, const QString &path,
                                                          const DocumentFile::LoadOptions &base)
{
    // Shared with the worker, which may outlive this call: a reading the user cancelled
    // goes on to its end on its own (Qt's HTML import cannot be interrupted), and what it
    // made is thrown away then.
    struct Reading
    {
        std::atomic_bool cancel = false;
        std::atomic_int percent = 0;
        bool finished = false;
        DocumentFile::Imported imported;
    };
    auto reading = std::make_shared<Reading>();
    Reading *const shared = reading.get();
    DocumentFile::LoadOptions options = base;
    options.cancel = &shared->cancel;
    options.progress = [shared](int value) { shared->percent = value; };

    QThread *const uiThread = QThread::currentThread();
    // The document is made on the worker, which hands it to this thread when done: a
    // QObject may only be moved away by the thread it lives in.
    QThread *const worker = QThread::create([shared, path, options, uiThread] {
        shared->imported = DocumentFile::importFile(path, options);
        if (shared->imported.document)
            shared->imported.document->moveToThread(uiThread);
    });
    // The thread object goes once done, on this thread, and the reading with it (or with
    // this call, whichever is later): the document is never freed on the worker.
    QObject::connect(worker, &QThread::finished, worker, [reading] { reading->finished = true; });
    QObject::connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    // A program that ends while a cancelled reading still runs waits for it.
    static const bool waitsAtQuit = static_cast<bool>(
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, &finishCancelledReadings));
    Q_UNUSED(waitsAtQuit);
    runningReadings().removeAll(nullptr);
    runningReadings().append(worker);

    QProgressDialog progress(QStringLiteral("Opening \"%1\"...").arg(QFileInfo(path).fileName()),
                             QStringLiteral("Cancel"), 0, 100, parent);
    progress.setWindowTitle(QStringLiteral("Opening"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(ProgressDelayMs);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setValue(0);

    QEventLoop loop;
    QObject::connect(&progress, &QProgressDialog::canceled, &loop, [&] {
        reading->cancel = true;
        loop.quit();
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout,
                     [&] { progress.setValue(qBound(0, reading->percent.load(), 99)); });
    QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    poll.start(ProgressPollMs);
    worker->start();
    // The window goes on painting and answering while the file is read.
    loop.exec();
    poll.stop();
    // Closing a progress dialog reports a cancel of its own; only the user's counts.
    QObject::disconnect(&progress, &QProgressDialog::canceled, nullptr, nullptr);
    progress.close();
    // Cancelled is cancelled, even when the reading finished just after: the document
    // stays as it was. A loop ended by the program quitting counts as a cancel too.
    if (!reading->finished)
        reading->cancel = true;
    if (reading->cancel.load()) {
        DocumentFile::Imported cancelled;
        cancelled.result.outcome = DocumentFile::LoadResult::Cancelled;
        return cancelled;
    }
    return std::move(reading->imported);
}
