#pragma once

#include <QByteArray>
#include <QString>

// Text files handed to the speech component: UTF-8 (with or without a byte-order mark) or
// UTF-16 with a byte-order mark.
class TextFileDecoder
{
public:
    static QString decode(const QByteArray &bytes);
};
