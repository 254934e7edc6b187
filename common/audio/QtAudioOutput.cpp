#include "QtAudioOutput.h"

#include "PcmBuffer.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QLoggingCategory>
#include <QMediaDevices>

Q_LOGGING_CATEGORY(lcAudio, "parlance.audio", QtWarningMsg)

namespace {
// What the server is asked to hold ahead of the speaker; it grants about half of it.
// Playback must survive the UI thread, or the sound server itself, being kept from running
// for a moment on a busy machine. A stop drops it all at once, and the played position
// accounts for it, so a long buffer costs neither stop nor word marks.
constexpr qint64 BufferUSecs = 1000000;
// A sink that holds sound and plays none of it for this long is not going to.
constexpr qint64 StallMSecs = 1500;
// Fresh sinks in a row that play nothing before the device is given up for this stream.
constexpr int MaxFruitlessSinks = 3;
} // namespace

QtAudioOutput::QtAudioOutput(QObject *parent) : AudioOutput(parent)
{
    m_pump.setInterval(10);
    m_pump.setTimerType(Qt::PreciseTimer);
    connect(&m_pump, &QTimer::timeout, this, &QtAudioOutput::feed);
}

QtAudioOutput::~QtAudioOutput()
{
    stop();
}

bool QtAudioOutput::openSink()
{
    m_sink = new QAudioSink(QMediaDevices::defaultAudioOutput(), m_format, this);
    m_sink->setBufferSize(m_format.bytesForDuration(BufferUSecs));
    m_sinkWritten = 0;
    m_sinkPlayed = 0;
    m_padded = false;
    m_sinceProgress.start();
    m_device = m_sink->start();
    if (!m_device || m_sink->state() == QAudio::StoppedState) {
        qCWarning(lcAudio) << "audio sink could not be opened, error" << m_sink->error();
        closeSink();
        return false;
    }
    qCDebug(lcAudio) << "sink opened, buffer" << m_sink->bufferSize() << "bytes";
    return true;
}

void QtAudioOutput::closeSink()
{
    if (!m_sink)
        return;
    // Stopping asks the server to play out what the stream holds before it disconnects, so
    // that a tail the server was still holding back could be heard after the reading has
    // ended, or over the sink that replaces this one. Pausing first drops it. The sink is
    // deleted later: its destructor runs the event loop, which must not happen inside a stop.
    m_sink->disconnect(this);
    if (m_sink->state() == QAudio::ActiveState || m_sink->state() == QAudio::IdleState)
        m_sink->suspend();
    m_sink->stop();
    m_sink->deleteLater();
    m_sink = nullptr;
    m_device = nullptr;
}

void QtAudioOutput::start(std::shared_ptr<PcmBuffer> buffer, int sampleRate)
{
    stop();
    m_format = QAudioFormat();
    m_format.setSampleRate(sampleRate);
    m_format.setChannelCount(1);
    m_format.setSampleFormat(QAudioFormat::Int16);
    m_buffer = std::move(buffer);
    m_base = 0;
    m_played = 0;
    m_fruitlessSinks = 0;
    m_usable = openSink();
    if (!m_usable)
        return;
    m_pump.start();
    feed();
}

void QtAudioOutput::stop()
{
    m_pump.stop();
    closeSink();
    m_buffer.reset();
    m_pending.clear();
    m_pendingPos = 0;
}

bool QtAudioOutput::sinkBroken() const
{
    const QAudio::Error error = m_sink->error();
    return error == QAudio::IOError || error == QAudio::FatalError || error == QAudio::OpenError ||
           m_sink->state() == QAudio::StoppedState;
}

void QtAudioOutput::replaceSink(const char *why)
{
    qCWarning(lcAudio) << "audio sink" << why << "- state" << m_sink->state() << "error"
                       << m_sink->error() << "processed" << m_sink->processedUSecs() << "us of"
                       << m_sinkWritten << "frames; starting a fresh one";
    // What the old sink took counts as played, so that the word marks keep their places.
    m_base += m_sinkWritten;
    closeSink();
    if (++m_fruitlessSinks > MaxFruitlessSinks || !openSink()) {
        m_usable = false;
        m_pump.stop();
    }
}

void QtAudioOutput::feed()
{
    if (!m_device || !m_buffer)
        return;
    if (sinkBroken()) {
        replaceSink("failed");
        if (!m_device)
            return;
    }
    for (;;) {
        if (m_pendingPos >= m_pending.size()) {
            const int room = int(m_sink->bytesFree() / 2);
            if (room <= 0)
                break;
            m_pending.resize(size_t(room));
            m_pending.resize(size_t(m_buffer->read(m_pending.data(), room)));
            m_pendingPos = 0;
            if (m_pending.empty())
                break;
        }
        // Samples the sink does not take now stay pending: a dropped sample would leave the
        // stream short of its end for good.
        const qint64 bytes =
            m_device->write(reinterpret_cast<const char *>(m_pending.data() + m_pendingPos),
                            qint64(m_pending.size() - m_pendingPos) * 2);
        if (bytes <= 0)
            break;
        if (m_base + m_sinkWritten == 0)
            emit firstFrames();
        m_sinkWritten += bytes / 2;
        m_pendingPos += size_t(bytes / 2);
    }
    if (m_pendingPos >= m_pending.size() && m_buffer->finished() && m_buffer->available() == 0)
        padEnd();
}

void QtAudioOutput::padEnd()
{
    // The server starts a stream only once it holds a buffer's worth, and after running dry
    // waits for that much again; a short utterance, or the tail after a dry spell, would
    // never be played. Silence after the end fills the buffer, and keeps it topped up until
    // the stream stops, so the server never runs dry before the last sample has been heard.
    // It is not counted as played and is dropped when the stream stops.
    const qint64 bytes = m_padded ? m_sink->bytesFree() : m_sink->bufferSize();
    m_padded = true;
    if (bytes <= 0)
        return;
    const std::vector<char> silence(size_t(bytes), 0);
    m_device->write(silence.data(), qint64(silence.size()));
}

qint64 QtAudioOutput::playedFrames()
{
    if (!m_buffer)
        return m_played;
    if (m_sink && m_device) {
        const qint64 processed =
            std::min(m_sink->processedUSecs() * m_format.sampleRate() / 1000000, m_sinkWritten);
        const qint64 waiting = m_sinkWritten - m_sinkPlayed;
        if (processed > m_sinkPlayed) {
            m_sinkPlayed = processed;
            m_sinceProgress.start();
            m_fruitlessSinks = 0;
        } else if (waiting <= 0 || (!m_padded && waiting * 2 < m_sink->bufferSize())) {
            // Nothing to play, or less than the server waits for before it starts: the
            // synthesis is behind, not the sink.
            m_sinceProgress.start();
        } else if (m_sinceProgress.elapsed() > StallMSecs) {
            if (m_padded) {
                // All of it went to the sink, which stopped short of the end: a reading must
                // end all the same, and what the sink holds must not be heard after it.
                qCWarning(lcAudio) << "audio sink stopped" << waiting
                                   << "frames before the end; ending the stream as played";
                m_sinkPlayed = m_sinkWritten;
                m_played = std::max(m_played, m_base + m_sinkPlayed);
                closeSink();
                return m_played;
            } else {
                replaceSink("stopped playing");
            }
        }
    }
    m_played = std::max(m_played, m_base + m_sinkPlayed);
    return m_played;
}

bool QtAudioOutput::failed() const
{
    return !m_usable;
}

QString QtAudioOutput::description() const
{
    return QStringLiteral("audio device %1").arg(QMediaDevices::defaultAudioOutput().description());
}
