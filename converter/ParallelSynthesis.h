#pragma once

#include "SpeechTimeline.h"
#include "VoiceSetup.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

class AudioFileWriter;
class QEventLoop;
class WorkerChannel;

// Speaks a long text on every core: the text is cut at sentence ends, the pieces are spoken
// by worker copies of the converter (see SynthesisWorker), and their audio comes back over
// the workers' pipes and is appended to the output in the text's order, the piece that is
// next in the text as it arrives, later ones once the pieces before them are done.
class ParallelSynthesis : public QObject
{
    Q_OBJECT
public:
    // `program` is the converter to start as a worker; `chunkFormat` the speech control's
    // file format (22 or 16 kHz) the pieces are spoken in; `workers` at least 1.
    ParallelSynthesis(const QString &program, const VoiceSetup &voice, int chunkFormat, int workers,
                      QObject *parent = nullptr);
    ~ParallelSynthesis() override;

    // The rate of the pieces' audio: what the output writer must be opened with.
    static int chunkRate(int chunkFormat);

    // Starts the workers ahead of the first run(), so that they set up their voices while
    // the caller reads its document; run() starts any that are not running.
    void start();
    // Speaks `text` into the open `writer` and returns when every piece has been appended
    // (the caller finishes the file); the workers stay for the next text. Throws SpeechError:
    // Cancelled after cancel(), the worker's error when a piece fails. `timeline`, when
    // given, receives where each word of `text` starts in the written audio.
    void run(const QString &text, AudioFileWriter &writer, SpeechTimeline *timeline = nullptr);
    // Stops the workers; run() then throws Cancelled.
    void cancel();

signals:
    // Characters of the text spoken so far, out of all.
    void progress(qint64 done, qint64 total);

private:
    // A stretch of the text handed to one worker, and its audio while pieces before it are
    // still being spoken.
    // Audio within a block read from a worker's pipe, the block shared rather than copied.
    struct AudioSlice
    {
        QByteArray block;
        qsizetype offset = 0;
        qsizetype size = 0;
    };
    struct Piece
    {
        qsizetype characters = 0;
        std::vector<AudioSlice> audio;
        bool done = false;
        // Its words, from the start of its own audio and text.
        qint64 samples = 0;
        std::vector<SpeechTimeline::Mark> marks;
    };
    struct Worker
    {
        WorkerChannel *channel = nullptr;
        // The start of a line, or half a sample, that the next read completes.
        QByteArray carried;
        qint64 audioLeft = 0; // bytes of the current audio message still to come
        // Pieces handed to the worker, in order; audio and progress are of the first.
        std::deque<int> pieces;
        qint64 pieceDone = 0;
        bool ready = false;
    };

    void startWorker(Worker &worker);
    void readWorker(Worker &worker);
    void handleLine(Worker &worker, const QByteArray &line);
    void takeAudio(Worker &worker, const QByteArray &block, qsizetype offset, qsizetype bytes);
    void dispatch(Worker &worker);
    void appendFinished();
    void fail(int number, const QString &description);
    void reportProgress();
    void stopWorkers();
    void fillTimeline(SpeechTimeline &timeline) const;

    QString m_program;
    VoiceSetup m_voice;
    int m_chunkFormat;
    int m_workerCount;

    // One run's state.
    QStringList m_sentences;
    int m_nextSentence = 0;
    qint64 m_total = 0;
    qint64 m_handedOut = 0;
    qint64 m_finishedCharacters = 0;
    std::vector<Piece> m_pieces;
    size_t m_nextToAppend = 0;
    std::vector<Worker> m_workers;
    AudioFileWriter *m_writer = nullptr;
    QEventLoop *m_loop = nullptr;
    std::optional<std::pair<int, QString>> m_failure;
    bool m_cancelled = false;
    bool m_bySentence = false;
};
