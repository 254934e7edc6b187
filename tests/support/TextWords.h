#pragma once

#include <QRegularExpression>
#include <QStringList>

// The words of a text, letters and digits, punctuation and spaces left out: what is compared
// when what a listener hears is held against what a person reads.
inline QStringList textWords(const QString &text)
{
    static const QRegularExpression word(QStringLiteral("[\\p{L}\\p{N}']+"));
    QStringList found;
    for (auto it = word.globalMatch(text); it.hasNext();)
        found.append(it.next().captured());
    return found;
}
