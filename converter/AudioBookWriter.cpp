#include "AudioBookWriter.h"

#include "PendingFile.h"
#include "SpeechError.h"
#include "WavFileWriter.h"

#include <QDir>
#include <cmath>

AudioBookWriter::AudioBookWriter(Speak speak, AudioFileWriter::Format format, int voiceRate)
    : m_speak(std::move(speak)), m_format(format), m_voiceRate(voiceRate)
{
}

void AudioBookWriter::open(AudioFileWriter &writer, const QString &path,
                           const AudioTags &tags) const
{
    if (m_format == AudioFileWriter::Wav)
        writer.setDataLimit(WavFileWriter::MaximumDataBytes);
    writer.open(path, m_format, AudioFileWriter::fileRateFor(m_format, m_voiceRate), m_voiceRate,
                tags);
}

double AudioBookWriter::writePart(const QString &text, const QString &path, const AudioTags &tags)
{
    AudioFileWriter writer;
    open(writer, path, tags);
    SpeechTimeline timeline;
    m_speak(text, writer, timeline);
    const double seconds = writer.secondsWritten();
    writer.finish();
    if (fileWritten)
        fileWritten(path, text, timeline);
    return seconds;
}

void AudioBookWriter::writeFile(const AudioBook &book, const QString &path)
{
    if (book.chapters.isEmpty()) {
        writePart(book.text, path, book.tagsFor(-1));
        return;
    }
    // Spoken a chapter at a time, so that the file knows where each starts.
    AudioFileWriter writer;
    open(writer, path, book.tagsFor(-1));
    const int count = int(book.chapters.size());
    SpeechTimeline whole;
    for (int i = 0; i < count; ++i) {
        if (chapterStarted)
            chapterStarted(i + 1, count, book.chapters[i].start);
        writer.startChapter(i);
        SpeechTimeline timeline;
        m_speak(book.textOf(book.chapters[i]), writer, timeline);
        whole.append(timeline, book.chapters[i].start);
    }
    writer.finish();
    if (fileWritten)
        fileWritten(path, book.text, whole);
}

QStringList AudioBookWriter::writeChapters(const AudioBook &book, const QString &folder,
                                           const QString &playlistName)
{
    if (!QDir().mkpath(folder))
        throw SpeechError(SpeechErrors::FileAccess,
                          QStringLiteral("Cannot create the folder \"%1\".")
                              .arg(QDir::toNativeSeparators(folder)));
    const QDir into(folder);
    const int count = int(book.chapters.size());
    QStringList files;
    QList<Entry> entries;
    for (int i = 0; i < count; ++i) {
        const AudioBook::Chapter &chapter = book.chapters[i];
        if (chapterStarted)
            chapterStarted(i + 1, count, chapter.start);
        const QString name = AudioBook::chapterFileName(i + 1, count, chapter.title,
                                                        AudioFileWriter::extension(m_format));
        const double seconds =
            writePart(book.textOf(chapter), into.filePath(name), book.tagsFor(i));
        files.append(into.filePath(name));
        entries.append({name, chapter.title, seconds});
        writePlaylist(into.filePath(playlistFileName(playlistName)), book, entries);
    }
    return files;
}

void AudioBookWriter::writePlaylist(const QString &path, const AudioBook &book,
                                    const QList<Entry> &entries)
{
    // One line each: a line break in a title would start a new entry.
    QString text = QStringLiteral("#EXTM3U\n#PLAYLIST:%1\n").arg(book.title.simplified());
    const QString author = book.author.simplified();
    for (const Entry &entry : entries) {
        const QString title = entry.title.simplified();
        text +=
            QStringLiteral("#EXTINF:%1,%2\n%3\n")
                .arg(qRound64(std::ceil(entry.seconds)))
                .arg(author.isEmpty() ? title : author + QStringLiteral(" - ") + title, entry.file);
    }
    const QByteArray bytes = text.toUtf8();
    // Replaced in one step, like the audio: a player never reads half a list.
    PendingFile file;
    file.create(path);
    if (!file.write(bytes.constData(), bytes.size()))
        throw file.failure(QString());
    file.commit();
}
