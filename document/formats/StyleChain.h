#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QTextCharFormat>

// Office formats name styles that inherit from other styles. The character format a style
// gives is its ancestors' formats merged from the root down, so that the nearest style
// wins. A chain is followed at most `maxDepth` steps, which also ends a loop of styles that
// name each other, and stops at a name that is not defined.
template <typename Style, typename ParentOf>
QTextCharFormat mergedStyleFormat(const QHash<QString, Style> &styles, const QString &name,
                                  int maxDepth, ParentOf parentOf)
{
    QList<const Style *> chain;
    QString current = name;
    while (!current.isEmpty() && chain.size() < maxDepth) {
        const auto it = styles.constFind(current);
        if (it == styles.constEnd())
            break;
        chain.prepend(&*it);
        current = parentOf(*it);
    }
    QTextCharFormat format;
    for (const Style *style : chain)
        format.merge(style->format);
    return format;
}
