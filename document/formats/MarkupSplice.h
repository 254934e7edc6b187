#pragma once

#include <QRegularExpression>
#include <QString>
#include <functional>
#include <optional>

// Rewrites what a pattern finds in a page: each match's capture goes out and what the caller
// gives goes in. The page is copied once, and only when something changes: a long chapter
// with nothing to rewrite is handed back as it is.
class MarkupSplice
{
public:
    // What takes the place of one match's capture; nullopt leaves the match as it is.
    using Replacement = std::function<std::optional<QString>(const QRegularExpressionMatch &)>;

    static QString replace(const QString &html, const QRegularExpression &pattern, int capture,
                           const Replacement &replacement);
};
