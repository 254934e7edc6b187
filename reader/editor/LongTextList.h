#pragma once

#include <QTextList>

// A list that takes a new item in about constant time. Qt's own marks every item of a list
// for layout again whenever one joins it, so building a list of n items costs n² and a
// long list loaded from a file takes seconds. Only the items from the new one on change
// their number, so only those are marked here.
class LongTextList : public QTextList
{
public:
    explicit LongTextList(QTextDocument *document) : QTextList(document) {}

protected:
    void blockInserted(const QTextBlock &block) override;
};
