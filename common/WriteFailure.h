#pragma once

#include <QString>

// Why a file could not be written, in the words every save message of both programs uses:
// the user needs to know whether to free space, pick another place or ask for permission,
// which "could not be saved" alone does not tell.
class WriteFailure
{
public:
    // One sentence for an errno value, ending in a full stop; 0 gives an empty text.
    static QString reason(int error);
};
