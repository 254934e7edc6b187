#pragma once

#include "Engine.h"
#include "MainWindow.h"

#include <QList>
#include <functional>

class ScriptedEngine;

// The real main window on an element whose events the test watches from both sides of the
// window's handler: before it (the record about to be handled) and after it (what the
// window shows once the handler is done).
class ReadingHarness
{
public:
    struct Step
    {
        SpeechEvent kind = SpeechEvent::Started;
        int position = 0;
        qint32 chunkOffset = 0; // state when the event arrived
        QString chunk;
        bool nested = false;  // another word was handled while this one's handler yielded
        int latestHeard = -1; // document position of the latest word heard by then
        bool speaking = false, stop = false, locked = false, unlocked = false;
        QString readSelectionCaption, curWord;
        int playPosition = 0, selectionStart = 0, selectionLength = 0;
    };

    // Element 0 on a scripted engine with this much audio per word.
    explicit ReadingHarness(int samplesPerWord = 441);
    // Element 0 on a given engine; nullptr stands for the standard one.
    explicit ReadingHarness(std::unique_ptr<Engine> engine);

    MainWindow &window() { return *m_window; }
    ReadingState &state() { return m_window->reading(); }
    SpeechControl &element() { return *m_window->speechControls.front(); }
    ScriptedEngine *scripted() const { return m_scripted; }

    void setDocument(const QString &text);
    void select(int start, int length);
    QList<Step> steps(SpeechEvent kind) const;
    // Document positions of the words heard, in the order they were reported.
    const QList<int> &heardPositions() const { return m_heard; }
    // Runs the event loop until `count` readings in all have finished.
    bool waitForReadings(int count = 1, int timeoutMs = 60000);

    // Runs after each step is recorded, still inside the event's emission.
    std::function<void(const Step &)> afterStep;

    static QList<int> wordStarts(const QString &text);

private:
    void build(std::unique_ptr<SpeechControl> element);
    // Runs `handler` with each event of `control`, after the listeners already connected.
    static void listen(SpeechControl *control,
                       const std::function<void(SpeechEvent, int)> &handler);

    std::unique_ptr<MainWindow> m_window;
    ScriptedEngine *m_scripted = nullptr;
    QList<Step> m_steps, m_open;
    QList<int> m_heard;
    int m_finished = 0;
};
