#include "ParallelSynthesis.h"

#include "AudioFileWriter.h"
#include "SentenceChunker.h"
#include "SpeechControl.h"
#include "SpeechError.h"
#include "SynthesisWorker.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <sndfile.h>

namespace {

// Several pieces per worker keep both busy to the end even when one piece happens to be
// slow to speak; pieces much smaller than this would cost more in hand-over than they gain.
constexpr int PiecesPerWorker = 8;
constexpr qsizetype SmallestPiece = 400;
constexpr qsizetype LargestPiece = 20000;

QString piecePath(const QTemporaryDir &folder, int piece, const char *extension)
{
    return folder.filePath(QStringLiteral("%1.%2").arg(piece).arg(QLatin1String(extension)));
}

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

void ParallelSynthesis::run(const QString &text, AudioFileWriter &writer)
{
    QTemporaryDir folder;
    if (!folder.isValid())
        throw SpeechError(
            SpeechErrors::FileAccess,
            QStringLiteral("Cannot create a temporary folder: %1").arg(folder.errorString()));
    const qsizetype target =
        qBound(SmallestPiece, text.size() / (m_workerCount * PiecesPerWorker), LargestPiece);
    m_pieces = SentenceChunker::split(text, target);
    m_pieceDone.assign(size_t(m_pieces.size()), false);
    m_total = text.size();
    m_finishedCharacters = 0;
    m_nextPiece = 0;
    m_nextToAppend = 0;
    m_failure.reset();
    m_cancelled = false;
    m_folder = &folder;
    m_writer = &writer;
    if (m_pieces.isEmpty())
        return;

    QEventLoop loop;
    m_loop = &loop;
    m_workers.clear();
    m_workers.resize(size_t(qMin<qsizetype>(m_workerCount, m_pieces.size())));
    for (Worker &worker : m_workers)
        startWorker(worker);
    if (!m_failure && !m_cancelled)
        loop.exec();
    m_loop = nullptr;
    stopWorkers();
    m_writer = nullptr;
    m_folder = nullptr;
    if (m_cancelled)
        throw SpeechError(SpeechErrors::Cancelled, QStringLiteral("Speaking to file was stopped."));
    if (m_failure)
        throw SpeechError(m_failure->first, m_failure->second);
    emit progress(m_total, m_total);
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
    worker.process = new QProcess(this);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // A worker only writes files: it needs neither a sound device nor a display.
    environment.insert(QStringLiteral("PARLANCE_AUDIO"), QStringLiteral("null"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    worker.process->setProcessEnvironment(environment);
    worker.process->setProcessChannelMode(QProcess::SeparateChannels);
    worker.process->setStandardErrorFile(QProcess::nullDevice());
    QProcess *process = worker.process;
    const size_t index = size_t(&worker - m_workers.data());
    connect(process, &QProcess::readyReadStandardOutput, this,
            [this, index] { readWorker(m_workers[index]); });
    connect(process, &QProcess::finished, this, [this, index] {
        Worker &w = m_workers[index];
        readWorker(w);
        if (w.process && (!w.ready || w.piece >= 0))
            fail(SpeechErrors::SynthesisFailed,
                 QStringLiteral("A synthesis worker ended unexpectedly."));
    });
    connect(process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            fail(SpeechErrors::SynthesisFailed,
                 QStringLiteral("Cannot start the synthesis worker \"%1\".")
                     .arg(QDir::toNativeSeparators(m_program)));
    });
    QStringList arguments{QString::fromLatin1(SynthesisWorker::Switch),
                          QStringLiteral("--chunk-format"), QString::number(m_chunkFormat)};
    arguments += m_voice.toArguments();
    process->start(m_program, arguments);
}

void ParallelSynthesis::readWorker(Worker &worker)
{
    if (!worker.process)
        return;
    worker.received += worker.process->readAllStandardOutput();
    qsizetype end;
    while ((end = worker.received.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(worker.received.left(end));
        worker.received.remove(0, end + 1);
        handleLine(worker, line);
        if (m_failure || m_cancelled)
            return;
    }
}

void ParallelSynthesis::handleLine(Worker &worker, const QString &line)
{
    if (line == QLatin1String("ready")) {
        worker.ready = true;
        dispatch(worker);
    } else if (line.startsWith(QLatin1String("p "))) {
        worker.pieceDone = line.mid(2).toLongLong();
        reportProgress();
    } else if (line == QLatin1String("ok") && worker.piece >= 0) {
        m_pieceDone[size_t(worker.piece)] = true;
        m_finishedCharacters += m_pieces.at(worker.piece).size();
        worker.piece = -1;
        worker.pieceDone = 0;
        appendFinished();
        if (!m_failure)
            dispatch(worker);
        reportProgress();
    } else if (line.startsWith(QLatin1String("error "))) {
        const QString rest = line.mid(6);
        const qsizetype space = rest.indexOf(QLatin1Char(' '));
        fail(rest.left(space).toInt(), space < 0 ? QString() : rest.mid(space + 1));
    }
}

void ParallelSynthesis::dispatch(Worker &worker)
{
    if (m_nextPiece >= m_pieces.size()) {
        // Nothing left for this worker: closing its input lets it end.
        worker.process->closeWriteChannel();
        return;
    }
    const int piece = m_nextPiece++;
    const QString textPath = piecePath(*m_folder, piece, "txt");
    QFile file(textPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_pieces.at(piece).toUtf8()) < 0) {
        fail(SpeechErrors::FileAccess, QStringLiteral("Cannot write the temporary file \"%1\".")
                                           .arg(QDir::toNativeSeparators(textPath)));
        return;
    }
    file.close();
    worker.piece = piece;
    worker.pieceDone = 0;
    const QString request =
        textPath + QLatin1Char('\t') + piecePath(*m_folder, piece, "wav") + QLatin1Char('\n');
    worker.process->write(request.toUtf8());
}

void ParallelSynthesis::appendFinished()
{
    try {
        while (m_nextToAppend < m_pieces.size() && m_pieceDone[size_t(m_nextToAppend)]) {
            const QString wav = piecePath(*m_folder, m_nextToAppend, "wav");
            appendWav(wav, *m_writer);
            QFile::remove(wav);
            QFile::remove(piecePath(*m_folder, m_nextToAppend, "txt"));
            ++m_nextToAppend;
        }
    } catch (const SpeechError &e) {
        fail(e.number, e.description);
        return;
    }
    if (m_nextToAppend >= m_pieces.size() && m_loop)
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
        if (worker.piece >= 0)
            done += qMin(worker.pieceDone, qint64(m_pieces.at(worker.piece).size()));
    emit progress(done, m_total);
}

void ParallelSynthesis::stopWorkers()
{
    for (Worker &worker : m_workers) {
        if (!worker.process)
            continue;
        QProcess *process = worker.process;
        worker.process = nullptr;
        process->disconnect(this);
        if (process->state() != QProcess::NotRunning) {
            // A worker with nothing to do ends at the end of its input; one still speaking is
            // stopped.
            if (worker.piece >= 0 || !worker.ready)
                process->kill();
            else
                process->closeWriteChannel();
            process->waitForFinished(5000);
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(1000);
            }
        }
        delete process;
    }
}

void ParallelSynthesis::appendWav(const QString &path, AudioFileWriter &writer)
{
    SF_INFO info{};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        throw SpeechError(
            SpeechErrors::FileAccess,
            QStringLiteral("Cannot read the audio of \"%1\": %2")
                .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(sf_strerror(nullptr))));
    std::vector<qint16> buffer(32768);
    sf_count_t read;
    try {
        while ((read = sf_read_short(file, buffer.data(), sf_count_t(buffer.size()))) > 0)
            writer.write(buffer.data(), int(read));
    } catch (...) {
        sf_close(file);
        throw;
    }
    sf_close(file);
}
