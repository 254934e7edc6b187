#pragma once

#include "PictureStore.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <atomic>
#include <optional>

class EditorDocument;
class QTextDocument;
class QUrl;
class ZipArchive;

// The one way a document reaches anything beyond its own bytes: the pictures it shows
// (<img>, backgrounds, CSS url()), the style sheets it links, and whatever else Qt's HTML
// import asks for while it reads. A name resolves inside the document's own folder tree
// (HTML, Markdown; a relative name against that folder) or inside its archive (EPUB), and
// only regular files are read there, under the byte and picture caps of ImportLimits:
// never a device, pipe, socket, a file elsewhere on the disk or a network address. What is
// left out is noted on the document, by name, so that one message can tell the user.
class ResourceGate
{
public:
    // Answers what `document` asks for until the gate goes. `documentFile` is the path of
    // the file being read; empty for bytes from elsewhere (standard input), which may then
    // name nothing outside themselves. Once `cancel` is set nothing more is read.
    ResourceGate(EditorDocument *document, const QString &documentFile,
                 const std::atomic_bool *cancel = nullptr);
    ~ResourceGate();
    ResourceGate(const ResourceGate &) = delete;
    ResourceGate &operator=(const ResourceGate &) = delete;

    // From now on names resolve inside `archive`, relative to `folder` in it (the chapter
    // being read).
    void useArchive(ZipArchive *archive, const QString &folder);

    // What the document asks for while it is read: a picture as a QImage, a style sheet as
    // text; nothing for what may not be read.
    QVariant fetch(int type, const QUrl &name);

    // Reads every picture the document names and holds no picture for, so that nothing is
    // looked up later while painting; one that is left out gets an empty picture.
    void addNamedPictures(QStringList *images);

    // Notes that the document's `name` was left out because of `why`; each name once.
    static void noteLeftOut(QTextDocument *document, const QString &name, const QString &why);
    // What was left out since the last call, one "name (why)" a line.
    static QStringList takeLeftOut(QTextDocument *document);

private:
    // Bytes found for a name, and the one name the place they came from goes by.
    struct Found
    {
        QByteArray bytes;
        QString place;
    };
    std::optional<Found> read(const QUrl &name, qint64 maxBytes);
    std::optional<Found> readFile(const QString &written, const QString &path, qint64 maxBytes);
    QVariant picture(const QUrl &name);

    EditorDocument *m_document;
    const std::atomic_bool *m_cancel;
    // The folder relative names start from, and the canonical tree they must stay in.
    QString m_folder;
    QString m_tree;
    ZipArchive *m_archive = nullptr;
    QString m_archiveFolder;
    PictureStore m_pictures;
    // What each name asked for gave, so that a name used a thousand times is read once.
    QHash<QString, QVariant> m_fetched;
};
