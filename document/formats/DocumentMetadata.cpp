#include "DocumentMetadata.h"

#include "BoundedXmlReader.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTextDocument>

namespace {
constexpr char PropertyName[] = "parlanceDocumentMetadata";
constexpr QStringView DublinCore = u"http://purl.org/dc/elements/1.1/";
} // namespace

QString DocumentMetadata::languageTag(const QString &code)
{
    QStringList parts = code.trimmed().replace(u'_', u'-').split(u'-', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return QString();
    parts[0] = parts[0].toLower();
    const QString &language = parts[0];
    // Two or three letters name a language; "C" (a locale), "x" (private) and the rest do not.
    static const QRegularExpression letters(QStringLiteral("^[a-z]{2,3}$"));
    if (!letters.match(language).hasMatch() || language == u"und" || language == u"zxx")
        return QString();
    for (qsizetype i = 1; i < parts.size(); ++i)
        parts[i] = parts[i].size() == 2 ? parts[i].toUpper() : parts[i];
    return parts.join(u'-');
}

DocumentMetadata DocumentMetadata::fromDublinCore(const QByteArray &data)
{
    DocumentMetadata metadata;
    QStringList creators;
    QString firstAuthor;
    BoundedXmlReader xml(data);
    while (!xml.atEnd()) {
        if (xml.next() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        const bool dublinCore = xml.namespaceUri() == DublinCore;
        if (name == u"initial-creator" && firstAuthor.isEmpty()) {
            firstAuthor = xml.text().simplified();
        } else if (!dublinCore) {
            continue;
        } else if (name == u"title" && metadata.title.isEmpty()) {
            metadata.title = xml.text().simplified();
        } else if (name == u"creator") {
            const QString creator = xml.text().simplified();
            if (!creator.isEmpty() && !creators.contains(creator))
                creators.append(creator);
        } else if (name == u"language" && metadata.language.isEmpty()) {
            metadata.language = languageTag(xml.text());
        }
    }
    metadata.author = firstAuthor.isEmpty() ? creators.join(QStringLiteral(", ")) : firstAuthor;
    return metadata;
}

DocumentMetadata DocumentMetadata::of(const QTextDocument &document)
{
    return document.property(PropertyName).value<DocumentMetadata>();
}

void DocumentMetadata::attach(QTextDocument *document, const DocumentMetadata &metadata)
{
    if (document)
        document->setProperty(PropertyName, QVariant::fromValue(metadata));
}
