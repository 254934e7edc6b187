#pragma once

#include <QTextCharFormat>

// The document keeps the vertical offset of characters in twips, as the formatting commands
// and RTF speak of it. Qt only knows super/subscript, so the exact value travels as a user
// property and the vertical alignment is derived from its sign for display.
class CharacterOffset
{
public:
    static constexpr int Property = QTextFormat::UserProperty + 0x51;

    // Sets the offset (0 returns to the baseline) and the matching vertical alignment.
    static void set(QTextCharFormat &format, int twips);

    // The offset stored on the format; a format without one reads as 0.
    static int get(const QTextCharFormat &format);

    // True when the format carries an offset of its own (as opposed to plain super/subscript).
    static bool isSet(const QTextCharFormat &format);
};
