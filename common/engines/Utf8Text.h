#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <vector>

// A text as the UTF-8 that C engine libraries read, with the way back from a byte to the
// QString index of the character it belongs to, so that word positions the library reports
// in bytes land on the right word of the caller's text.
struct Utf8Text
{
    QByteArray utf8;
    // index[b] is the QString index of the character byte b belongs to; one extra entry
    // holds the text's length.
    std::vector<int> index;

    explicit Utf8Text(const QString &text);
};

// Samples scaled by volume/99, rounded half away from zero: amplitude exactly proportional
// to the volume, which the libraries' own volume settings are not.
void scaleVolume(const qint16 *samples, int count, int volume, std::vector<qint16> &out);
