#include "DocumentFile.h"

#include "ParagraphBreaker.h"
#include "PlainTextDecoder.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QFile>
#include <QSaveFile>
#include <QTextCursor>
#include <QTextDocument>

bool DocumentFile::load(const QString &path, QTextDocument *document,
                        const QTextCharFormat &plainFormat)
{
    QFile file(path);
    if (!document || !file.open(QIODevice::ReadOnly))
        return false;
    // Sequential files (pipes, devices) report no size; their reading is capped below.
    if (file.size() > MaxLoadSize)
        return false;
    const QByteArray data = file.read(MaxLoadSize + 1);
    if (file.error() != QFileDevice::NoError || data.size() > MaxLoadSize)
        return false;
    loadData(data, document, plainFormat);
    return true;
}

void DocumentFile::loadData(const QByteArray &data, QTextDocument *document,
                            const QTextCharFormat &plainFormat)
{
    // A freshly loaded document starts a new undo history: undoing must not unload it.
    document->setUndoRedoEnabled(false);
    document->clear();
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    if (RtfReader::isRtf(data)) {
        RtfReader reader;
        reader.read(data, cursor);
    } else {
        cursor.setBlockCharFormat(plainFormat);
        int breaks = 0;
        cursor.insertText(ParagraphBreaker::breakLines(PlainTextDecoder::decode(data), &breaks),
                          plainFormat);
        ParagraphBreaker::noteBreaks(document, breaks);
    }
    cursor.endEditBlock();
    document->setUndoRedoEnabled(true);
    document->setModified(false);
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
