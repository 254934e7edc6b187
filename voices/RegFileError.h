#pragma once

#include <QString>

// Why a registry file could not be read or imported, with the line (1-based) it concerns;
// line 0 when the problem is not in the file (the database refused the change).
struct RegFileError
{
    int line = 0;
    QString message;

    QString toString() const
    {
        return line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(message) : message;
    }
};
