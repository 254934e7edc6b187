#pragma once

#include <QString>
#include <QTextCharFormat>

class QTextDocument;

// Documents on disk. Loading takes RTF when the file starts like RTF and plain text
// otherwise. Saving always writes RTF and replaces the file in one step: the new content
// goes to a temporary file beside it that is renamed over the old one only when complete,
// so a failed or interrupted save leaves the previous file as it was.
class DocumentFile
{
public:
    // Files beyond this size are refused rather than read into memory.
    static constexpr qint64 MaxLoadSize = qint64(512) * 1024 * 1024;

    // Replaces the document's content with the file's. Plain text gets `plainFormat`.
    // Returns false, leaving the document untouched, when the file cannot be read.
    static bool load(const QString &path, QTextDocument *document,
                     const QTextCharFormat &plainFormat = QTextCharFormat());

    // Replaces the document's content with RTF or plain text already in memory.
    static void loadData(const QByteArray &data, QTextDocument *document,
                         const QTextCharFormat &plainFormat = QTextCharFormat());

    // Writes the document as RTF. Returns false when the file could not be written; the
    // previous file, if any, is then unchanged.
    static bool save(const QTextDocument &document, const QString &path);
};
