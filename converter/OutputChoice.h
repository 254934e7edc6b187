#pragma once

#include "AudioFileWriter.h"
#include "SubtitleWriter.h"

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

// What the converter writes, as the user chose it in the save dialog: the file and its
// format, or a book with narration; subtitles beside the audio; one file per chapter.
struct OutputChoice
{
    QString chosenPath; // the name as the user gave it
    QString path;       // with the extension of what is written
    AudioFileWriter::Format format = AudioFileWriter::Wav;
    bool book = false; // an EPUB with narration rather than audio files
    bool perChapter = false;
    std::optional<SubtitleWriter::Format> subtitles;

    // Shows the save dialog, offering one file per chapter when `chapters`; nothing when the
    // user cancels.
    static std::optional<OutputChoice> ask(QWidget *parent, bool chapters);
    // The next dialog opens in the folder of `path`.
    static void rememberFolder(const QString &path);

    // The save dialog's choices, WAV first as the default.
    static QString saveFilter();
    // Where the save dialog opens: the folder of the last file written, else the user's
    // documents folder, else home; never the program's own folder.
    static QString saveFolder();
    // The format a chosen name asks for: its extension when that names a format, else the
    // chosen filter's, whose extension is then added to `path`.
    static AudioFileWriter::Format chosenFormat(QString &path, const QString &selectedFilter);
    // Whether the chosen name asks for a book with narration, by its extension or else by
    // the chosen filter; ".epub" is then added to `path` when it has none.
    static bool chosenBook(QString &path, const QString &selectedFilter);
    // The save dialog's subtitle choices: none first, then one per format.
    static QStringList subtitleChoices();
};
