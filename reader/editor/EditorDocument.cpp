#include "EditorDocument.h"

#include "LongTextList.h"

QTextObject *EditorDocument::createObject(const QTextFormat &format)
{
    if (format.isListFormat())
        return new LongTextList(this);
    return QTextDocument::createObject(format);
}
