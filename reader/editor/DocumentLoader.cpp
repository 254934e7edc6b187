#include "DocumentLoader.h"

#include "PasswordDialogService.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTextDocument>
#include <QThread>
#include <QTimer>

namespace {
// Files that open faster than this show no progress dialog at all.
constexpr int ProgressDelayMs = 300;
constexpr int ProgressPollMs = 50;
} // namespace

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
    std::atomic_bool cancel = false;
    std::atomic_int percent = 0;
    DocumentFile::LoadOptions options = base;
    options.cancel = &cancel;
    options.progress = [&percent](int value) { percent = value; };

    DocumentFile::Imported imported;
    QThread *const uiThread = QThread::currentThread();
    // The document is made on the worker, which hands it to this thread when done: a
    // QObject may only be moved away by the thread it lives in.
    std::unique_ptr<QThread> worker(QThread::create([&] {
        imported = DocumentFile::importFile(path, options);
        if (imported.document)
            imported.document->moveToThread(uiThread);
    }));

    QProgressDialog progress(QStringLiteral("Opening \"%1\"...").arg(QFileInfo(path).fileName()),
                             QStringLiteral("Cancel"), 0, 100, parent);
    progress.setWindowTitle(QStringLiteral("Opening"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(ProgressDelayMs);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setValue(0);
    QObject::connect(&progress, &QProgressDialog::canceled, [&cancel] { cancel = true; });

    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout,
                     [&] { progress.setValue(qBound(0, percent.load(), 99)); });
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    poll.start(ProgressPollMs);
    worker->start();
    // The window goes on painting and answering while the file is read.
    loop.exec();
    worker->wait();
    poll.stop();
    // Closing a progress dialog reports a cancel of its own; only the user's counts.
    const bool userCancelled = cancel.load();
    QObject::disconnect(&progress, &QProgressDialog::canceled, nullptr, nullptr);
    progress.close();
    if (userCancelled && imported.result.outcome != DocumentFile::LoadResult::Loaded)
        imported.result.outcome = DocumentFile::LoadResult::Cancelled;
    return imported;
}
