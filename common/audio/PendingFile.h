#pragma once

#include "SpeechError.h"

#include <QString>
#include <QtGlobal>

// A file written without a name until it is complete: it is created unnamed in the target's
// folder (O_TMPFILE) and linked under its name by commit(), replacing whatever was there in
// one step. A program killed while writing leaves nothing anyone can see. Where the file
// system cannot hold unnamed files, a hidden part file stands in, named after this machine
// and process, and the next file written in that folder removes the part files whose
// process is gone.
class PendingFile
{
public:
    PendingFile() = default;
    ~PendingFile();
    PendingFile(const PendingFile &) = delete;
    PendingFile &operator=(const PendingFile &) = delete;

    // Starts the file that will become `target` (a link is written through to its target).
    // Throws SpeechError (FileAccess) with the reason when the folder does not take it.
    void create(const QString &target);

    // Appends, or writes at a place; false when the write failed (error() says why, and
    // every later write fails too).
    bool write(const void *data, qint64 size);
    bool writeAt(qint64 offset, const void *data, qint64 size);
    qint64 readAt(qint64 offset, void *data, qint64 size) const;
    // For writers that move about in the file (a WAV header written last).
    qint64 seek(qint64 offset, int whence);
    qint64 position() const { return m_position; }
    qint64 size() const;

    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }
    QString target() const { return m_target; }
    // "Cannot write the file ...", with the write's own reason when one failed.
    SpeechError failure(const QString &reason) const;

    // Puts the file under its name. Throws SpeechError (FileAccess); the file is gone then.
    void commit();
    // Abandons the file; nothing stays behind.
    void discard();

    // Removes part files of runs on this machine whose process has ended.
    static void removeLeftovers(const QString &folder);

private:
    void fail(const QString &reason);
    void startWriteBack();
    QString partName() const;

    int m_fd = -1;
    QString m_target;
    QString m_partPath; // empty when the file has no name
    qint64 m_position = 0;
    qint64 m_handedToDisk = 0;
    QString m_error;
};
