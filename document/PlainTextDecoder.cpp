#include "PlainTextDecoder.h"

#include <QStringDecoder>

namespace {
QString normaliseLineEnds(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}
} // namespace

QString PlainTextDecoder::decode(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return normaliseLineEnds(QString::fromUtf8(bytes.sliced(3)));
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        return normaliseLineEnds(decoder.decode(bytes.sliced(2)));
    }
    if (bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringDecoder::Utf16BE);
        return normaliseLineEnds(decoder.decode(bytes.sliced(2)));
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    return normaliseLineEnds(text);
}
