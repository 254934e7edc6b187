#include "NoteFormat.h"

void NoteFormat::setMarker(QTextCharFormat &format)
{
    format.setProperty(MarkerProperty, true);
    format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
}

bool NoteFormat::isMarker(const QTextCharFormat &format)
{
    return format.boolProperty(MarkerProperty);
}

void NoteFormat::setNote(QTextBlockFormat &format, NoteBlock block)
{
    format.setProperty(NoteProperty, int(block));
    // Set in from the body like a note at the foot of a page.
    format.setLeftMargin(18);
}

bool NoteFormat::isNote(const QTextBlockFormat &format)
{
    return format.intProperty(NoteProperty) != 0;
}
