#pragma once

#include "VoiceSetup.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class AudioFileWriter;
class QProcess;
class QTemporaryDir;

// Speaks a long text on every core: the text is cut at sentence ends, the pieces are spoken
// by worker copies of the converter (see SynthesisWorker), and their audio is appended to
// the output in the text's order as soon as the pieces before it are done.
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

    // Speaks `text` into the open `writer` and returns when every piece has been appended
    // (the caller finishes the file). Throws SpeechError: Cancelled after cancel(), the
    // worker's error when a piece fails.
    void run(const QString &text, AudioFileWriter &writer);
    // Stops the workers; run() then throws Cancelled.
    void cancel();

    // Appends a 16-bit WAV file's samples to `writer`. Throws SpeechError (FileAccess).
    static void appendWav(const QString &path, AudioFileWriter &writer);

signals:
    // Characters of the text spoken so far, out of all.
    void progress(qint64 done, qint64 total);

private:
    struct Worker
    {
        QProcess *process = nullptr;
        QByteArray received;
        int piece = -1;
        qint64 pieceDone = 0;
        bool ready = false;
    };

    void startWorker(Worker &worker);
    void readWorker(Worker &worker);
    void handleLine(Worker &worker, const QString &line);
    void dispatch(Worker &worker);
    void appendFinished();
    void fail(int number, const QString &description);
    void reportProgress();
    void stopWorkers();

    QString m_program;
    VoiceSetup m_voice;
    int m_chunkFormat;
    int m_workerCount;

    // One run's state.
    QStringList m_pieces;
    std::vector<bool> m_pieceDone;
    qint64 m_total = 0;
    qint64 m_finishedCharacters = 0;
    int m_nextPiece = 0;
    int m_nextToAppend = 0;
    std::vector<Worker> m_workers;
    QTemporaryDir *m_folder = nullptr;
    AudioFileWriter *m_writer = nullptr;
    class QEventLoop *m_loop = nullptr;
    std::optional<std::pair<int, QString>> m_failure;
    bool m_cancelled = false;
};
