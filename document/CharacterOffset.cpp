#include "CharacterOffset.h"

void CharacterOffset::set(QTextCharFormat &format, int twips)
{
    format.setProperty(Property, twips);
    if (twips > 0)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (twips < 0)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    else
        format.setVerticalAlignment(QTextCharFormat::AlignNormal);
}

int CharacterOffset::get(const QTextCharFormat &format)
{
    return format.intProperty(Property);
}

bool CharacterOffset::isSet(const QTextCharFormat &format)
{
    return format.hasProperty(Property);
}
