#include "SpeechHub.h"

#include "AudioOutput.h"
#include "Engine.h"
#include "SpeechError.h"
#include "SpeechWorker.h"
#include "Utterance.h"
#include "UtteranceOwner.h"
#include "VirtualClockOutput.h"

#include <QCoreApplication>

namespace {
// How much audio synthesis may hold ahead of what is being played: enough to ride out a busy
// moment of the machine, little enough that a long chunk does not sit in memory whole.
constexpr int ReadAheadSeconds = 3;
} // namespace

SpeechHub &SpeechHub::instance()
{
    // Deliberately never destroyed: the worker may still hold references at exit, and the
    // output's device must not be torn down after QCoreApplication is gone.
    static SpeechHub *hub = new SpeechHub;
    return *hub;
}

SpeechHub::SpeechHub()
{
    m_output = AudioOutput::create(this);
    m_timer.setInterval(10);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SpeechHub::tick);
}

SpeechHub::~SpeechHub() = default;

void SpeechHub::speak(UtteranceOwner *owner, const Request &request)
{
    cancelCurrent();

    auto utterance = std::make_shared<Utterance>();
    utterance->owner = owner;
    utterance->raisesEvents = request.raisesEvents;
    utterance->text = request.text;
    utterance->sampleRate = request.sampleRate;
    utterance->buffer = std::make_shared<PcmBuffer>(utterance->sampleRate * ReadAheadSeconds);
    m_current = utterance;
    m_lastBuffer = utterance->buffer;

    Engine *engine = request.engine;
    const QString voice = request.voice;
    const Engine::Params params = request.params;
    const PronunciationLexicon::Rewrite spoken = request.spoken;
    std::weak_ptr<Utterance> weak = utterance;
    auto wake = [this, weak] {
        QMetaObject::invokeMethod(
            this,
            [this, weak] {
                if (auto u = weak.lock(); u && u == m_current) {
                    m_output->feed();
                    tick();
                }
            },
            Qt::QueuedConnection);
    };

    SpeechWorker::instance().post([utterance, engine, voice, params, spoken, wake] {
        bool first = true;
        try {
            if (!utterance->aborted && !utterance->text.isEmpty()) {
                if (!voice.isEmpty() && engine->currentVoice() != voice)
                    engine->selectVoice(voice);
                engine->synthesize(
                    spoken.text(), params,
                    [&](const qint16 *samples, int count) {
                        // Synthesis keeps only a little ahead of the listener. The wait is
                        // cut short by a stop, and by a caller blocked on this thread, who
                        // would otherwise never let the audio it waits for be played.
                        if (!utterance->buffer->waitForRoom(count, [&] {
                                return utterance->aborted ||
                                       SpeechWorker::instance().callerWaiting();
                            }))
                            return false;
                        if (utterance->aborted)
                            return false;
                        utterance->buffer->append(samples, count);
                        if (first) {
                            first = false;
                            wake();
                        }
                        return true;
                    },
                    [&](qint64 sample, int position, int length) {
                        if (length <= 0)
                            return;
                        const auto [start, size] = spoken.original(position, length);
                        std::lock_guard lock(utterance->markMutex);
                        utterance->marks.push_back({sample, start, size});
                    });
            }
        } catch (const SpeechError &e) {
            utterance->failure = e.description;
        } catch (const std::exception &e) {
            utterance->failure = QString::fromUtf8(e.what());
        }
        utterance->buffer->finish();
        wake();
    });

    startPlayback();
    // The started event follows as soon as the event loop runs again, not inside speak().
    QMetaObject::invokeMethod(this, &SpeechHub::tick, Qt::QueuedConnection);
}

void SpeechHub::startPlayback()
{
    m_frameOffset = 0;
    m_output->start(m_current->buffer, m_current->sampleRate);
    fallBackIfFailed();
    m_timer.start();
}

void SpeechHub::fallBackIfFailed()
{
    if (!m_output->failed())
        return;
    // A reading must not hang on a sound device that went away: go on silently in real
    // time, from where the device stopped.
    qWarning("Audio output failed (%s); continuing without sound.",
             qPrintable(m_output->description()));
    m_output = std::make_unique<VirtualClockOutput>(1.0, this);
    if (m_current) {
        // What the device took counts as played; the clock goes on with the rest.
        m_frameOffset = m_current->buffer->written() - m_current->buffer->available();
        m_output->start(m_current->buffer, m_current->sampleRate);
    }
}

void SpeechHub::tick()
{
    auto u = m_current;
    if (!u) {
        m_timer.stop();
        return;
    }
    if (!u->startedRaised) {
        u->startedRaised = true;
        raise(*u, SpeechEvent::Started, 0);
        if (m_current != u)
            return;
    }
    fallBackIfFailed();
    const qint64 played = m_frameOffset + m_output->playedFrames();
    for (;;) {
        Utterance::WordMark mark;
        {
            std::lock_guard lock(u->markMutex);
            if (u->marks.empty() || u->marks.front().frame > played)
                break;
            mark = u->marks.front();
            u->marks.pop_front();
        }
        // Engines may report a word twice; a listener wants it once.
        if (mark.position == u->lastWordPosition)
            continue;
        u->lastWordPosition = mark.position;
        m_lastWordLateness = played - mark.frame;
        raise(*u, SpeechEvent::WordReached, mark.position);
        if (m_current != u)
            return;
    }
    if (!u->buffer->finished())
        return;
    bool marksLeft;
    {
        std::lock_guard lock(u->markMutex);
        marksLeft = !u->marks.empty();
    }
    if (u->failure) {
        qWarning("Speech failed: %s", qPrintable(*u->failure));
        finishCurrent();
    } else if (!marksLeft && played >= u->buffer->written()) {
        finishCurrent();
    }
}

void SpeechHub::finishCurrent()
{
    auto u = m_current;
    m_current.reset();
    m_timer.stop();
    m_output->stop();
    raise(*u, SpeechEvent::Ended, int(u->text.size()));
}

void SpeechHub::cancelCurrent()
{
    if (!m_current)
        return;
    m_current->aborted = true;
    m_current->buffer->close();
    m_current.reset();
    m_timer.stop();
    m_output->stop();
}

void SpeechHub::stop(UtteranceOwner *owner)
{
    if (!m_current || m_current->owner != owner)
        return;
    auto u = m_current;
    cancelCurrent();
    // Whoever stops must see the stopped utterance end before stop() returns; a started
    // event that was still on its way comes first so the pair stays balanced.
    if (!u->startedRaised) {
        u->startedRaised = true;
        raise(*u, SpeechEvent::Started, 0);
    }
    raise(*u, SpeechEvent::Ended, std::max(u->lastWordPosition, 0));
}

void SpeechHub::raise(Utterance &utterance, SpeechEvent event, int position)
{
    if (utterance.raisesEvents)
        utterance.owner->utteranceEvent(event, position);
}

bool SpeechHub::readingInProgress() const
{
    return m_current && m_current->raisesEvents;
}

bool SpeechHub::isSpeaking(const UtteranceOwner *owner) const
{
    return m_current && m_current->owner == owner;
}

void SpeechHub::forget(UtteranceOwner *owner)
{
    if (m_current && m_current->owner == owner)
        cancelCurrent();
}

int SpeechHub::readAheadHighWater() const
{
    return m_lastBuffer ? m_lastBuffer->highWater() : 0;
}

int SpeechHub::readAheadCapacity() const
{
    return m_lastBuffer ? m_lastBuffer->capacity() : 0;
}
