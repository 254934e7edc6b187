#pragma once

#include <QTextList>

// A list that takes or loses an item in about constant time. Qt's own marks every item of
// a list for layout again, one by one, whenever one joins or leaves it, so building or
// deleting a list of n items costs n² and a long list loaded from a file takes seconds.
// Only the items from the changed one on change their number, and they are marked at once.
class LongTextList : public QTextList
{
public:
    explicit LongTextList(QTextDocument *document) : QTextList(document) {}

protected:
    void blockInserted(const QTextBlock &block) override;
    void blockRemoved(const QTextBlock &block) override;
};
