#include "ReadingController.h"

#include "DocumentSelection.h"
#include "IgnoreErrors.h"
#include "ReadingState.h"
#include "SpeechControl.h"
#include "SpeechError.h"
#include "StandardErrorHandler.h"
#include "TextChunker.h"
#include "TimeEstimator.h"

#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTextEdit>
#include <QTimer>

namespace {
const QString ReadSelectionCaption = QStringLiteral("Read Selection");
const QString ContinueCaption = QStringLiteral("Continue");
} // namespace

ReadingController::ReadingController(ReadingState &state, const ReadingControls &controls,
                                     TimeEstimator &timeEstimator, QObject *parent)
    : QObject(parent), m_state(state), m_controls(controls), m_time(timeEstimator)
{
    connect(m_controls.readAllButton, &QPushButton::clicked, this, &ReadingController::readAll);
    connect(m_controls.stopPauseButton, &QPushButton::clicked, this,
            &ReadingController::stopOrPause);
    connect(m_controls.readSelectionButton, &QPushButton::clicked, this,
            &ReadingController::readSelection);
}

void ReadingController::speak(QString &text)
{
    startReading(text, nullptr);
}

void ReadingController::speakDocument(int from, int to)
{
    auto spoken = std::make_shared<const SpokenText>(
        SpokenText::fromDocument(*m_controls.documentEdit->document(), from, to));
    QString text = spoken->text();
    startReading(text, std::move(spoken));
}

void ReadingController::startReading(QString &text, std::shared_ptr<const SpokenText> spoken)
{
    const qint32 totalLength = qint32(text.size());
    // The engine would read a backslash out; a path reads better with forward slashes.
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const TextChunker::Chunk first = TextChunker::cut(text);
    // Nothing worth saying. The state is left alone as well, so that a reading that is still
    // going on keeps following its own text.
    if (first.chunk.size() < 2)
        return;

    m_state.totalLength = totalLength;
    m_state.currentChunk = first.chunk;
    m_state.remainingText = first.rest;
    m_state.readingStart = m_state.chunkOffset;
    m_state.spoken = std::move(spoken);
    m_state.spokenChunkStart = 0;
    m_state.chunkOffset = m_state.documentRange(0, 0).start;
    m_state.betweenChunks = false;
    ++m_state.generation;

    // A forced stop armed for an earlier reading must not cut this one off.
    m_controls.forceStopTimer->stop();
    m_time.startTimeEstimate();
    if (!speakChunk())
        return;
    ignoreErrors([&] { m_controls.stopPauseButton->setEnabled(true); });
    emit readingChanged();
}

bool ReadingController::speakChunk()
{
    // A voice that cannot speak would otherwise leave a reading that never ends: no start,
    // no end, the clock running. Background speech gives up quietly; a reading the user asked
    // for says which voice failed.
    const auto speak = [&] { m_controls.activeElement().speak(m_state.currentChunk); };
    bool spoke = false;
    if (m_state.backgroundSpeech) {
        spoke = ignoreErrors(speak);
    } else {
        StandardErrorHandler handler(QStringLiteral(": Speak"));
        handler.run(__LINE__, [&] {
            try {
                speak();
                spoke = true;
            } catch (const SpeechError &e) {
                throw SpeechError(e.number, voiceFailure(e.description));
            }
        });
    }
    if (!spoke)
        finishReading();
    return spoke;
}

QString ReadingController::voiceFailure(const QString &description) const
{
    QString voice;
    ignoreErrors([&] { voice = m_controls.voiceList->currentText(); });
    if (voice.isEmpty())
        ignoreErrors([&] { voice = m_controls.activeElement().voiceName(); });
    if (voice.isEmpty())
        return description;
    return QStringLiteral("The voice \"%1\" cannot speak. %2").arg(voice, description);
}

void ReadingController::stopSpeech()
{
    // Cleared first: the end event that the stop raises must finish the reading instead of
    // handing over the next chunk.
    m_state.speaking = false;
    ++m_state.generation;
    m_time.stopTimeEstimate();
    ignoreErrors([&] { m_controls.activeElement().stop(); });
    // Between two chunks the engine is silent and reports no end, so nothing else would
    // finish the reading: the waiting handler sees the new generation and gives up.
    if (m_state.betweenChunks) {
        m_state.betweenChunks = false;
        finishReading();
    }
}

void ReadingController::stopSpeaking()
{
    stopSpeech();
    ignoreErrors([&] {
        // The part of the range not read yet: from the word being spoken to the end of what
        // this reading covers, however many chunks it has already moved on.
        const qint64 start =
            m_state.documentRange(m_state.spokenChunkStart + m_state.wordPosition, 0).start;
        const qint64 left =
            qMax<qint64>(0, qint64(m_state.readingStart) + m_state.rangeLength - start);
        DocumentSelection::setStart(m_controls.documentEdit, int(start));
        DocumentSelection::setLength(m_controls.documentEdit, int(qMin<qint64>(left, INT_MAX)));
    });
    ignoreErrors([&] { m_controls.documentEdit->setFocus(); });
    ignoreErrors([&] {
        if (DocumentSelection::length(m_controls.documentEdit) != 0)
            m_controls.readSelectionButton->setText(ContinueCaption);
    });
    ReadingControls::enableTimer(m_controls.forceStopTimer);
    emit readingChanged();
}

void ReadingController::readAll()
{
    ignoreErrors(
        [&] { m_state.rangeLength = DocumentSelection::textLength(m_controls.documentEdit); });
    m_state.chunkOffset = 0;
    speakDocument(0, -1);
}

void ReadingController::stopOrPause()
{
    stopSpeaking();
}

void ReadingController::readSelection()
{
    ignoreErrors([&] { m_state.chunkOffset = DocumentSelection::start(m_controls.documentEdit); });
    ignoreErrors([&] { m_state.rangeLength = DocumentSelection::length(m_controls.documentEdit); });
    speakDocument(m_state.chunkOffset, m_state.chunkOffset + m_state.rangeLength);
}

void ReadingController::finishReading()
{
    m_controls.readingProgress->setValue(100);
    ReadingControls::enableTimer(m_controls.clearTimer);
    m_state.speaking = false;
    m_time.stopTimeEstimate();
    m_state.backgroundSpeech = false;
    m_controls.stopPauseButton->setEnabled(false);
    m_state.dialogSpeech = false;
    m_controls.readSelectionButton->setText(ReadSelectionCaption);
    unlockControls();
    m_controls.forceStopTimer->stop();
    emit readingChanged();
}

void ReadingController::lockControls()
{
    m_controls.speedSlider->setEnabled(false);
    m_controls.volumeSlider->setEnabled(false);
    m_controls.voiceList->setEnabled(false);
    m_controls.readSelectionButton->setEnabled(false);
    m_controls.readAllButton->setEnabled(false);
}

void ReadingController::unlockControls()
{
    m_controls.speedSlider->setEnabled(true);
    m_controls.volumeSlider->setEnabled(true);
    m_controls.voiceList->setEnabled(true);
    m_controls.readSelectionButton->setEnabled(true);
    m_controls.readAllButton->setEnabled(true);
}
