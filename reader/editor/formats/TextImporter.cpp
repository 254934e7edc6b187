#include "TextImporter.h"

#include "../ParagraphBreaker.h"
#include "../PlainTextDecoder.h"
#include "../rtf/RtfReader.h"

#include <QTextCursor>
#include <QTextDocument>

DocumentImporter::Result TextImporter::import(const Request &request, QTextDocument *document) const
{
    QTextCursor cursor(document);
    if (RtfReader::isRtf(request.data)) {
        RtfReader().read(request.data, cursor);
    } else {
        cursor.setBlockCharFormat(request.plainFormat);
        int breaks = 0;
        cursor.insertText(
            ParagraphBreaker::breakLines(PlainTextDecoder::decode(request.data), &breaks),
            request.plainFormat);
        ParagraphBreaker::noteBreaks(document, breaks);
    }
    return {};
}
