#pragma once

#include <QHash>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

class QTextDocument;
class ZipArchive;

// Pictures of a document added to it as image resources, each read once, and all of them
// together under the document's picture memory (RtfPictureBudget). What cannot be added is
// noted on the document by name (ResourceGate::noteLeftOut).
class PictureStore
{
public:
    PictureStore(QTextDocument *document, QStringList *names);

    // The resource name for the archive entry `path`, or an empty string when it is
    // missing, too large or not a picture Qt can decode. `size` gets its pixel size. Names
    // carry a scheme of their own so they never clash with a name the document uses.
    QString addFromArchive(ZipArchive &archive, const QString &path, QSize *size = nullptr);

    // The picture in `bytes` added under `name` (the document's own name for it); empty
    // when it is no picture or would pass the document's picture memory.
    QString add(const QString &name, const QByteArray &bytes, QSize *size = nullptr);

    // Notes that the picture the document names `name` was left out because of `why`.
    void leaveOut(const QString &name, const QString &why);

    // The picture `document` holds under `name`, in whichever form the resource was added
    // (image, pixmap or encoded bytes); a null image when there is none.
    static QImage imageOf(const QTextDocument &document, const QString &name);

private:
    QTextDocument *m_document;
    QStringList *m_names;
    QHash<QString, QSize> m_added;
};
