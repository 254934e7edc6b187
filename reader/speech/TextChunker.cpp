#include "TextChunker.h"

namespace {
// A place after which a text without spaces may be cut. Opening brackets and quotes belong
// to what follows them, so cutting after one would strand it at the end of a chunk.
bool isBreak(QChar c)
{
    if (c.isSpace())
        return true;
    if (!c.isPunct())
        return false;
    const auto category = c.category();
    return category != QChar::Punctuation_Open && category != QChar::Punctuation_InitialQuote;
}
} // namespace

TextChunker::Chunk TextChunker::cut(const QString &text)
{
    if (text.size() <= MaxLength)
        return {text, QString()};

    // Searching from index 1: a chunk of a lone leading space would be too short to speak and
    // would leave the text unread, so the fallbacks below take over instead.
    const qsizetype space = text.lastIndexOf(QLatin1Char(' '), MaxLength - 1);
    if (space >= 1)
        return {text.left(space + 1), text.mid(space + 1)};

    for (qsizetype i = MaxLength - 1; i >= 1; --i) {
        if (isBreak(text.at(i)))
            return {text.left(i + 1), text.mid(i + 1)};
    }

    qsizetype end = MaxLength;
    if (text.at(end - 1).isHighSurrogate() && text.at(end).isLowSurrogate())
        --end;
    return {text.left(end), text.mid(end)};
}
