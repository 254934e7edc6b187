#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// What tells one version of a file on disk from another without reading it: which file
// the name leads to (device and inode, which a program that saves by renaming changes),
// its size and its modification time to the nanosecond.
struct FileStamp
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedSeconds = 0;
    qint64 modifiedNanoseconds = 0;

    // Nothing when the file does not exist or cannot be looked at.
    static std::optional<FileStamp> of(const QString &path);

    bool operator==(const FileStamp &) const = default;
};
