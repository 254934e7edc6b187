#pragma once

#include <QString>

// Where the system-information program of the platform is, for the About box's
// "System Info" button.
class SystemInfoProgram
{
public:
    virtual ~SystemInfoProgram() = default;

    // The command that starts the program (a program path, with arguments where it needs
    // them; a path with spaces in double quotes), or an empty text when none is installed.
    virtual QString command() const = 0;
};
