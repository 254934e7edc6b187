#include "ParagraphBreaker.h"

#include <QTextDocument>
#include <QVariant>
#include <algorithm>

namespace {
const char *const BreaksProperty = "parlanceParagraphBreaks";

bool endsSentence(QChar c)
{
    return c == u'.' || c == u'!' || c == u'?' || c == u'\u3002' || c == u'\uff01' ||
           c == u'\uff1f';
}

bool isLineEnd(QChar c)
{
    return c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator;
}
} // namespace

qsizetype ParagraphBreaker::breakAt(QStringView text, qsizetype room)
{
    if (room <= 0)
        return 0;
    if (text.size() <= room)
        return text.size();
    const qsizetype half = room / 2;
    // A sentence end followed by a space: the break goes after the space.
    for (qsizetype i = room - 1; i > half; --i) {
        if (text.at(i).isSpace() && endsSentence(text.at(i - 1)))
            return i + 1;
    }
    for (qsizetype i = room - 1; i > 0; --i) {
        if (text.at(i).isSpace())
            return i + 1;
    }
    return text.at(room - 1).isHighSurrogate() && room > 1 ? room - 1 : room;
}

QString ParagraphBreaker::breakLines(const QString &text, int *breaks)
{
    int made = 0;
    QString result;
    qsizetype lineStart = 0;
    qsizetype copied = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !isLineEnd(text.at(i)))
            continue;
        // One line [lineStart, i): cut it into pieces of at most MaxLength.
        qsizetype from = lineStart;
        while (i - from > MaxLength) {
            if (result.isEmpty())
                result.reserve(text.size() + text.size() / MaxLength + 1);
            const qsizetype take =
                std::max<qsizetype>(1, breakAt(QStringView(text).mid(from, i - from), MaxLength));
            result += QStringView(text).mid(copied, from + take - copied);
            result += u'\n';
            copied = from + take;
            from += take;
            ++made;
        }
        lineStart = i + 1;
    }
    if (breaks)
        *breaks = made;
    if (made == 0)
        return text;
    result += QStringView(text).mid(copied);
    return result;
}

void ParagraphBreaker::noteBreaks(QTextDocument *document, int breaks)
{
    if (document && breaks > 0)
        document->setProperty(BreaksProperty, document->property(BreaksProperty).toInt() + breaks);
}

int ParagraphBreaker::takeBreaks(QTextDocument *document)
{
    if (!document)
        return 0;
    const int count = document->property(BreaksProperty).toInt();
    document->setProperty(BreaksProperty, QVariant());
    return count;
}
