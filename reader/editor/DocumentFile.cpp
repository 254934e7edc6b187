#include "DocumentFile.h"

#include "EditorDocument.h"
#include "formats/DocumentImporters.h"
#include "rtf/RtfWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QUrl>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// Bytes read at a time; Cancel is looked at between pieces.
constexpr qint64 ReadPieceSize = qint64(8) * 1024 * 1024;

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
    // Opened without waiting, and kept only when it is a regular file: opening a pipe waits
    // for a writer that may never come, and reading a device never ends, and neither can
    // be cancelled while the call blocks.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        imported.result.error = failure(path, QString::fromLocal8Bit(strerror(errno)).toLower());
        return imported;
    }
    struct stat status = {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        imported.result.error = failure(path, QStringLiteral("it is not a regular file"));
        return imported;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        imported.result.error = failure(path, file.errorString().toLower());
        return imported;
    }
    // Refused by its size before a byte is read.
    if (file.size() > MaxLoadSize) {
        imported.result.outcome = LoadResult::Failed;
        imported.result.error = failure(
            path, QStringLiteral("it is larger than %1 MB").arg(MaxLoadSize / (1024 * 1024)));
        return imported;
    }
    // Read in pieces, so that Cancel ends even the reading of a very large file on a slow
    // disk; the size may change while it is read, so the limit holds for what arrives.
    QByteArray data;
    data.reserve(file.size());
    // Read to the end rather than to the size: files under /proc report none.
    while (data.size() <= MaxLoadSize) {
        if (options.cancel && options.cancel->load()) {
            imported.result.outcome = LoadResult::Cancelled;
            return imported;
        }
        const QByteArray piece = file.read(ReadPieceSize);
        if (piece.isEmpty())
            break;
        data += piece;
    }
    if (data.size() > MaxLoadSize) {
        imported.result.outcome = LoadResult::Failed;
        imported.result.error = failure(
            path, QStringLiteral("it is larger than %1 MB").arg(MaxLoadSize / (1024 * 1024)));
        return imported;
    }
    if (file.error() != QFileDevice::NoError) {
        imported.result.error = failure(path, file.errorString().toLower());
        return imported;
    }
    return importData(data, path, options);
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
    request.plainFormat = options.plainFormat;
    request.cancel = options.cancel;
    request.progress = options.progress;

    imported.document = std::make_unique<EditorDocument>();
    imported.document->setUndoRedoEnabled(false);
    const DocumentImporter::Result outcome = importer->import(request, imported.document.get());
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
    // Pictures are resources of the document that holds them; the copied text only names
    // them, so each named one moves along.
    for (QTextBlock block = source.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QUrl name(format.toImageFormat().name());
            const QVariant picture = source.resource(QTextDocument::ImageResource, name);
            if (picture.isValid())
                target->addResource(QTextDocument::ImageResource, name, picture);
        }
    }
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

bool DocumentFile::save(const QTextDocument &document, const QString &path)
{
    const QByteArray data = RtfWriter().write(document);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
