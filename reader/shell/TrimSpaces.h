#pragma once

#include <QString>

// The reader compares its switches and requests after cutting spaces only (not tabs or line
// breaks) from both ends, as its command line and listener always did.
QString trimSpaces(const QString &text);
