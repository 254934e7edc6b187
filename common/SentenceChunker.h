#pragma once

#include <QString>
#include <QStringList>

// Cuts a text into pieces that can be spoken independently and joined again: each piece ends
// at the end of a sentence (or a line), so no word and no sentence melody is split.
class SentenceChunker
{
public:
    // Pieces of at least `targetSize` characters where the text allows, in order; joined
    // they give the text back unchanged. A sentence longer than `maximumSize` is cut at a
    // space so that one endless sentence cannot keep a single worker busy alone.
    static QStringList split(const QString &text, qsizetype targetSize, qsizetype maximumSize = 0);
};
