#pragma once

#include "SystemInfoProgram.h"

#include <QStringList>

// The system-information programs of the Linux desktops, looked up on the program search
// path in order of preference; the first one installed is the one started.
class DesktopSystemInfo : public SystemInfoProgram
{
public:
    // `searchPaths` empty means the PATH of the process.
    explicit DesktopSystemInfo(QStringList searchPaths = {});

    QString command() const override;

    // Program names and the arguments each needs, most specific first.
    static const QList<QPair<QString, QString>> &candidates();

private:
    QStringList m_searchPaths;
};
