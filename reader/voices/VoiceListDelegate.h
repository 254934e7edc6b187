#pragma once

#include <QStyledItemDelegate>

// Draws the voice list's entries with what the list cannot say in a name: after a voice whose
// word positions are an estimate (its engine reports none), a quiet "estimated highlighting".
// The entries' text stays the voice's name, which is what the settings keep.
class VoiceListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // The item role that is true for a voice whose words are estimated.
    static constexpr int EstimatedWordsRole = Qt::UserRole + 1;
    static QString estimatedText();

    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
