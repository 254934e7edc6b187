#include "SpeechEventHandler.h"

#include "DocumentSelection.h"
#include "IgnoreErrors.h"
#include "ReadingController.h"
#include "ReadingState.h"
#include "SpeechControl.h"
#include "StandardErrorHandler.h"
#include "TextChunker.h"
#include "TimeEstimator.h"
#include "WordSpan.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTextEdit>
#include <QTimer>

SpeechEventHandler::SpeechEventHandler(ReadingState &state, const ReadingControls &controls,
                                       ReadingController &reading, TimeEstimator &timeEstimator,
                                       QObject *parent)
    : QObject(parent), m_state(state), m_controls(controls), m_reading(reading),
      m_time(timeEstimator)
{
    connect(m_controls.clearTimer, &QTimer::timeout, this, &SpeechEventHandler::clearAfterReading);
    connect(m_controls.forceStopTimer, &QTimer::timeout, this, &SpeechEventHandler::forceStop);
    // The selection handler runs on every cursor move, as a collapsed selection after a
    // reading must switch Read Selection off even when nothing was selected before.
    connect(m_controls.documentEdit, &QTextEdit::selectionChanged, this,
            &SpeechEventHandler::selectionChanged);
    connect(m_controls.documentEdit, &QTextEdit::cursorPositionChanged, this,
            &SpeechEventHandler::selectionChanged);
}

void SpeechEventHandler::attach(SpeechControl &element)
{
    // Attached again (a voice list loaded twice), an element still reports each event once.
    disconnect(&element, nullptr, this, nullptr);
    const int index = element.index();
    connect(&element, &SpeechControl::speechStarted, this, [this, index](int position) {
        handleSpeechEvent(index, SpeechEvent::Started, position);
    });
    connect(&element, &SpeechControl::wordReached, this, [this, index](int position) {
        handleSpeechEvent(index, SpeechEvent::WordReached, position);
    });
    connect(&element, &SpeechControl::speechEnded, this, [this, index](int position) {
        handleSpeechEvent(index, SpeechEvent::Ended, position);
    });
}

void SpeechEventHandler::handleSpeechEvent(int index, SpeechEvent event, int position)
{
    StandardErrorHandler handler(QStringLiteral(": ChantTTS1.HasEvent"));
    switch (event) {
    case SpeechEvent::Started:
        m_state.speaking = true;
        m_reading.lockControls();
        break;
    case SpeechEvent::Ended:
        speechEnded(index, handler);
        break;
    case SpeechEvent::WordReached:
        wordReached(position);
        break;
    }
}

void SpeechEventHandler::speechEnded(int index, StandardErrorHandler &handler)
{
    // A stop clears Speaking, so the end that follows it finishes the reading even with text
    // left over.
    if (m_state.remainingText.isEmpty() || !m_state.speaking) {
        m_reading.finishReading();
        return;
    }

    m_state.spokenChunkStart += qint32(m_state.currentChunk.size());
    m_state.chunkOffset = m_state.documentRange(m_state.spokenChunkStart, 0).start;
    // Nothing of the new chunk has been heard yet. A stop before its first word must resume
    // at its start, not at the last word's place in the old chunk counted from the new one.
    m_state.wordPosition = 0;
    const TextChunker::Chunk next = TextChunker::cut(m_state.remainingText);
    m_state.currentChunk = next.chunk;
    m_state.remainingText = next.rest;

    const quint64 generation = m_state.generation;
    pauseBetweenChunks();
    // Stopped during the wait (stopSpeech has finished the reading) or replaced by another
    // speak: the next chunk is not this handler's to hand over any more.
    if (m_state.generation != generation)
        return;
    m_state.betweenChunks = false;

    bool spoke = false;
    handler.run(__LINE__, [&] {
        m_controls.element(index).speak(m_state.currentChunk);
        spoke = true;
    });
    if (!spoke) {
        // Nothing will report the end of a chunk that was never spoken: end here rather
        // than leave the window locked.
        m_reading.finishReading();
        return;
    }
    m_reading.unlockControls();
    m_controls.forceStopTimer->stop();
}

