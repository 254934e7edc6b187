#pragma once

#include <QString>
#include <stdexcept>

// The one error type of the speech component. `number` is always positive so that callers
// (and the standard error handler's message) can show it as the control reported it.
struct SpeechError : std::runtime_error
{
    SpeechError(int number, const QString &description)
        : std::runtime_error(description.toStdString()), number(number > 0 ? number : 1),
          description(description)
    {
    }
    int number;
    QString description;
};

// Error numbers raised by SpeechControl. Kept apart from any engine's own numbers.
namespace SpeechErrors {
constexpr int InvalidArgument = 5;
constexpr int FileNotFound = 53;
constexpr int FileAccess = 75;
constexpr int UnknownVoice = 1001;
constexpr int NoVoice = 1002;
constexpr int UnsupportedProperty = 1003;
constexpr int NoSuchDialog = 1004;
constexpr int NoSuchResource = 1005;
constexpr int SynthesisFailed = 1006;
constexpr int FileTooLarge = 1007;
constexpr int UnknownOperation = 1008;
constexpr int Cancelled = 1009;
} // namespace SpeechErrors
