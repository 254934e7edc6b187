#pragma once

#include "ReadingControls.h"

#include <QObject>
#include <QString>
#include <memory>

class SpokenText;
struct ReadingState;
class TimeEstimator;

// Starting and stopping readings: speak with its chunking, the engine stop, Stop / Pause
// with its resume point, the three reading buttons, and the steps that lock the controls
// while the engine speaks and put them back when a reading ends.
class ReadingController : public QObject
{
    Q_OBJECT
public:
    ReadingController(ReadingState &state, const ReadingControls &controls,
                      TimeEstimator &timeEstimator, QObject *parent = nullptr);

    // Starts reading a text on the active element. Backslashes in the text are turned into
    // forward slashes in place. A text too short to speak changes nothing at all.
    void speak(QString &text);
    // Reads the document's text from `from` to `to` (positions of its plain text) as it is
    // spoken: list numbers, picture descriptions and pauses are heard, and every word is
    // marked where the document shows it.
    void speakDocument(int from, int to);
    // Stops the active element at once and ends the time estimate.
    void stopSpeech();
    // Stop / Pause: stops and selects the rest of the range from the word being spoken, so
    // that "Continue" (Read Selection) resumes there.
    void stopSpeaking();

    void readAll();       // Read All
    void stopOrPause();   // Stop / Pause
    void readSelection(); // Read Selection / Continue

    // The end of a reading: progress full (cleared a second later), controls idle.
    void finishReading();
    // While the engine speaks, the voice, the sliders and the reading buttons stay locked.
    void lockControls();
    void unlockControls();

signals:
    // A reading started, stopped or ended: what the buttons offer may have changed.
    void readingChanged();

private:
    void startReading(QString &text, std::shared_ptr<const SpokenText> spoken);
    // Hands currentChunk to the active element; a failure ends the reading at once.
    bool speakChunk();
    QString voiceFailure(const QString &description) const;

    ReadingState &m_state;
    ReadingControls m_controls;
    TimeEstimator &m_time;
};
