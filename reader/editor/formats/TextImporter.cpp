#include "TextImporter.h"

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
        cursor.insertText(PlainTextDecoder::decode(request.data), request.plainFormat);
    }
    return {};
}
