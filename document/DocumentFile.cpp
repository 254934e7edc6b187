#include "DocumentFile.h"

#include "EditorDocument.h"
#include "formats/DocumentImporters.h"
#include "formats/RegularFile.h"
#include "formats/ResourceGate.h"
#include "rtf/RtfWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QUrl>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Writes `data` to a new file beside `path` and renames it over `path` only when complete,
// so that a failure (a full disk above all) leaves the previous file as it was. Returns 0,
// or the errno of the step that failed, so that the user can be told why.
int replaceFile(const QString &path, const QByteArray &data)
{
    // A link is followed: the file it names is replaced, the link stays.
    QString target = path;
    const QFileInfo info(path);
    if (info.isSymLink() && info.exists())
        target = info.canonicalFilePath();
    const QByteArray name = QFile::encodeName(target);
    struct stat existing = {};
    const bool exists = ::stat(name.constData(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return EISDIR;
    // A file the user may not write is not replaced behind its back, even where its folder
    // would allow the rename.
    if (exists && ::access(name.constData(), W_OK) != 0)
        return errno;

    const QString folder = QFileInfo(target).absolutePath();
    const QString base = QFileInfo(target).fileName();
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = QFile::encodeName(
            QStringLiteral("%1/.%2.%3")
                .arg(folder, base)
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        // Created with the umask applied, as any new file of the user's.
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return errno;
    }
    if (fd < 0)
        return EEXIST;
    const auto fail = [&](int code) {
        ::close(fd);
        ::unlink(temporary.constData());
        return code;
    };
    if (exists)
        ::fchmod(fd, existing.st_mode & 07777);
    for (qsizetype written = 0; written < data.size();) {
        const ssize_t n = ::write(fd, data.constData() + written, size_t(data.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(n < 0 ? errno : EIO);
        written += n;
    }
    // Some file systems report a full disk only when the data reaches it.
    if (::fsync(fd) != 0)
        return fail(errno);
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(temporary.constData());
        return code;
    }
    if (::rename(temporary.constData(), name.constData()) != 0) {
        const int code = errno;
        ::unlink(temporary.constData());
        return code;
    }
    return 0;
}

QString failure(const QString &path, const QString &what)
{
    const QString name = path.isEmpty() ? QStringLiteral("The document") : u'"' + path + u'"';
    return QStringLiteral("%1 cannot be opened: %2.").arg(name, what);
}
} // namespace

bool DocumentFile::load(const QString &path, QTextDocument *document,
                        const QTextCharFormat &plainFormat)
{
    LoadOptions options;
    options.plainFormat = plainFormat;
    return load(path, document, options).ok();
}

DocumentFile::LoadResult DocumentFile::load(const QString &path, QTextDocument *document,
                                            const LoadOptions &options)
{
    if (!document)
        return {LoadResult::Failed,
                DocumentFormat::Unknown,
                failure(path, QStringLiteral("there is no document")),
                {}};
    Imported imported = importFile(path, options);
    if (imported.result.ok())
        adopt(*imported.document, document);
    return imported.result;
}

void DocumentFile::loadData(const QByteArray &data, QTextDocument *document,
                            const QTextCharFormat &plainFormat)
{
    LoadOptions options;
    options.plainFormat = plainFormat;
    Imported imported = importData(data, QString(), options);
    if (document && imported.result.ok())
        adopt(*imported.document, document);
}

DocumentFile::Imported DocumentFile::importFile(const QString &path, const LoadOptions &options)
{
    Imported imported;
    imported.result.outcome = LoadResult::Unreadable;
    if (QFileInfo(path).isDir()) {
        imported.result.error = failure(path, QStringLiteral("it is a folder"));
        return imported;
    }
    // Only a regular file, so that a pipe or a device cannot hold the reading for good.
    RegularFile::Result file = RegularFile::read(path, MaxLoadSize, options.cancel);
    switch (file.problem) {
    case RegularFile::Problem::None:
        return importData(file.data, path, options);
    case RegularFile::Problem::Cancelled:
        imported.result.outcome = LoadResult::Cancelled;
        break;
    case RegularFile::Problem::TooLarge:
        imported.result.outcome = LoadResult::Failed;
        [[fallthrough]];
    default:
        imported.result.error = failure(path, file.reason(MaxLoadSize));
        break;
    }
    return imported;
}

DocumentFile::Imported DocumentFile::importData(const QByteArray &data, const QString &path,
                                                const LoadOptions &options)
{
    Imported imported;
    LoadResult &result = imported.result;
    result.format = DocumentFormat::sniff(data, path);
    const DocumentImporter *importer = DocumentImporters::forFormat(result.format);
    if (!importer) {
        // Showing a program or a picture as text would only show garbage, and adopting its
        // path would let the next Save overwrite it with RTF.
        result.error = failure(path, QStringLiteral("it is not a document this program can read "
                                                    "(neither a known format nor text)"));
        return imported;
    }
    DocumentImporter::Request request;
    request.data = data;
    request.fileName = path;
    request.password = options.password;
    request.keepPageFurniture = options.keepPageFurniture;
    request.plainFormat = options.plainFormat;
    request.cancel = options.cancel;
    request.progress = options.progress;

    auto document = std::make_unique<EditorDocument>();
    document->setUndoRedoEnabled(false);
    DocumentImporter::Result outcome;
    {
        ResourceGate gate(document.get(), path, options.cancel);
        request.resources = &gate;
        outcome = importer->import(request, document.get());
    }
    imported.document = std::move(document);
    switch (outcome.status) {
    case DocumentImporter::Status::Ok:
        result.outcome = LoadResult::Loaded;
        result.metadata = outcome.metadata;
        DocumentMetadata::attach(imported.document.get(), outcome.metadata);
        return imported;
    case DocumentImporter::Status::Cancelled:
        result.outcome = LoadResult::Cancelled;
        break;
    case DocumentImporter::Status::NeedsPassword:
        result.outcome = LoadResult::NeedsPassword;
        result.error = failure(path, outcome.error);
        break;
    case DocumentImporter::Status::Failed:
        result.error =
            failure(path, QStringLiteral("the %1 is damaged or unsupported: %2")
                              .arg(DocumentFormat::describe(result.format), outcome.error));
        break;
    }
    imported.document.reset();
    return imported;
}

void DocumentFile::adopt(const QTextDocument &source, QTextDocument *target)
{
    // A freshly loaded document starts a new undo history: undoing must not unload it.
    target->setUndoRedoEnabled(false);
    // Emptied and filled in one edit, the document is laid out afresh a piece at a time
    // while the window goes on; filled after an edit of its own, the layout of the whole
    // document would run at once and hold the window for seconds per hundred thousand
    // paragraphs.
    QTextCursor cursor(target);
    cursor.beginEditBlock();
    target->clear();
    EditorDocument::copyPictures(source, target);
    // What the reading noted on the document (pictures left out, paragraphs broken) goes
    // along, so that the user is told about the document being shown.
    for (const QByteArray &name : source.dynamicPropertyNames())
        target->setProperty(name.constData(), source.property(name.constData()));
    // The first paragraph's own formatting goes with it (a fragment starts inside it).
    // Its list or table membership names an object of the source document, which means
    // nothing (or another object) here: the fragment brings the list along itself.
    QTextBlockFormat blockFormat = source.begin().blockFormat();
    blockFormat.setObjectIndex(-1);
    QTextCharFormat charFormat = source.begin().charFormat();
    charFormat.setObjectIndex(-1);
    cursor.setBlockFormat(blockFormat);
    cursor.setBlockCharFormat(charFormat);
    cursor.insertFragment(QTextDocumentFragment(&source));
    cursor.endEditBlock();
    target->setUndoRedoEnabled(true);
    target->setModified(false);
}

bool DocumentFile::save(const QTextDocument &document, const QString &path, int *error)
{
    const int result = replaceFile(path, RtfWriter().write(document));
    if (error)
        *error = result;
    return result == 0;
}
