#include "BoundedXmlReader.h"

#include "ImportLimits.h"

BoundedXmlReader::BoundedXmlReader(const QByteArray &data) : QXmlStreamReader(data)
{
    // Entities are never resolved against anything outside the document.
    setNamespaceProcessing(true);
}

QXmlStreamReader::TokenType BoundedXmlReader::next()
{
    const TokenType token = readNext();
    if (token == StartElement) {
        if (++m_depth > ImportLimits::MaxXmlDepth)
            raiseError(QStringLiteral("its XML nests more than %1 levels deep")
                           .arg(ImportLimits::MaxXmlDepth));
    } else if (token == EndElement) {
        --m_depth;
    } else if (token == DTD && !entityDeclarations().isEmpty()) {
        // Entity declarations are how "billion laughs" files multiply a few bytes.
        raiseError(QStringLiteral("its XML declares entities"));
    }
    return token;
}

bool BoundedXmlReader::nextChild()
{
    const int level = m_depth;
    while (!atEnd()) {
        const TokenType token = next();
        if (token == StartElement && m_depth == level + 1)
            return true;
        if (token == EndElement && m_depth < level)
            return false;
        if (token == StartElement)
            skip();
    }
    return false;
}

void BoundedXmlReader::skip()
{
    const int level = m_depth;
    while (!atEnd() && m_depth >= level)
        next();
}

QString BoundedXmlReader::text()
{
    QString result;
    const int level = m_depth;
    while (!atEnd()) {
        const TokenType token = next();
        if (token == Characters)
            result += QXmlStreamReader::text();
        else if (token == EndElement && m_depth < level)
            break;
    }
    return result;
}

QString BoundedXmlReader::attribute(QStringView localName) const
{
    for (const QXmlStreamAttribute &a : attributes()) {
        if (a.name() == localName)
            return a.value().toString();
    }
    return QString();
}
