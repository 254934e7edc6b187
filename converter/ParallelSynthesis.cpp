#include "ParallelSynthesis.h"

#include "AudioFileWriter.h"
#include "SentenceChunker.h"
#include "SpeechControl.h"
#include "SpeechError.h"
#include "WorkerChannel.h"
#include "WorkerSpares.h"

#include <QDir>
#include <QEventLoop>

namespace {

// The text is cut into sentences of about this size, and each worker is handed a run of
// them when it asks: half of what is left shared among the workers, so that early pieces are
// long (few hand-overs) and the last ones short, and every worker finishes at about the
// same time instead of one speaking a long last piece alone.
constexpr qsizetype SentenceSize = 300;
constexpr qsizetype SmallestPiece = 600;
// A piece's audio is held in memory while the pieces before it are spoken: about 2.5 MB per
// thousand characters at 22 kHz.
constexpr qsizetype LargestPiece = 6000;
// A worker's audio message is never larger than this; more is a broken worker.
constexpr qint64 LargestMessage = qint64(1) << 26;
// Its other messages are short lines.
constexpr qsizetype LongestLine = 65536;

} // namespace

ParallelSynthesis::ParallelSynthesis(const QString &program, const VoiceSetup &voice,
                                     int chunkFormat, int workers, QObject *parent)
    : QObject(parent), m_program(program), m_voice(voice), m_chunkFormat(chunkFormat),
      m_workerCount(qMax(1, workers))
{
}

ParallelSynthesis::~ParallelSynthesis()
{
    stopWorkers();
}

int ParallelSynthesis::chunkRate(int chunkFormat)
{
    return chunkFormat == SpeechControl::Format16kHz16BitMono ? 16000 : 22050;
}

void ParallelSynthesis::run(const QString &text, AudioFileWriter &writer, SpeechTimeline *timeline)
{
    m_sentences = SentenceChunker::split(text, SentenceSize);
    m_nextSentence = 0;
    m_total = text.size();
    m_handedOut = 0;
    m_finishedCharacters = 0;
    m_pieces.clear();
    m_nextToAppend = 0;
    m_failure.reset();
    m_cancelled = false;
    m_writer = &writer;
    if (timeline) {
        *timeline = SpeechTimeline();
        timeline->sampleRate = chunkRate(m_chunkFormat);
    }
    if (m_sentences.isEmpty())
        return;

    QEventLoop loop;
    m_loop = &loop;
    start();
    // Workers that became ready while the caller was busy get their pieces now.
    for (Worker &worker : m_workers) {
        if (worker.channel && worker.ready && worker.pieces.empty()) {
            dispatch(worker);
            dispatch(worker);
        }
    }
    if (!m_failure && !m_cancelled)
        loop.exec();
    m_loop = nullptr;
    // Workers that did their part stay for the next text; after a failure none are left.
    if (m_failure || m_cancelled)
        stopWorkers();
    m_writer = nullptr;
    if (timeline && !m_failure && !m_cancelled)
        fillTimeline(*timeline);
    m_pieces.clear();
    if (m_cancelled)
        throw SpeechError(SpeechErrors::Cancelled, QStringLiteral("Speaking to file was stopped."));
    if (m_failure)
        throw SpeechError(m_failure->first, m_failure->second);
    emit progress(m_total, m_total);
}

void ParallelSynthesis::start()
{
    if (m_workers.empty())
        m_workers.resize(size_t(m_workerCount));
    for (Worker &worker : m_workers)
        if (!worker.channel && !m_failure)
            startWorker(worker);
}

void ParallelSynthesis::cancel()
{
    m_cancelled = true;
    stopWorkers();
    if (m_loop)
        m_loop->quit();
}

void ParallelSynthesis::startWorker(Worker &worker)
{
    worker = Worker();
    QString error;
    worker.channel = WorkerSpares::take(this);
    if (!worker.channel)
        worker.channel = WorkerChannel::start(m_program, this, &error);
    if (!worker.channel) {
        fail(SpeechErrors::SynthesisFailed,
             QStringLiteral("Cannot start the synthesis worker \"%1\": %2")
                 .arg(QDir::toNativeSeparators(m_program), error));
        return;
    }
    WorkerChannel *channel = worker.channel;
    const size_t index = size_t(&worker - m_workers.data());
    connect(channel, &WorkerChannel::readyRead, this,
            [this, index] { readWorker(m_workers[index]); });
    connect(channel, &WorkerChannel::finished, this, [this, index] {
        Worker &w = m_workers[index];
        if (!w.channel)
            return;
        if (!w.ready || !w.pieces.empty()) {
            fail(SpeechErrors::SynthesisFailed,
                 QStringLiteral("A synthesis worker ended unexpectedly."));
            return;
        }
        // An idle worker that ended is started afresh for the next text.
        w.channel->disconnect(this);
        w.channel->deleteLater();
        w = Worker();
    });
    QStringList arguments{QStringLiteral("--chunk-format"), QString::number(m_chunkFormat)};
    arguments += m_voice.toArguments();
    const QByteArray voice = arguments.join(QChar(0)).toUtf8();
    channel->write(QByteArray::number(voice.size()) + '\n' + voice);
}

