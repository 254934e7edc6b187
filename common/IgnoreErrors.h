#pragma once

#include <functional>

// Runs one step of a procedure whose failures are deliberately ignored: a failing step is
// skipped silently and the caller goes on with the next one. Returns whether the step
// completed. Only recoverable failures (SpeechError and other std::exception) are swallowed.
bool ignoreErrors(const std::function<void()> &step);
