#pragma once

#include <QString>

// Where the word that the engine reports ends within its chunk. Engines report only where
// a word starts; the word runs to the next space or line break.
class WordSpan
{
public:
    // 1-based position of the delimiter after the word starting at the 0-based position
    // `wordPosition`, or the chunk's length + 1 when the word runs to the end of the chunk.
    static int wordEnd(const QString &chunk, int wordPosition);
    // The word without its delimiter; empty when the position lies past the chunk.
    static QString wordAt(const QString &chunk, int wordPosition);
    // Whether a word holds anything beyond spaces and punctuation.
    static bool isSpoken(const QString &word);
};
