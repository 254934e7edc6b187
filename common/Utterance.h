#pragma once

#include "PcmBuffer.h"

#include <QString>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

class UtteranceOwner;

// One speak call on its way through synthesis and playback. Shared between the UI thread
// (events, playback) and the worker (synthesis); the worker only appends.
struct Utterance
{
    struct WordMark
    {
        qint64 frame;
        int position;
        int length;
    };

    UtteranceOwner *owner = nullptr;
    QString text;
    int sampleRate = 22050;
    std::shared_ptr<PcmBuffer> buffer;
    std::atomic<bool> aborted{false};
    // False for a sample heard from a dialog: it is no reading, and no listener hears of it.
    bool raisesEvents = true;

    std::mutex markMutex;
    std::deque<WordMark> marks;
    std::optional<QString> failure; // set by the worker when synthesis failed

    // UI-thread bookkeeping.
    bool startedRaised = false;
    int lastWordPosition = -1;
};
