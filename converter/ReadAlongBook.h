#pragma once

#include "AudioFileWriter.h"
#include "EpubWriter.h"
#include "SpeechTimeline.h"

#include <QList>
#include <QString>
#include <functional>

class QTextDocument;

// A document written as an EPUB 3 book that reads itself aloud: one page and one audio
// file per chapter, and media overlays that tie each sentence, or each word, to the
// moment it is heard.
class ReadAlongBook
{
public:
    struct Chapter
    {
        QString title;
        qsizetype start = 0; // document positions
        qsizetype end = 0;
    };
    struct Options
    {
        AudioFileWriter::Format audio = AudioFileWriter::Mp3; // Mp3 or Opus
        bool words = false;    // overlays for every word, not just every sentence
        int chunkRate = 22050; // the rate synthesis speaks at
    };
    // Speaks the document's text from `from` to `to` into the open `writer`, telling where
    // its words start (positions counted from `from`).
    using Synthesis = std::function<void(qsizetype from, qsizetype to, AudioFileWriter &writer,
                                         SpeechTimeline &timeline)>;

    ReadAlongBook(const QTextDocument &document, const Options &options)
        : m_document(document), m_options(options)
    {
    }

    // Speaks every chapter and writes the book at `path`: complete or not at all. Throws
    // SpeechError from synthesis or writing.
    void write(const QString &path, const QList<Chapter> &chapters,
               const EpubWriter::Metadata &metadata, const Synthesis &synthesis);
    // The language a book is declared in when its document names none: the user's.
    static QString defaultLanguage();
    // True when the voice reported no words, so the book is timed by sentence.
    bool bySentence() const { return m_bySentence; }

private:
    const QTextDocument &m_document;
    Options m_options;
    bool m_bySentence = false;
};
