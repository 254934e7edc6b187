#pragma once

#include <QList>
#include <QString>
#include <utility>

// A voice's user dictionary: words and how to say them. Applied to a text before synthesis;
// the rewrite remembers where every part of the spoken text came from, so that the positions
// an engine reports in the rewritten text lead back to the words of the original.
//
// Matching is whole-word and ignores letter case; where entries overlap at one place the
// longest wins, and replacements are never matched again.
class PronunciationLexicon
{
public:
    struct Entry
    {
        QString word;
        QString sayAs;
        bool operator==(const Entry &other) const = default;
    };

    // The text as the engine gets it, and the way back to the original.
    class Rewrite
    {
    public:
        const QString &text() const { return m_text; }
        // Position and length in the original text of a range of the rewritten one. A range
        // that touches a replacement stretches to the whole word it replaced.
        std::pair<int, int> original(int position, int length) const;

    private:
        friend class PronunciationLexicon;
        // One piece of the rewritten text: copied from the original, or a replacement.
        struct Piece
        {
            int start;         // in the rewritten text
            int length;        // in the rewritten text
            int originalStart; // in the original text
            int originalLength;
            bool replaced;
        };
        int originalStart(int position) const;
        int originalEnd(int end) const;

        QString m_text;
        QList<Piece> m_pieces;
        int m_originalLength = 0;
    };

    PronunciationLexicon() = default;
    explicit PronunciationLexicon(const QList<Entry> &entries);

    // Entries with a blank word are dropped; for a word given twice (in any letter case)
    // the later entry counts.
    void setEntries(const QList<Entry> &entries);
    const QList<Entry> &entries() const { return m_entries; }
    bool isEmpty() const { return m_entries.isEmpty(); }

    Rewrite rewrite(const QString &text) const;

private:
    int matchAt(const QString &text, int position) const;

    QList<Entry> m_entries;
    QList<int> m_byLength; // indexes into m_entries, longest word first
};
