#pragma once

#include "frmMain.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>

#include "Engine.h"
class ScriptedEngine;

// The real main window on an element whose events the test watches from both sides of the
// window's handler: before it (the record about to be handled) and after it (what the
// window shows once the handler is done).
class ReadingHarness
{
public:
    struct Step
    {
        int kind = 0;
        int position = 0;
        qint32 chunkOffset = 0; // when the event arrived
        QString chunk;          // CurrentChunk when the event arrived
        bool nested = false;    // another word was handled while this one's handler yielded
        quint64 wordsOnArrival = 0;
        int latestHeard = -1; // document position of the latest word heard by then
        bool speaking = false;
        bool readAll = false, stop = false, readSelection = false, voices = false, speed = false,
             volume = false;
        QString readSelectionCaption;
        int playPosition = 0;
        QString curWord;
        int selectionStart = 0;
        int selectionLength = 0;
    };

    // A scripted element 0 with the given audio length per word.
    explicit ReadingHarness(int samplesPerWord = 441);
    // Element 0 on a given engine (nullptr: the standard one).
    explicit ReadingHarness(std::unique_ptr<Engine> engine);

    frmMain &window() { return *m_window; }
    ReadingState &state() { return m_window->reading(); }
    SpeechControl &element() { return *m_window->ChantTTS1.front(); }
    ScriptedEngine *scripted() const { return m_scripted; }

    void setDocument(const QString &text);
    void select(int start, int length);

    const QList<Step> &steps() const { return m_steps; }
    QList<Step> steps(int kind) const;
    // Document positions of the words heard so far, in order.
    QList<int> heardPositions() const;
    // Runs the event loop until `count` readings in all have finished.
    bool waitForReadings(int count = 1, int timeoutMs = 60000);

    // Runs after each step is recorded, still inside the event's emission.
    std::function<void(const Step &)> afterStep;

    static QList<int> wordStarts(const QString &text);

private:
    void build(std::unique_ptr<SpeechControl> element);

    std::unique_ptr<frmMain> m_window;
    ScriptedEngine *m_scripted = nullptr;
    QList<Step> m_steps;
    QList<Step> m_open;
    QList<int> m_heard;
    quint64 m_words = 0;
    int m_finished = 0;
};
