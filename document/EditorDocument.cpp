#include "EditorDocument.h"

#include "LongTextList.h"
#include "formats/ResourceGate.h"

#include <QTextBlock>
#include <QUrl>

QTextObject *EditorDocument::createObject(const QTextFormat &format)
{
    if (format.isListFormat())
        return new LongTextList(this);
    return QTextDocument::createObject(format);
}

QVariant EditorDocument::loadResource(int type, const QUrl &name)
{
    return m_gate ? m_gate->fetch(type, name) : QVariant();
}

QSet<QString> EditorDocument::pictureNames(const QTextDocument &document)
{
    QSet<QString> names;
    // QTextDocument::begin() walks the blocks of every frame, table cells included.
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat())
                names.insert(format.toImageFormat().name());
        }
    }
    return names;
}

void EditorDocument::copyPictures(const QTextDocument &from, QTextDocument *to)
{
    for (const QString &name : pictureNames(from)) {
        const QVariant picture = from.resource(QTextDocument::ImageResource, QUrl(name));
        if (picture.isValid())
            to->addResource(QTextDocument::ImageResource, QUrl(name), picture);
    }
}
