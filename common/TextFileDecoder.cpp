#include "TextFileDecoder.h"

#include <QStringDecoder>

QString TextFileDecoder::decode(const QByteArray &bytes)
{
    // The UTF-16 decoder reads the byte order from the mark and drops the mark itself.
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16).decode(bytes);
    QStringDecoder decoder(QStringDecoder::Utf8);
    return decoder.decode(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
}
