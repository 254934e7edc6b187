#pragma once

#include <QString>
#include <vector>

struct cst_voice_struct;

// The voices compiled into Debian's flite libraries (libflite_cmu_us_kal, kal16, awb, rms,
// slt). They are opened at run time, so that the program does not depend on every one of
// them: a library that is not installed is simply not offered.
class FliteBuiltinVoices
{
public:
    struct Voice
    {
        QString name; // as the voice list shows it
        cst_voice_struct *voice = nullptr;
        QString language; // a lower-case tag, "en-us"
    };

    // Every installed built-in voice, registered once per process and kept until it ends
    // (flite's built-in voices are process-wide). The caller holds flite's lock and has
    // initialised flite.
    static const std::vector<Voice> &loadLocked();
};
