#pragma once

#include "DocumentFile.h"

class QWidget;

// Opens a file into the editor's document the way the user asked for it: the reading runs
// on a worker thread while a progress dialog with Cancel shows (after a moment, so quick
// files show none) and the window keeps painting; an encrypted PDF asks for its password.
// Cancel takes effect at once, whatever the reading is doing, and a cancelled reading
// never replaces the document.
class DocumentLoader
{
public:
    // How many times a wrong password may be typed before the open is given up.
    static constexpr int MaxPasswordTries = 3;

    static DocumentFile::LoadResult open(QWidget *parent, const QString &path,
                                         QTextDocument *target, const QTextCharFormat &plainFormat);
    // The same, leaving the document made from the file to the caller (present when the
    // result is ok), so that it can be shown as it is rather than copied.
    static DocumentFile::Imported import(QWidget *parent, const QString &path,
                                         const QTextCharFormat &plainFormat,
                                         bool keepPageFurniture = false);

    // Waits for readings that were cancelled but are still running on their own (Qt's HTML
    // import cannot be interrupted); the program does so before it ends.
    static void finishCancelledReadings();

private:
    static DocumentFile::Imported importWithProgress(QWidget *parent, const QString &path,
                                                     const DocumentFile::LoadOptions &options);
};
