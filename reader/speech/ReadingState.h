#pragma once

#include "SpokenText.h"

#include <QString>
#include <QtGlobal>
#include <climits>
#include <memory>

// What the main window knows about the reading in progress. It lives as long as the window;
// the reading controller and the speech event handler are the only writers of the reading
// fields, the background readers set the two speech-source flags before they call speak.
struct ReadingState
{
    // The chunk the engine is speaking, exactly as cut from the text.
    QString currentChunk;
    // Text after currentChunk not yet handed to the engine; empty while the last chunk plays.
    QString remainingText;
    // Length of the whole text given to speak.
    qint32 totalLength = 0;
    // Document position where currentChunk starts.
    qint32 chunkOffset = 0;
    // Length of the range being read: the document for Read All, the selection otherwise.
    qint32 rangeLength = 0;
    // Position in currentChunk of the word reported last.
    qint32 wordPosition = 0;

    bool speaking = false;
    // The speech came from the clipboard or a dialog box: it is not in the document.
    bool backgroundSpeech = false;
    bool dialogSpeech = false;

    // chunkOffset as it was when speak started this reading. Progress and the resume point
    // count from here, so a reading of a selection or of copied text measures itself and
    // not its distance from the top of the document.
    qint32 readingStart = 0;
    // Bumped by every speak and every stop. A handler that yielded to the event loop compares
    // it afterwards to learn that its reading was stopped or replaced meanwhile.
    quint64 generation = 0;
    // True while the event handler waits between two chunks; the engine is silent then, so
    // a stop has no end-of-speech event to finish the reading with.
    bool betweenChunks = false;

    // How the text being read maps back to the document, for a reading of the document:
    // the engine hears its spoken text (list numbers, picture descriptions, pauses), and
    // words are marked where they are shown. None for copied text and dialog text, which
    // are spoken as they are.
    std::shared_ptr<const SpokenText> spoken;
    // Where currentChunk starts in the text given to speak.
    qint32 spokenChunkStart = 0;

    // The document range that [offset, offset + length) of the text given to speak stands for.
    SpokenText::Range documentRange(qint32 offset, qint32 length) const
    {
        if (spoken)
            return spoken->documentRange(offset, length);
        return {int(qBound(qint64(0), qint64(readingStart) + offset, qint64(INT_MAX))), length};
    }
};
