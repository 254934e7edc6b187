#pragma once

#include <QString>

// RTF names languages by Windows language identifiers (\deflang1031, \lang3079).
class RtfLanguage
{
public:
    // The language tag of an identifier ("de-AT" for 3079); the language alone for a
    // region the table does not hold; empty for identifiers that name no language.
    static QString tagOf(int identifier);
};
