#pragma once

#include "AudioBook.h"
#include "AudioFileWriter.h"
#include "ReadAlongBook.h"
#include "SubtitleWriter.h"
#include "VoiceSetup.h"

#include <QString>
#include <QStringList>

class ParallelSynthesis;
class QTextDocument;

// The converter's command line for scripts: documents in, one audio file out for each, no
// window. Messages go to standard error, prefixed with the program's name.
class BatchConverter
{
public:
    // The program's exit codes; with several failures, the first one's.
    enum ExitCode {
        Success = 0,
        InputFailed = 1,  // an input could not be read or held no text; the others were done
        BadUsage = 2,     // unknown option, value out of range, unknown format
        UnknownVoice = 3, // no voice of that name
        OutputFailed = 4, // an output could not be written (folder, permissions, full disk)
        SynthesisFailed = 5,
        Interrupted = 6, // stopped by a signal; the file being written was removed
    };

    // True when the arguments (without the program's own name) ask for this mode rather
    // than the reader's "*" line: no "*" anywhere and at least one option.
    static bool isBatchCommandLine(const QStringList &arguments);
    static QString helpText();
    // How many synthesis workers the arguments will want: none for help or the voice list.
    static int workersFor(const QStringList &arguments);

    // `arguments` without the program's own name; `workerProgram` is started for synthesis.
    int run(const QStringList &arguments, const QString &workerProgram);

private:
    struct Job
    {
        QString input; // "-" for standard input
        QString output;
        QString folder; // split into chapters: where their files go
    };

    int convert(const Job &job);
    int speakBook(const Job &job, const QTextDocument &document, const AudioBook &book,
                  const QString &name);
    void writeBook(const Job &job, const QTextDocument &document, const AudioBook &audio);
    // Subtitles of an audio file just written, beside it.
    void writeSubtitles(const QString &audioPath, const QString &text,
                        const SpeechTimeline &timeline, const QString &title);
    bool planOutputs(const QStringList &inputs, const QString &output);
    void report(const QString &message) const;
    void noteFailure(int code);

    QString m_workerProgram;
    VoiceSetup m_voice;
    QString m_voiceLabel;
    AudioFileWriter::Format m_format = AudioFileWriter::Wav;
    bool m_formatGiven = false;
    bool m_split = false;
    int m_workers = 1;
    int m_chunkFormat = 0;
    QList<SubtitleWriter::Format> m_subtitles;
    // An EPUB book with narration instead of an audio file.
    bool m_book = false;
    ReadAlongBook::Options m_bookOptions;
    bool m_toldBySentence = false;
    ParallelSynthesis *m_synthesis = nullptr;
    QList<Job> m_jobs;
    int m_exitCode = Success;
};
