#include "AudioBook.h"

#include "formats/DocumentMetadata.h"

#include <QTextDocument>

namespace {
constexpr qsizetype LongestFileTitle = 80;
const QString Genre = QStringLiteral("Speech");
} // namespace

AudioBook AudioBook::fromDocument(const QTextDocument &document, const DocumentMetadata &metadata,
                                  const QString &name, const QString &voice)
{
    AudioBook book;
    // Document positions are positions in its plain text.
    book.text = document.toPlainText();
    book.chapters = DocumentChapters::of(document);
    book.title = metadata.title.isEmpty() ? name : metadata.title;
    book.author = metadata.author.isEmpty() ? voice : metadata.author;
    return book;
}

QString AudioBook::textOf(const Chapter &chapter) const
{
    return text.mid(chapter.start, chapter.end - chapter.start);
}

AudioTags AudioBook::tagsFor(int index) const
{
    AudioTags tags;
    tags.album = title;
    tags.artist = author;
    tags.genre = Genre;
    if (index < 0) {
        tags.title = title;
        for (const Chapter &chapter : chapters)
            tags.chapters.append(chapter.title);
    } else {
        tags.title = chapters.value(index).title;
        tags.track = index + 1;
        tags.trackCount = int(chapters.size());
    }
    return tags;
}

QString AudioBook::safeFileName(const QString &title)
{
    QString name;
    for (const QChar c : title) {
        if (c == u'/' || c == u'\\' || c == u'|')
            name += u'-';
        else if (c == u':')
            name += QStringLiteral(" -");
        else if (!c.isPrint() || QStringView(u"*?\"<>").contains(c))
            name += u' ';
        else
            name += c;
    }
    name = name.simplified();
    // Hidden files start with a dot; some systems drop dots and spaces at the end.
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    if (name.size() > LongestFileTitle) {
        name.truncate(LongestFileTitle);
        const qsizetype space = name.lastIndexOf(u' ');
        if (space > LongestFileTitle / 2)
            name.truncate(space);
    }
    while (name.endsWith(u'.') || name.endsWith(u' '))
        name.chop(1);
    return name;
}

QString AudioBook::chapterFileName(int number, int count, const QString &title,
                                   const QString &extension)
{
    const int digits = qMax(2, int(QString::number(count).size()));
    QString name = safeFileName(title);
    if (name.isEmpty())
        name = QStringLiteral("Chapter %1").arg(number);
    return QStringLiteral("%1 %2.%3")
        .arg(number, digits, 10, QLatin1Char('0'))
        .arg(name, extension);
}
