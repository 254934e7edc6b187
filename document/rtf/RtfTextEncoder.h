#pragma once

#include <QByteArray>
#include <QHash>
#include <QStringView>

// Writes text as RTF for a Windows-1252 document: ASCII as it is (with the three RTF
// specials escaped), characters of the code page as \'hh, everything else as \uN followed
// by a "?" for readers without Unicode (the document declares \uc1).
class RtfTextEncoder
{
public:
    RtfTextEncoder();

    void append(QByteArray &out, QStringView text) const;

private:
    QHash<char16_t, unsigned char> m_codePage; // the upper half of Windows-1252
};
