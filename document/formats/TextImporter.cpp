#include "TextImporter.h"

#include "../ParagraphBreaker.h"
#include "../PlainTextDecoder.h"
#include "../rtf/RtfReader.h"

#include <QTextCursor>
#include <QTextDocument>

namespace {
// Plain text goes into the document this many characters at a time (to the next line
// end), so that a text of hundreds of megabytes shows its progress and can be cancelled.
constexpr qsizetype PieceLength = 1'000'000;
} // namespace

DocumentImporter::Result TextImporter::import(const Request &request, QTextDocument *document) const
{
    QTextCursor cursor(document);
    if (RtfReader::isRtf(request.data)) {
        RtfReader reader;
        reader.read(request.data, cursor);
        Result result;
        result.metadata = reader.metadata();
        return result;
    }
    cursor.setBlockCharFormat(request.plainFormat);
    int breaks = 0;
    const QString text =
        ParagraphBreaker::breakLines(PlainTextDecoder::decode(request.data), &breaks);
    request.report(10);
    // Paragraphs are at most ParagraphBreaker::MaxLength long, so a line end follows soon.
    for (qsizetype from = 0; from < text.size();) {
        if (request.cancelled())
            return Result::cancelledResult();
        const qsizetype end = text.indexOf(u'\n', std::min(from + PieceLength, text.size()));
        const qsizetype to = end < 0 ? text.size() : end + 1;
        cursor.insertText(QStringView(text).sliced(from, to - from).toString(),
                          request.plainFormat);
        from = to;
        request.report(10 + int(90 * from / text.size()));
    }
    ParagraphBreaker::noteBreaks(document, breaks);
    return {};
}
