#pragma once

#include <QByteArrayView>
#include <QString>

// Text of a file that is not RTF: UTF-8 (with or without a byte-order mark), UTF-16 with a
// byte-order mark, and anything else as Latin-1, which accepts every byte. Line ends of
// any system become paragraph breaks.
class PlainTextDecoder
{
public:
    static QString decode(QByteArrayView bytes);
};
