#include "PronunciationLexicon.h"

#include <QHash>
#include <algorithm>

namespace {

// What a whole-word match must not run into. Apostrophes and hyphens are not part of it, so
// an entry "Smith" also matches in "Smith's" and "Smith-Jones".
bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c.category() == QChar::Mark_NonSpacing;
}

} // namespace

PronunciationLexicon::PronunciationLexicon(const QList<Entry> &entries)
{
    setEntries(entries);
}

void PronunciationLexicon::setEntries(const QList<Entry> &entries)
{
    m_entries.clear();
    QHash<QString, int> seen;
    for (const Entry &entry : entries) {
        const QString word = entry.word.trimmed();
        if (word.isEmpty())
            continue;
        const QString key = word.toCaseFolded();
        const Entry cleaned{word, entry.sayAs.trimmed()};
        if (auto it = seen.constFind(key); it != seen.constEnd()) {
            m_entries[*it] = cleaned;
        } else {
            seen.insert(key, int(m_entries.size()));
            m_entries.append(cleaned);
        }
    }
    m_byLength.clear();
    for (int i = 0; i < m_entries.size(); ++i)
        m_byLength.append(i);
    std::stable_sort(m_byLength.begin(), m_byLength.end(), [this](int a, int b) {
        return m_entries[a].word.size() > m_entries[b].word.size();
    });
}

int PronunciationLexicon::matchAt(const QString &text, int position) const
{
    const QStringView view(text);
    for (int index : m_byLength) {
        const QString &word = m_entries[index].word;
        const int end = position + int(word.size());
        if (end > text.size())
            continue;
        if (view.mid(position, word.size()).compare(word, Qt::CaseInsensitive) != 0)
            continue;
        // Whole words only: an entry that begins or ends with a word character must not run
        // on into a neighbouring one.
        if (isWordChar(word.front()) && position > 0 && isWordChar(text.at(position - 1)))
            continue;
        if (isWordChar(word.back()) && end < text.size() && isWordChar(text.at(end)))
            continue;
        return index;
    }
    return -1;
}

PronunciationLexicon::Rewrite PronunciationLexicon::rewrite(const QString &text) const
{
    Rewrite result;
    result.m_originalLength = int(text.size());
    if (m_entries.isEmpty()) {
        result.m_text = text;
        if (!text.isEmpty())
            result.m_pieces.append({0, int(text.size()), 0, int(text.size()), false});
        return result;
    }

    int copiedFrom = 0;
    auto copyUpTo = [&](int end) {
        if (end <= copiedFrom)
            return;
        result.m_pieces.append(
            {int(result.m_text.size()), end - copiedFrom, copiedFrom, end - copiedFrom, false});
        result.m_text += QStringView(text).mid(copiedFrom, end - copiedFrom);
        copiedFrom = end;
    };

    int i = 0;
    while (i < text.size()) {
        // A match can only start where a word starts (or at a non-word character).
        if (i > 0 && isWordChar(text.at(i)) && isWordChar(text.at(i - 1))) {
            ++i;
            continue;
        }
        const int index = matchAt(text, i);
        if (index < 0) {
            ++i;
            continue;
        }
        copyUpTo(i);
        const Entry &entry = m_entries[index];
        const int length = int(entry.word.size());
        result.m_pieces.append(
            {int(result.m_text.size()), int(entry.sayAs.size()), i, length, true});
        result.m_text += entry.sayAs;
        i += length;
        copiedFrom = i;
    }
    copyUpTo(int(text.size()));
    return result;
}

int PronunciationLexicon::Rewrite::originalStart(int position) const
{
    // The piece holding `position`: the last one that starts at or before it.
    auto it = std::upper_bound(m_pieces.begin(), m_pieces.end(), position,
                               [](int p, const Piece &piece) { return p < piece.start; });
    if (it == m_pieces.begin())
        return 0;
    --it;
    if (position >= it->start + it->length)
        return std::min(it->originalStart + it->originalLength, m_originalLength);
    if (it->replaced)
        return it->originalStart;
    return it->originalStart + (position - it->start);
}

int PronunciationLexicon::Rewrite::originalEnd(int end) const
{
    // The piece holding the last character of the range.
    const int last = end - 1;
    auto it = std::upper_bound(m_pieces.begin(), m_pieces.end(), last,
                               [](int p, const Piece &piece) { return p < piece.start; });
    if (it == m_pieces.begin())
        return 0;
    --it;
    if (it->replaced || last >= it->start + it->length)
        return it->originalStart + it->originalLength;
    return it->originalStart + (last - it->start) + 1;
}

std::pair<int, int> PronunciationLexicon::Rewrite::original(int position, int length) const
{
    if (m_pieces.isEmpty())
        return {0, 0};
    position = qBound(0, position, int(m_text.size()));
    length = qBound(0, length, int(m_text.size()) - position);
    const int start = originalStart(position);
    if (length == 0)
        return {start, 0};
    const int end = std::max(start, originalEnd(position + length));
    return {start, end - start};
}
