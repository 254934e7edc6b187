#pragma once

#include <QImage>
#include <QSize>
#include <QtGlobal>

class QTextDocument;

// How much picture memory a document may hold. Every picture is kept at no more than what
// a page can show, and all of a document's pictures together stay under a total; a picture
// beyond that total is shown as an empty frame of its size and counted, so that the user
// can be told once. The account lives on the document itself, so that pictures pasted
// later are counted against the same total as those it was opened with.
class RtfPictureBudget
{
public:
    // The longest side a kept picture has, in pixels: a full page at print resolution.
    static constexpr int MaxSide = 2048;
    // All decoded pictures of one document together.
    static constexpr qint64 MaxDocumentBytes = 256LL * 1024 * 1024;

    // A new document (nothing in it) starts with an empty account.
    static void startReading(QTextDocument *document);
    // Takes `bytes` from the account when they fit.
    static bool reserve(QTextDocument *document, qint64 bytes);
    static void noteLeftOut(QTextDocument *document);
    // Pictures left out since the last call.
    static int takeLeftOut(QTextDocument *document);

    // The size a picture of `source` pixels is kept at when shown at `display` pixels: never
    // larger than either, nor than MaxSide, keeping its proportions.
    static QSize keptSize(const QSize &source, const QSizeF &display);
    static qint64 bytesFor(const QSize &size) { return qint64(size.width()) * size.height() * 4; }

    // The one small picture every left-out picture shows.
    static QImage placeholder();

    // Image format properties of a picture kept smaller than it came, or left out: its
    // encoded bytes as read, its own size and whether it is a JPEG (else a PNG). The writer
    // saves these instead of what is shown.
    static constexpr int OriginalData = 0x100000 + 0x5201;
    static constexpr int OriginalSize = 0x100000 + 0x5202;
    static constexpr int OriginalIsJpeg = 0x100000 + 0x5203;
};
