#include "LongTextList.h"

#include <QtGui/private/qtextdocument_p.h>
#include <QtGui/private/qtextobject_p.h>
#include <algorithm>

namespace {
QTextBlockGroupPrivate *itemsOf(QTextList *list)
{
    return static_cast<QTextBlockGroupPrivate *>(QObjectPrivate::get(list));
}

// The items from `index` on are numbered anew: their text is laid out again. The document
// joins all changes into one span anyway, so the span is marked at once.
void renumberFrom(QTextBlockGroupPrivate *d, qsizetype index)
{
    if (index >= d->blocks.size())
        return;
    const int from = d->blocks.at(index).position();
    const QTextBlock &last = d->blocks.last();
    d->pieceTable->documentChange(from, last.position() + last.length() - from);
}
} // namespace

void LongTextList::blockInserted(const QTextBlock &block)
{
    QTextBlockGroupPrivate *d = itemsOf(this);
    QList<QTextBlock> &items = d->blocks;
    // Items mostly join at the end (a document being read, Enter at the last item); the
    // search is for the rest.
    qsizetype index = items.size();
    if (!items.isEmpty() && !(items.last() < block))
        index = std::lower_bound(items.cbegin(), items.cend(), block) - items.cbegin();
    items.insert(index, block);
    renumberFrom(d, index);
}

void LongTextList::blockRemoved(const QTextBlock &block)
{
    QTextBlockGroupPrivate *d = itemsOf(this);
    const qsizetype index = d->blocks.indexOf(block);
    if (index < 0)
        return;
    d->blocks.removeAt(index);
    renumberFrom(d, index);
}