void SpeechEventHandler::pauseBetweenChunks()
{
    // About a third of a second between chunks, with the event loop running all the while so
    // the window stays responsive and a Stop / Pause can be pressed.
    m_state.betweenChunks = true;
    for (int step = 0; step < 10; ++step) {
        QCoreApplication::processEvents();
        QEventLoop wait;
        QTimer::singleShot(m_pauseStep, &wait, &QEventLoop::quit);
        wait.exec();
    }
}

void SpeechEventHandler::wordReached(int position)
{
    m_state.wordPosition = position;
    const quint64 word = ++m_wordCount;
    const quint64 generation = m_state.generation;
    const QString chunk = m_state.currentChunk;
    const qint32 chunkStart = m_state.spokenChunkStart;
    const int wordPosition = position;
    const int end = WordSpan::wordEnd(chunk, wordPosition);
    // The word being spoken and its delimiter, where the document shows them.
    const SpokenText::Range mark =
        m_state.documentRange(chunkStart + wordPosition, end - wordPosition);

    ignoreErrors([&] {
        // A mark on a dash or a stray space says nothing; the last word stays in view until
        // the next one that does.
        const QString shown = WordSpan::wordAt(chunk, wordPosition);
        if (WordSpan::isSpoken(shown))
            m_controls.currentWord->setText(shown);
    });
    ignoreErrors([&] {
        // Measured from where this reading began, so that a selection or copied text runs
        // from 0 to 100 like the whole document does.
        const qint64 read = qint64(chunkStart) + wordPosition;
        if (m_state.totalLength >= 1 && read >= 0 && read <= m_state.totalLength)
            m_controls.readingProgress->setValue(int(double(read) * 100.0 / m_state.totalLength));
    });

    QCoreApplication::processEvents();

    // While this handler yielded, a later word may have been marked, or the reading stopped
    // (and the rest of it selected for Continue) or replaced; the mark would undo that.
    if (word != m_wordCount || generation != m_state.generation)
        return;
    if (m_state.backgroundSpeech)
        return; // copied text and dialog text are not in the document

    // The word being spoken and its delimiter: enough for a listener to follow, and kept in
    // view as the reading moves down the document.
    ignoreErrors([&] { m_controls.documentEdit->setFocus(); });
    ignoreErrors([&] {
        DocumentSelection::setStart(m_controls.documentEdit, mark.start);
        DocumentSelection::setLength(m_controls.documentEdit, mark.length);
        m_controls.documentEdit->ensureCursorVisible();
    });
}

void SpeechEventHandler::clearAfterReading()
{
    ignoreErrors([&] { m_controls.readingProgress->setValue(0); });
    ignoreErrors([&] { m_controls.currentWord->setText(QString()); });
    m_controls.clearTimer->stop();
}

void SpeechEventHandler::forceStop()
{
    const bool locked =
        !m_controls.voiceList->isEnabled() || !m_controls.readSelectionButton->isEnabled() ||
        !m_controls.readAllButton->isEnabled() || !m_controls.volumeSlider->isEnabled() ||
        !m_controls.speedSlider->isEnabled();
    if (locked) {
        // The engine never reported the end of the stopped speech: put the window back to
        // idle by hand. The speech source flag stays; only a reported end clears it.
        ignoreErrors([&] { m_reading.stopSpeech(); });
        m_controls.readingProgress->setValue(100);
        ReadingControls::enableTimer(m_controls.clearTimer);
        m_state.speaking = false;
        m_time.stopTimeEstimate();
        m_controls.stopPauseButton->setEnabled(false);
        m_state.dialogSpeech = false;
        m_controls.readSelectionButton->setText(QStringLiteral("Read Selection"));
        m_reading.unlockControls();
    }
    m_controls.forceStopTimer->stop();
}

void SpeechEventHandler::selectionChanged()
{
    // While speaking, the selection is the reading's mark and the button stays locked.
    if (m_state.speaking)
        return;
    ignoreErrors([&] {
        if (DocumentSelection::length(m_controls.documentEdit) >= 1) {
            m_controls.readSelectionButton->setEnabled(true);
        } else {
            m_controls.readSelectionButton->setEnabled(false);
            m_controls.readSelectionButton->setText(QStringLiteral("Read Selection"));
        }
    });
}
