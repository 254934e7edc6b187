#pragma once

#include "SpeechControl.h"

#include <QList>
#include <functional>

// Collects the events of a SpeechControl as a listener hears them. An optional hook runs
// inside the handler.
class EventRecorder
{
public:
    struct Event
    {
        SpeechEvent kind;
        int position;
    };

    explicit EventRecorder(SpeechControl &control);

    const QList<Event> &events() const { return m_events; }
    QList<SpeechEvent> kinds() const;
    QList<int> wordPositions() const;
    int count(SpeechEvent kind) const;
    // Runs the event loop until an end event has been seen `ends` times or the wait is over.
    bool waitForEnd(int ends = 1, int timeoutMs = 30000);

    std::function<void(const Event &)> onEvent;

private:
    void record(SpeechEvent kind, int position);

    QList<Event> m_events;
};
