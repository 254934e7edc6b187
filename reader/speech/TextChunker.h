#pragma once

#include <QString>

// Cuts the text handed to the engine into pieces it accepts: at most MaxLength characters,
// ending after the last space that fits so that no word is torn apart.
class TextChunker
{
public:
    static constexpr int MaxLength = 4096;

    struct Chunk
    {
        QString chunk; // what the engine speaks now
        QString rest;  // what follows it
    };

    // A text of at most MaxLength characters is one chunk. A longer one ends after its last
    // space within the first MaxLength characters. Text without such a space (Chinese or
    // Japanese prose, a long web address) ends after its last other whitespace or
    // punctuation mark instead, else at MaxLength itself, one earlier when that would split
    // a surrogate pair. The chunk is never empty while text remains.
    static Chunk cut(const QString &text);
};
