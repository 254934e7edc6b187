#pragma once

#include <QString>

// The converter's command line as the reader writes it: fields joined by "*", either
// voice name, text file, speed, volume; or engine folder, voice folder, text file, speed,
// volume. Fields are trimmed; speed and volume are read as numbers.
struct ConverterCommandLine
{
    enum Kind {
        NotFromReader,  // no "*" at all: not started by the reader
        InvalidOptions, // a number of fields other than 4 or 5
        StandardVoice,
        CereVoice,
    };

    static ConverterCommandLine parse(const QString &commandLine);

    // The number at the start of the text (sign, digits, a fraction, an exponent), to the
    // nearest whole number, halves to even; 0 when the text starts with no number. Values
    // beyond the 32-bit range are held at its ends.
    static int number(const QString &text);

    Kind kind = NotFromReader;
    QString engineName; // the voice name, or "CereProc"
    QString fileToOpen;
    QString enginePath;   // CereVoice form only
    QString languagePath; // CereVoice form only
    int speed = 0;
    int volume = 0;
};
