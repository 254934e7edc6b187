#pragma once

#include "DocumentMetadata.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTextCharFormat>
#include <atomic>
#include <functional>

class QTextDocument;
class ResourceGate;

// One outside format read into a document: bytes in, content appended to an empty
// QTextDocument out. Importers run on a worker thread for large files, so they touch
// nothing but the document they are given, poll `cancel` and report progress in percent.
class DocumentImporter
{
public:
    struct Request
    {
        QByteArray data;
        // The file's path: messages name it. May be empty for bytes from elsewhere.
        QString fileName;
        // Everything the document names beyond its own bytes is read through this gate,
        // which the document being filled asks too.
        ResourceGate *resources = nullptr;
        QString password;            // for encrypted PDFs
        QTextCharFormat plainFormat; // the formatting plain text gets
        // Keep a PDF's running heads and feet and its page numbers in the text.
        bool keepPageFurniture = false;
        const std::atomic_bool *cancel = nullptr;
        std::function<void(int percent)> progress;

        bool cancelled() const { return cancel && cancel->load(); }
        void report(int percent) const
        {
            if (progress)
                progress(percent);
        }
    };

    enum class Status { Ok, Failed, NeedsPassword, Cancelled };

    struct Result
    {
        Status status = Status::Ok;
        // What is wrong with the file, as the end of a sentence ("the archive is damaged").
        QString error;
        // The names of the pictures added to the document as resources.
        QStringList images;
        // Title, author and language, as far as the file names them.
        DocumentMetadata metadata;

        static Result failure(const QString &error) { return {Status::Failed, error, {}, {}}; }
        static Result cancelledResult() { return {Status::Cancelled, QString(), {}, {}}; }
    };

    virtual ~DocumentImporter() = default;
    virtual Result import(const Request &request, QTextDocument *document) const = 0;
};
