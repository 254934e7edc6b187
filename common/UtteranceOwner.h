#pragma once

#include "SpeechEvent.h"

// Whoever hands an utterance to the SpeechHub hears what becomes of it here, on the UI
// thread. `position` is 0-based in the text as given, in QString units: 0 at the start, the
// word's start for a word, where it stopped (or the text's length) at the end.
class UtteranceOwner
{
public:
    virtual ~UtteranceOwner() = default;
    virtual void utteranceEvent(SpeechEvent event, int position) = 0;
};
