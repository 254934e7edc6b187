#include "SentenceChunker.h"

namespace {

bool endsSentence(const QString &text, qsizetype i)
{
    const QChar c = text.at(i);
    if (c == QLatin1Char('\n'))
        return true;
    if (c != QLatin1Char('.') && c != QLatin1Char('!') && c != QLatin1Char('?') &&
        c != QChar(0x2026))
        return false;
    // "3.5" or "e.g.x" are not ends; a stop followed by a space, a closing quote or the end
    // of the text is.
    if (i + 1 >= text.size())
        return true;
    const QChar next = text.at(i + 1);
    return next.isSpace() || next == QLatin1Char('"') || next == QLatin1Char('\'') ||
           next == QLatin1Char(')') || next == QChar(0x201D) || next == QChar(0x2019);
}

} // namespace

QStringList SentenceChunker::split(const QString &text, qsizetype targetSize, qsizetype maximumSize)
{
    QStringList pieces;
    if (maximumSize <= 0)
        maximumSize = targetSize * 4;
    qsizetype start = 0;
    qsizetype lastSpace = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isSpace())
            lastSpace = i;
        const qsizetype length = i + 1 - start;
        qsizetype cut = -1;
        if (length >= targetSize && endsSentence(text, i)) {
            cut = i + 1;
            // Closing quotes and the following spaces stay with the sentence they end.
            while (cut < text.size() && !text.at(cut).isLetterOrNumber())
                ++cut;
        } else if (length >= maximumSize && lastSpace > start) {
            cut = lastSpace + 1;
        }
        if (cut > start) {
            pieces.append(text.mid(start, cut - start));
            start = cut;
            i = cut - 1;
            lastSpace = -1;
        }
    }
    if (start < text.size())
        pieces.append(text.mid(start));
    return pieces;
}
