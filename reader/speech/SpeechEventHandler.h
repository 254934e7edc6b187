#pragma once

#include "ReadingControls.h"
#include "SpeechEvent.h"

#include <QObject>

class ReadingController;
class StandardErrorHandler;
class TimeEstimator;
struct ReadingState;

// Follows a reading through the speech control's events: locks the controls when speech
// starts, hands over the next chunk when one ends, shows and marks each word as it is heard.
// Also the two timers that tidy up after a reading and the document's selection handler.
class SpeechEventHandler : public QObject
{
    Q_OBJECT
public:
    SpeechEventHandler(ReadingState &state, const ReadingControls &controls,
                       ReadingController &reading, TimeEstimator &timeEstimator,
                       QObject *parent = nullptr);

    // Routes an element's events to handleSpeechEvent().
    void attach(SpeechControl &element);

    // Element `index` started, reached the word at `position` of its chunk, or ended.
    void handleSpeechEvent(int index, SpeechEvent event, int position);
    void clearAfterReading();
    void forceStop();
    void selectionChanged();

    // The wait between two chunks is ten steps of this many milliseconds.
    void setChunkPauseStep(int milliseconds) { m_pauseStep = milliseconds; }

private:
    void speechEnded(int index, StandardErrorHandler &handler);
    void wordReached(int position);
    void pauseBetweenChunks();

    ReadingState &m_state;
    ReadingControls m_controls;
    ReadingController &m_reading;
    TimeEstimator &m_time;
    int m_pauseStep = 36;
    // Counts word events, so that a word handled while an earlier one yielded is not
    // overwritten by the earlier one's mark.
    quint64 m_wordCount = 0;
};