void ParallelSynthesis::readWorker(Worker &worker)
{
    if (!worker.channel)
        return;
    // Audio is taken from the block as it was read; only a line or a sample cut in two by the
    // end of a read is carried over to the next.
    const QByteArray block = worker.channel->readAll();
    qsizetype at = 0;
    while (worker.channel && !m_failure && !m_cancelled && at < block.size()) {
        if (worker.audioLeft > 0 && !worker.carried.isEmpty()) {
            worker.carried.append(block.at(at++));
            takeAudio(worker, worker.carried, 0, 2);
            worker.carried.clear();
            worker.audioLeft -= 2;
        } else if (worker.audioLeft > 0) {
            const qsizetype bytes = qsizetype(qMin<qint64>(worker.audioLeft, block.size() - at));
            const qsizetype whole = bytes & ~qsizetype(1);
            if (whole > 0)
                takeAudio(worker, block, at, whole);
            worker.audioLeft -= whole;
            at += whole;
            if (whole < bytes)
                worker.carried = block.mid(at++, 1);
        } else {
            const qsizetype end = block.indexOf('\n', at);
            if (end < 0) {
                worker.carried += block.mid(at);
                if (worker.carried.size() > LongestLine)
                    fail(SpeechErrors::SynthesisFailed,
                         QStringLiteral("A synthesis worker sent a message that cannot be read."));
                break;
            }
            QByteArray line = block.mid(at, end - at);
            if (!worker.carried.isEmpty())
                line.prepend(std::exchange(worker.carried, QByteArray()));
            at = end + 1;
            handleLine(worker, line);
        }
    }
}

void ParallelSynthesis::handleLine(Worker &worker, const QByteArray &line)
{
    if (line == "ready") {
        worker.ready = true;
        // A second piece waits in the worker's input, so that it goes straight on when it
        // has spoken the first, however long its audio takes to come through.
        dispatch(worker);
        dispatch(worker);
    } else if (line.startsWith("a ") && !worker.pieces.empty()) {
        bool valid = false;
        const qint64 bytes = line.mid(2).toLongLong(&valid);
        if (!valid || bytes < 0 || bytes % 2 || bytes > LargestMessage)
            fail(SpeechErrors::SynthesisFailed,
                 QStringLiteral("A synthesis worker sent audio that cannot be read."));
        else
            worker.audioLeft = bytes;
    } else if (line.startsWith("w ") && !worker.pieces.empty()) {
        const QList<QByteArray> fields = line.mid(2).split(' ');
        Piece &piece = m_pieces[size_t(worker.pieces.front())];
        const SpeechTimeline::Mark mark{fields.value(0).toLongLong(), fields.value(1).toLongLong(),
                                        fields.value(2).toLongLong()};
        // A mark outside its piece is a broken worker's; the audio still counts.
        if (fields.size() == 3 && mark.sample >= 0 && mark.position >= 0 && mark.length >= 0 &&
            mark.position + mark.length <= piece.characters)
            piece.marks.push_back(mark);
    } else if (line == "sentences") {
        m_bySentence = true;
    } else if (line.startsWith("p ")) {
        worker.pieceDone = line.mid(2).toLongLong();
        reportProgress();
    } else if (line == "ok" && !worker.pieces.empty()) {
        Piece &piece = m_pieces[size_t(worker.pieces.front())];
        piece.done = true;
        m_finishedCharacters += piece.characters;
        worker.pieces.pop_front();
        worker.pieceDone = 0;
        // The worker's next piece goes out before this one is written, which may take a
        // while when it waited for the pieces before it.
        dispatch(worker);
        appendFinished();
        reportProgress();
    } else if (line.startsWith("error ")) {
        const QString rest = QString::fromUtf8(line.mid(6));
        const qsizetype space = rest.indexOf(QLatin1Char(' '));
        fail(rest.left(space).toInt(), space < 0 ? QString() : rest.mid(space + 1));
    }
}

