#pragma once

#include "formats/DocumentFormat.h"
#include "formats/DocumentMetadata.h"

#include <QString>
#include <QTextCharFormat>
#include <atomic>
#include <functional>
#include <memory>

class QTextDocument;

// Documents on disk. Loading tells the format from the content (RTF, PDF, EPUB, DOCX, ODT,
// HTML, Markdown, plain text) and refuses anything else. A failed load leaves the document
// as it was: the file is read into a document of its own that replaces the content only
// when complete. Saving always writes RTF and replaces the file in one step: the new
// content goes to a temporary file beside it that is renamed over the old one only when
// complete, so a failed or interrupted save leaves the previous file as it was.
class DocumentFile
{
public:
    // Files beyond this size are refused rather than read into memory.
    static constexpr qint64 MaxLoadSize = qint64(512) * 1024 * 1024;

    struct LoadOptions
    {
        QTextCharFormat plainFormat;    // the formatting plain text gets
        QString password;               // for an encrypted PDF
        bool keepPageFurniture = false; // a PDF's running heads and feet, page numbers
        const std::atomic_bool *cancel = nullptr;
        std::function<void(int percent)> progress;
    };

    struct LoadResult
    {
        // Unreadable: the file itself could not be read (missing, a folder, no permission),
        // as opposed to Failed: its content is not a document or is damaged.
        enum Outcome { Loaded, Failed, Unreadable, NeedsPassword, Cancelled };
        Outcome outcome = Failed;
        DocumentFormat::Kind format = DocumentFormat::Unknown;
        // A sentence naming the file and what is wrong with it; empty when loaded.
        QString error;
        // What the file says of itself; also kept with the document (DocumentMetadata::of).
        DocumentMetadata metadata;

        bool ok() const { return outcome == Loaded; }
    };

    // A file read into a document of its own, not yet shown anywhere.
    struct Imported
    {
        LoadResult result;
        std::unique_ptr<QTextDocument> document;
    };

    // Replaces the document's content with the file's. Plain text gets `plainFormat`.
    // Returns false, leaving the document untouched, when the file cannot be read or is
    // not a document.
    static bool load(const QString &path, QTextDocument *document,
                     const QTextCharFormat &plainFormat = QTextCharFormat());

    // The same, saying why a load failed.
    static LoadResult load(const QString &path, QTextDocument *document,
                           const LoadOptions &options);

    // Replaces the document's content with a document already in memory (any format);
    // leaves it untouched when the bytes are not a document.
    static void loadData(const QByteArray &data, QTextDocument *document,
                         const QTextCharFormat &plainFormat = QTextCharFormat());

    // Reads the file into a new document; safe on a worker thread.
    static Imported importFile(const QString &path, const LoadOptions &options);
    static Imported importData(const QByteArray &data, const QString &path,
                               const LoadOptions &options);

    // Replaces `target`'s content with the imported one, pictures included, as one step
    // that starts a new undo history.
    static void adopt(const QTextDocument &source, QTextDocument *target);

    // Writes the document as RTF. Returns false when the file could not be written, with
    // the errno of the failure in `error`; the previous file, if any, is then unchanged.
    static bool save(const QTextDocument &document, const QString &path, int *error = nullptr);
};
