#include "BookOutline.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
// An outline is a few kilobytes; anything much larger is not one.
constexpr qint64 MaxSize = 16 << 20;
} // namespace

BookOutline BookOutline::of(const QTextDocument &document, const QString &name)
{
    return {DocumentMetadata::of(document), name, DocumentChapters::of(document)};
}

bool BookOutline::write(const QString &path, QString *error) const
{
    QJsonArray chapterList;
    for (const DocumentChapters::Chapter &chapter : chapters)
        chapterList.append(QJsonObject{{QStringLiteral("title"), chapter.title},
                                       {QStringLiteral("start"), chapter.start},
                                       {QStringLiteral("end"), chapter.end}});
    const QJsonObject object{{QStringLiteral("title"), metadata.title},
                             {QStringLiteral("author"), metadata.author},
                             {QStringLiteral("language"), metadata.language},
                             {QStringLiteral("name"), name},
                             {QStringLiteral("chapters"), chapterList}};
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Compact);
    QFile file(path);
    // New only, and private: it names what the user's document is about.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFile::ReadOwner | QFile::WriteOwner) ||
        file.write(bytes) != bytes.size() || !file.flush()) {
        if (error)
            *error = file.errorString();
        file.remove();
        return false;
    }
    return true;
}

std::optional<BookOutline> BookOutline::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxSize)
        return std::nullopt;
    const QJsonDocument json = QJsonDocument::fromJson(file.readAll());
    if (!json.isObject())
        return std::nullopt;
    const QJsonObject object = json.object();
    BookOutline outline;
    outline.metadata.title = object.value(QStringLiteral("title")).toString();
    outline.metadata.author = object.value(QStringLiteral("author")).toString();
    outline.metadata.language = object.value(QStringLiteral("language")).toString();
    outline.name = object.value(QStringLiteral("name")).toString();
    int end = 0;
    for (const QJsonValue &value : object.value(QStringLiteral("chapters")).toArray()) {
        const QJsonObject chapter = value.toObject();
        const int start = chapter.value(QStringLiteral("start")).toInt(-1);
        const int stop = chapter.value(QStringLiteral("end")).toInt(-1);
        // Chapters follow each other; anything else is not an outline of one text.
        if (start != end || stop < start)
            return std::nullopt;
        outline.chapters.append({chapter.value(QStringLiteral("title")).toString(), start, stop});
        end = stop;
    }
    return outline;
}
