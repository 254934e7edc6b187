#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <functional>

class PendingFile;

// Chapter marks of a book in one Ogg file (Opus or Vorbis): CHAPTER001=00:00:00.000 and
// CHAPTER001NAME=... comments. The times are known only once the audio is written, after the
// comment header, so the header is written with room for them and edited in place at the end:
// every byte count stays, no page moves, and only the page's checksum is computed afresh.
class OggChapterMarks
{
public:
    explicit OggChapterMarks(const QStringList &titles)
        : m_titles(titles), m_starts(titles.size(), 0)
    {
    }

    bool isEmpty() const { return m_titles.isEmpty(); }
    void setStart(int index, qint64 milliseconds);

    // The comments with every time still 00:00:00.000, as "NAME=value" lines.
    QList<QByteArray> placeholders() const;
    // The comments with their times.
    QList<QByteArray> comments() const;
    // The bytes the comments take in a comment header (each with its 32-bit length).
    qsizetype headerSize() const;

    // "01:02:03.456".
    static QByteArray time(qint64 milliseconds);

    // Lets `edit` change, in place, the comment header of the file's stream: the packet that
    // starts with `signature` at the start of one of its first pages, whole within that page.
    // Returns false, leaving the file alone, when there is no such page or `edit` declines.
    static bool editHeader(PendingFile &file, const QByteArray &signature,
                           const std::function<bool(char *packet, qsizetype size)> &edit);

private:
    QList<QByteArray> build(bool withTimes) const;

    QStringList m_titles;
    QList<qint64> m_starts;
};
