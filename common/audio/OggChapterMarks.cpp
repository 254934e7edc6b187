#include "OggChapterMarks.h"

#include "PendingFile.h"

#include <ogg/ogg.h>

namespace {
// The comment header is the second page of a stream; a few more are looked at in case.
constexpr int PagesToLook = 4;
constexpr int PageHeader = 27;
} // namespace

void OggChapterMarks::setStart(int index, qint64 milliseconds)
{
    if (index >= 0 && index < m_starts.size())
        m_starts[index] = milliseconds;
}

QByteArray OggChapterMarks::time(qint64 milliseconds)
{
    return QStringLiteral("%1:%2:%3.%4")
        .arg(milliseconds / 3600000, 2, 10, QLatin1Char('0'))
        .arg(milliseconds / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(milliseconds / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(milliseconds % 1000, 3, 10, QLatin1Char('0'))
        .toLatin1();
}

QList<QByteArray> OggChapterMarks::build(bool withTimes) const
{
    QList<QByteArray> comments;
    for (int i = 0; i < m_titles.size(); ++i) {
        const QByteArray key = "CHAPTER" + QByteArray::number(i + 1).rightJustified(3, '0');
        // A book of more than 99 hours keeps its placeholders: the times must not grow.
        const QByteArray at = time(withTimes ? m_starts[i] : 0);
        comments.append(key + '=' + (at.size() == time(0).size() ? at : time(0)));
        comments.append(key + "NAME=" + m_titles[i].toUtf8());
    }
    return comments;
}

QList<QByteArray> OggChapterMarks::placeholders() const
{
    return build(false);
}

QList<QByteArray> OggChapterMarks::comments() const
{
    return build(true);
}

qsizetype OggChapterMarks::headerSize() const
{
    qsizetype size = 0;
    for (const QByteArray &comment : placeholders())
        size += 4 + comment.size();
    return size;
}

bool OggChapterMarks::editHeader(PendingFile &file, const QByteArray &signature,
                                 const std::function<bool(char *, qsizetype)> &edit)
{
    qint64 offset = 0;
    for (int page = 0; page < PagesToLook; ++page) {
        unsigned char header[PageHeader + 255];
        if (file.readAt(offset, header, PageHeader) != PageHeader ||
            QByteArrayView(reinterpret_cast<char *>(header), 4) != "OggS")
            return false;
        const int segments = header[26];
        if (file.readAt(offset + PageHeader, header + PageHeader, segments) != segments)
            return false;
        qsizetype bodySize = 0;
        qsizetype firstPacket = -1;
        for (int s = 0; s < segments; ++s) {
            bodySize += header[PageHeader + s];
            if (firstPacket < 0 && header[PageHeader + s] < 255)
                firstPacket = bodySize;
        }
        const qsizetype headerSize = PageHeader + segments;
        QByteArray bytes(headerSize + bodySize, '\0');
        if (file.readAt(offset, bytes.data(), bytes.size()) != bytes.size())
            return false;
        const bool continued = header[5] & 1;
        if (!continued && firstPacket >= signature.size() &&
            bytes.mid(headerSize, signature.size()) == signature) {
            if (!edit(bytes.data() + headerSize, firstPacket))
                return false;
            ogg_page og{};
            og.header = reinterpret_cast<unsigned char *>(bytes.data());
            og.header_len = long(headerSize);
            og.body = og.header + headerSize;
            og.body_len = long(bodySize);
            ogg_page_checksum_set(&og);
            return file.writeAt(offset, bytes.constData(), bytes.size());
        }
        offset += bytes.size();
    }
    return false;
}
