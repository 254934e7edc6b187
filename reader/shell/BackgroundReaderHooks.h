#pragma once

#include <QString>
#include <functional>

struct ReadingState;

// What the background readers need from the main window: its reading entry and engine stop,
// and the reading state whose speech-source flags they set and whose speaking flag they read.
struct BackgroundReaderHooks
{
    std::function<void(QString &)> speak;
    // Stops the active speech control element at once.
    std::function<void()> stopSpeech;
    ReadingState *reading = nullptr;
};