void ParallelSynthesis::takeAudio(Worker &worker, const QByteArray &block, qsizetype offset,
                                  qsizetype bytes)
{
    const int current = worker.pieces.front();
    m_pieces[size_t(current)].samples += bytes / qsizetype(sizeof(qint16));
    if (size_t(current) != m_nextToAppend) {
        // Later in the text than what is being written: held until its turn.
        m_pieces[size_t(current)].audio.push_back({block, offset, bytes});
        return;
    }
    try {
        m_writer->write(reinterpret_cast<const qint16 *>(block.constData() + offset),
                        int(bytes / qsizetype(sizeof(qint16))));
    } catch (const SpeechError &e) {
        fail(e.number, e.description);
    }
}

void ParallelSynthesis::dispatch(Worker &worker)
{
    // Nothing left: the worker waits for the next text.
    if (m_nextSentence >= m_sentences.size())
        return;
    const qint64 share = (m_total - m_handedOut) / (2 * qint64(m_workers.size()));
    const qint64 target = qBound<qint64>(SmallestPiece, share, LargestPiece);
    QString text;
    while (m_nextSentence < m_sentences.size() && text.size() < target)
        text += m_sentences.at(m_nextSentence++);
    m_handedOut += text.size();
    worker.pieces.push_back(int(m_pieces.size()));
    Piece piece;
    piece.characters = text.size();
    m_pieces.push_back(std::move(piece));
    const QByteArray bytes = text.toUtf8();
    worker.channel->write(QByteArray::number(bytes.size()) + '\n' + bytes);
}

void ParallelSynthesis::appendFinished()
{
    try {
        while (m_nextToAppend < m_pieces.size()) {
            Piece &piece = m_pieces[m_nextToAppend];
            // What a piece spoken ahead has gathered so far goes out now; the rest streams in.
            for (const AudioSlice &audio : piece.audio)
                m_writer->write(
                    reinterpret_cast<const qint16 *>(audio.block.constData() + audio.offset),
                    int(audio.size / qsizetype(sizeof(qint16))));
            std::vector<AudioSlice>().swap(piece.audio);
            if (!piece.done)
                break;
            ++m_nextToAppend;
        }
    } catch (const SpeechError &e) {
        fail(e.number, e.description);
        return;
    }
    if (m_nextToAppend >= m_pieces.size() && m_nextSentence >= m_sentences.size() && m_loop)
        m_loop->quit();
}

void ParallelSynthesis::fail(int number, const QString &description)
{
    if (m_failure || m_cancelled)
        return;
    m_failure = {number > 0 ? number : SpeechErrors::SynthesisFailed, description};
    stopWorkers();
    if (m_loop)
        m_loop->quit();
}

void ParallelSynthesis::reportProgress()
{
    qint64 done = m_finishedCharacters;
    for (const Worker &worker : m_workers)
        if (!worker.pieces.empty())
            done +=
                qMin(worker.pieceDone, qint64(m_pieces[size_t(worker.pieces.front())].characters));
    emit progress(done, m_total);
}

void ParallelSynthesis::fillTimeline(SpeechTimeline &timeline) const
{
    // The pieces' audio and text follow each other in order.
    timeline.bySentence = m_bySentence;
    qsizetype position = 0;
    for (const Piece &piece : m_pieces) {
        for (const SpeechTimeline::Mark &mark : piece.marks)
            timeline.marks.push_back({timeline.samples + qMin(mark.sample, piece.samples),
                                      position + mark.position, mark.length});
        timeline.samples += piece.samples;
        position += piece.characters;
    }
}

void ParallelSynthesis::stopWorkers()
{
    // All are told first and waited for after, so that they end together.
    std::vector<WorkerChannel *> stopping;
    for (Worker &worker : m_workers) {
        if (!worker.channel)
            continue;
        WorkerChannel *channel = std::exchange(worker.channel, nullptr);
        channel->disconnect(this);
        // A worker with nothing to do ends at the end of its input; one still speaking is
        // stopped.
        if (!worker.pieces.empty() || !worker.ready)
            channel->kill();
        else
            channel->closeInput();
        stopping.push_back(channel);
    }
    for (WorkerChannel *channel : stopping) {
        if (!channel->waitForFinished(5000)) {
            channel->kill();
            channel->waitForFinished(1000);
        }
        // Possibly inside one of its own signals: it goes when control is back in the loop.
        channel->deleteLater();
    }
}
