#include "QtAudioOutput.h"

#include "PcmBuffer.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QMediaDevices>

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

void QtAudioOutput::ensureSink(int sampleRate)
{
    if (m_sink && m_format.sampleRate() == sampleRate)
        return;
    delete m_sink;
    m_format = QAudioFormat();
    m_format.setSampleRate(sampleRate);
    m_format.setChannelCount(1);
    m_format.setSampleFormat(QAudioFormat::Int16);
    m_sink = new QAudioSink(QMediaDevices::defaultAudioOutput(), m_format, this);
    // About 100 ms in the server: short enough that a stop is quick and word events follow
    // the sound closely, long enough not to run dry on a busy machine.
    m_sink->setBufferSize(m_format.bytesForDuration(100000));
}

void QtAudioOutput::start(std::shared_ptr<PcmBuffer> buffer, int sampleRate)
{
    stop();
    ensureSink(sampleRate);
    m_buffer = std::move(buffer);
    m_usable = true;
    m_framesWritten = 0;
    m_lastPlayed = 0;
    m_device = m_sink->start();
    if (!m_device || m_sink->error() == QAudio::OpenError) {
        m_usable = false;
        m_device = nullptr;
        return;
    }
    m_pump.start();
    feed();
}

void QtAudioOutput::stop()
{
    m_pump.stop();
    if (m_sink && m_device) {
        // reset() drops what the server still holds, so the voice falls silent at once.
        m_sink->reset();
        m_sink->stop();
    }
    m_device = nullptr;
    m_buffer.reset();
}

void QtAudioOutput::feed()
{
    if (!m_device || !m_buffer)
        return;
    const int freeFrames = int(m_sink->bytesFree() / 2);
    if (freeFrames <= 0)
        return;
    m_scratch.resize(size_t(freeFrames));
    const int n = m_buffer->read(m_scratch.data(), freeFrames);
    if (n > 0) {
        const qint64 bytes =
            m_device->write(reinterpret_cast<const char *>(m_scratch.data()), qint64(n) * 2);
        if (m_framesWritten == 0 && bytes > 0)
            emit firstFrames();
        m_framesWritten += bytes / 2;
    }
}

qint64 QtAudioOutput::playedFrames()
{
    if (!m_sink || !m_buffer)
        return m_lastPlayed;
    qint64 played = m_sink->processedUSecs() * m_format.sampleRate() / 1000000;
    played = std::min(played, m_framesWritten);
    // When everything has been written and the server stays idle, the stream is over even
    // if the reported time stops short of the last frame.
    if (m_buffer->finished() && m_buffer->available() == 0 &&
        m_sink->bytesFree() >= m_sink->bufferSize()) {
        if (!m_sinceDrained.isValid())
            m_sinceDrained.start();
        else if (m_sinceDrained.elapsed() > 250)
            played = m_framesWritten;
    } else {
        m_sinceDrained.invalidate();
    }
    m_lastPlayed = std::max(m_lastPlayed, played);
    return m_lastPlayed;
}

bool QtAudioOutput::failed() const
{
    if (!m_usable)
        return true;
    return m_sink && m_device && m_sink->state() == QAudio::StoppedState &&
           m_sink->error() != QAudio::NoError;
}

QString QtAudioOutput::description() const
{
    return QStringLiteral("audio device %1").arg(QMediaDevices::defaultAudioOutput().description());
}
