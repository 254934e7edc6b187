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
    connect(m_controls.Command1, &QPushButton::clicked, this, &ReadingController::Command1_Click);
    connect(m_controls.Command2, &QPushButton::clicked, this, &ReadingController::Command2_Click);
    connect(m_controls.Command3, &QPushButton::clicked, this, &ReadingController::Command3_Click);
}

void ReadingController::Speak(QString &TextString)
{
    startReading(TextString, nullptr);
}

void ReadingController::speakDocument(int from, int to)
{
    auto spoken = std::make_shared<const SpokenText>(
        SpokenText::fromDocument(*m_controls.Rt->document(), from, to));
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

    m_state.TotalLength = totalLength;
    m_state.CurrentChunk = first.chunk;
    m_state.RemainingText = first.rest;
    m_state.readingStart = m_state.ChunkOffset;
    m_state.spoken = std::move(spoken);
    m_state.spokenChunkStart = 0;
    m_state.ChunkOffset = m_state.documentRange(0, 0).start;
    m_state.betweenChunks = false;
    ++m_state.generation;

    // A forced stop armed for an earlier reading must not cut this one off.
    m_controls.ForceStop->stop();
    m_time.StartTimer();
    if (!speakChunk())
        return;
    ignoreErrors([&] { m_controls.Command2->setEnabled(true); });
    emit readingChanged();
}

bool ReadingController::speakChunk()
{
    // A voice that cannot speak would otherwise leave a reading that never ends: no start,
    // no end, the clock running. Background speech gives up quietly; a reading the user asked
    // for says which voice failed.
    const auto speak = [&] { m_controls.activeElement().speak(m_state.CurrentChunk); };
    bool spoke = false;
    if (m_state.BackgroundSpeech) {
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
    ignoreErrors([&] { voice = m_controls.List1->currentText(); });
    if (voice.isEmpty())
        ignoreErrors([&] { voice = m_controls.activeElement().voiceName(); });
    if (voice.isEmpty())
        return description;
    return QStringLiteral("The voice \"%1\" cannot speak. %2").arg(voice, description);
}

void ReadingController::StopSpeech()
{
    // Cleared first: the end event that the stop raises must finish the reading instead of
    // handing over the next chunk.
    m_state.Speaking = false;
    ++m_state.generation;
    m_time.StopTimer();
    ignoreErrors([&] { m_controls.activeElement().stop(); });
    // Between two chunks the engine is silent and reports no end, so nothing else would
    // finish the reading: the waiting handler sees the new generation and gives up.
    if (m_state.betweenChunks) {
        m_state.betweenChunks = false;
        finishReading();
    }
}

void ReadingController::StopSpeaking()
{
    StopSpeech();
    ignoreErrors([&] {
        // The part of the range not read yet: from the word being spoken to the end of what
        // this reading covers, however many chunks it has already moved on.
        const qint64 start =
            m_state.documentRange(m_state.spokenChunkStart + m_state.WordPosition, 0).start;
        const qint64 left =
            qMax<qint64>(0, qint64(m_state.readingStart) + m_state.RangeLength - start);
        DocumentSelection::setStart(m_controls.Rt, int(start));
        DocumentSelection::setLength(m_controls.Rt, int(qMin<qint64>(left, INT_MAX)));
    });
    ignoreErrors([&] { m_controls.Rt->setFocus(); });
    ignoreErrors([&] {
        if (DocumentSelection::length(m_controls.Rt) != 0)
            m_controls.Command3->setText(ContinueCaption);
    });
    ReadingControls::enableTimer(m_controls.ForceStop);
    emit readingChanged();
}

void ReadingController::Command1_Click()
{
    ignoreErrors([&] { m_state.RangeLength = DocumentSelection::textLength(m_controls.Rt); });
    m_state.ChunkOffset = 0;
    speakDocument(0, -1);
}

void ReadingController::Command2_Click()
{
    StopSpeaking();
}

void ReadingController::Command3_Click()
{
    ignoreErrors([&] { m_state.ChunkOffset = DocumentSelection::start(m_controls.Rt); });
    ignoreErrors([&] { m_state.RangeLength = DocumentSelection::length(m_controls.Rt); });
    speakDocument(m_state.ChunkOffset, m_state.ChunkOffset + m_state.RangeLength);
}

void ReadingController::finishReading()
{
    m_controls.PlayPosition->setValue(100);
    ReadingControls::enableTimer(m_controls.ClearStuff);
    m_state.Speaking = false;
    m_time.StopTimer();
    m_state.BackgroundSpeech = false;
    m_controls.Command2->setEnabled(false);
    m_state.DialogSpeech = false;
    m_controls.Command3->setText(ReadSelectionCaption);
    unlockControls();
    m_controls.ForceStop->stop();
    emit readingChanged();
}

void ReadingController::lockControls()
{
    m_controls.Slider1->setEnabled(false);
    m_controls.Slider3->setEnabled(false);
    m_controls.List1->setEnabled(false);
    m_controls.Command3->setEnabled(false);
    m_controls.Command1->setEnabled(false);
}

void ReadingController::unlockControls()
{
    m_controls.Slider1->setEnabled(true);
    m_controls.Slider3->setEnabled(true);
    m_controls.List1->setEnabled(true);
    m_controls.Command3->setEnabled(true);
    m_controls.Command1->setEnabled(true);
}
