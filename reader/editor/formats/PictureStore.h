#pragma once

#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

class QTextDocument;
class ZipArchive;

// Pictures of a document added to it as image resources, each read once. Names carry a
// scheme of their own so they never clash with a file the editor might look up.
class PictureStore
{
public:
    PictureStore(QTextDocument *document, QStringList *names);

    // The resource name for the archive entry `path`, or an empty string when it is
    // missing, too large or not a picture Qt can decode. `size` gets its pixel size.
    QString addFromArchive(ZipArchive &archive, const QString &path, QSize *size = nullptr);

    // The same for a file on disk (pictures beside an HTML or Markdown file).
    QString addFromFile(const QString &path, QSize *size = nullptr);

    // The picture `document` holds under `name`, in whichever form the resource was added
    // (image, pixmap or encoded bytes); a null image when there is none.
    static QImage imageOf(const QTextDocument &document, const QString &name);

private:
    QString add(const QString &name, const QByteArray &bytes, QSize *size);

    QTextDocument *m_document;
    QStringList *m_names;
    QHash<QString, QSize> m_added;
};
