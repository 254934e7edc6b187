#include "LongTextList.h"

#include <QtGui/private/qtextdocument_p.h>
#include <QtGui/private/qtextobject_p.h>
#include <algorithm>

void LongTextList::blockInserted(const QTextBlock &block)
{
    auto *d = static_cast<QTextBlockGroupPrivate *>(QObjectPrivate::get(this));
    QList<QTextBlock> &items = d->blocks;
    // Items mostly join at the end (a document being read, Enter at the last item); the
    // search is for the rest.
    auto at = items.end();
    if (!items.isEmpty() && !(items.last() < block))
        at = std::lower_bound(items.begin(), items.end(), block);
    at = items.insert(at, block);
    for (; at != items.end(); ++at)
        d->pieceTable->documentChange(at->position(), at->length());
}
