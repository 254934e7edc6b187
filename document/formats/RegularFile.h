#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>

// Reads a file only when it is an ordinary file. It is opened without waiting (opening a
// pipe waits for a writer that may never come), checked on the open descriptor (a device
// such as /dev/zero never ends, and a name checked before opening may be swapped for one
// after), and read in pieces under a cap, with Cancel looked at between them.
class RegularFile
{
public:
    enum class Problem { None, CannotOpen, NotRegular, TooLarge, Cancelled, ReadError };

    struct Result
    {
        Problem problem = Problem::None;
        int error = 0; // errno for CannotOpen and ReadError
        QByteArray data;

        bool ok() const { return problem == Problem::None; }
        // What went wrong, as the end of a sentence ("it is not a regular file").
        QString reason(qint64 maxBytes) const;
    };

    // `followLinks` false refuses a symbolic link as the last part of `path`, for a path
    // that was resolved and checked just before.
    static Result read(const QString &path, qint64 maxBytes,
                       const std::atomic_bool *cancel = nullptr, bool followLinks = true);
};
