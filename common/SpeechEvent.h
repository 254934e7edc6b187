#pragma once

// What happens to an utterance, in the order a listener hears it: it starts, each word is
// reached as it is heard, it ends (also when stopped).
enum class SpeechEvent { Started, WordReached, Ended };
