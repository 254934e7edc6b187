#include "VoiceListDelegate.h"

#include <QApplication>
#include <QPainter>

namespace {
constexpr int Gap = 24; // between the name and the note
} // namespace

QString VoiceListDelegate::estimatedText()
{
    return tr("estimated highlighting");
}

void VoiceListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (!index.data(EstimatedWordsRole).toBool())
        return;
    QStyleOptionViewItem note = option;
    initStyleOption(&note, index);
    painter->save();
    painter->setFont(note.font);
    const QPalette::ColorRole role =
        note.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::PlaceholderText;
    painter->setPen(note.palette.color(role));
    painter->drawText(note.rect.adjusted(0, 0, -6, 0), Qt::AlignRight | Qt::AlignVCenter,
                      estimatedText());
    painter->restore();
}

QSize VoiceListDelegate::sizeHint(const QStyleOptionViewItem &option,
                                  const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (index.data(EstimatedWordsRole).toBool())
        size.rwidth() += Gap + option.fontMetrics.horizontalAdvance(estimatedText());
    return size;
}
