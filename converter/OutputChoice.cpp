#include "OutputChoice.h"

#include "SaveDialogService.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {
struct FilterEntry
{
    const char *description;
    AudioFileWriter::Format format;
};
const FilterEntry Filters[] = {
    {"Windows PCM (*.wav)", AudioFileWriter::Wav},      {"MP3 (*.mp3)", AudioFileWriter::Mp3},
    {"Ogg Vorbis (*.ogg)", AudioFileWriter::OggVorbis}, {"Opus (*.opus)", AudioFileWriter::Opus},
    {"FLAC (*.flac)", AudioFileWriter::Flac},
};
const QString BookFilter = QStringLiteral("EPUB with narration (*.epub)");

QSettings converterSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Parlance"),
                     QStringLiteral("Converter"));
}
const QString LastFolderKey = QStringLiteral("LastFolder");
} // namespace

std::optional<OutputChoice> OutputChoice::ask(QWidget *parent, bool chapters)
{
    OutputChoice choice;
    QString selectedFilter;
    int subtitles = 0;
    choice.path = SaveDialogService::getSaveFileName(
        parent,
        {.filter = saveFilter(),
         .flags = 1,
         .folder = saveFolder(),
         .choiceLabel = QStringLiteral("Subtitles:"),
         .choices = subtitleChoices(),
         .oneFilePerChapter = chapters ? &choice.perChapter : nullptr},
        &selectedFilter, &subtitles);
    if (choice.path.isEmpty())
        return std::nullopt;
    choice.chosenPath = choice.path;
    choice.book = chosenBook(choice.path, selectedFilter);
    choice.format = choice.book ? AudioFileWriter::Mp3 : chosenFormat(choice.path, selectedFilter);
    // A narrated book is one file with its chapters inside, and its text is on its pages.
    if (choice.book)
        choice.perChapter = false;
    if (subtitles > 0 && subtitles <= 3 && !choice.book)
        choice.subtitles = SubtitleWriter::Format(subtitles - 1);
    return choice;
}

void OutputChoice::rememberFolder(const QString &path)
{
    converterSettings().setValue(LastFolderKey, QFileInfo(path).absolutePath());
}

QString OutputChoice::saveFilter()
{
    QStringList parts;
    for (const FilterEntry &entry : Filters) {
        const QString description = QString::fromLatin1(entry.description);
        parts << description << QStringLiteral("*.") + AudioFileWriter::extension(entry.format);
    }
    parts << BookFilter << QStringLiteral("*.epub");
    return parts.join(QLatin1Char('|'));
}

QStringList OutputChoice::subtitleChoices()
{
    // In the order of SubtitleWriter::Format.
    return {QStringLiteral("None"), QStringLiteral("SubRip (.srt)"),
            QStringLiteral("WebVTT, with word times (.vtt)"),
            QStringLiteral("LRC, with word times (.lrc)")};
}

bool OutputChoice::chosenBook(QString &path, const QString &selectedFilter)
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.compare(QLatin1String("epub"), Qt::CaseInsensitive) == 0)
        return true;
    if (AudioFileWriter::formatOfPath(path) || !selectedFilter.startsWith(QLatin1String("EPUB")))
        return false;
    path += QStringLiteral(".epub");
    return true;
}

QString OutputChoice::saveFolder()
{
    const QString last = converterSettings().value(LastFolderKey).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

AudioFileWriter::Format OutputChoice::chosenFormat(QString &path, const QString &selectedFilter)
{
    if (const auto typed = AudioFileWriter::formatOfPath(path))
        return *typed;
    AudioFileWriter::Format format = AudioFileWriter::Wav;
    for (const FilterEntry &entry : Filters)
        if (selectedFilter.startsWith(
                QString::fromLatin1(entry.description).section(QLatin1Char(' '), 0, 0)))
            format = entry.format;
    path += QLatin1Char('.') + AudioFileWriter::extension(format);
    return format;
}
