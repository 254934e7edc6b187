#pragma once

// A copy of the converter that speaks for it: forked as it starts, or started by it. espeak-ng
// keeps one synthesis state per process, so speaking several pieces at once takes several
// processes. Requests come on standard input, each a line "<n>" followed by n bytes of UTF-8. The
// first holds the voice's arguments (VoiceSetup::toArguments, then "--chunk-format <format>"),
// separated by NUL characters; the worker sets up the voice, and then speaks the text of each
// later request and sends its audio back. On standard output each message is one line, the
// audio one followed by its data:
//   "ready"              once the voice is set up
//   "p <characters>"     characters of the current piece done so far
//   "w <s> <p> <n>"      a word of the current piece: it starts at sample s of the piece's
//                        audio and lies at p, n UTF-16 units long, in the piece's text
//   "sentences"          once: the voice reports no words, so the marks are sentences
//   "a <n>"              then n bytes of 16-bit native-endian mono samples of the piece (n in
//                        ten digits, leading zeros included)
//   "ok"                 the piece's audio is complete
//   "error <n> <text>"   it failed (after set-up, or for the current piece)
// It ends at the end of its input.
class SynthesisWorker
{
public:
    static constexpr const char *Switch = "--synthesis-worker";

    static int run();
};
