#include "WordSpan.h"

#include <QtGlobal>

namespace {
// Spaces and line breaks of every kind (documents here break lines with "\n", pasted text
// may carry "\r\n", and tabs separate words as well as spaces do).
bool isDelimiter(QChar c)
{
    return c.isSpace();
}
} // namespace

int WordSpan::wordEnd(const QString &chunk, int wordPosition)
{
    for (qsizetype i = qMax(0, wordPosition); i < chunk.size(); ++i) {
        if (isDelimiter(chunk.at(i)))
            return int(i + 1);
    }
    return int(chunk.size() + 1);
}

QString WordSpan::wordAt(const QString &chunk, int wordPosition)
{
    if (wordPosition < 0 || wordPosition + 1 > chunk.size())
        return QString();
    return chunk.mid(wordPosition, wordEnd(chunk, wordPosition) - wordPosition - 1);
}

bool WordSpan::isSpoken(const QString &word)
{
    for (const QChar c : word) {
        if (!c.isSpace() && !c.isPunct())
            return true;
    }
    return false;
}
