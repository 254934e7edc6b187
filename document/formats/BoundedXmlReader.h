#pragma once

#include <QXmlStreamReader>

// QXmlStreamReader that refuses to nest deeper than ImportLimits::MaxXmlDepth, so that the
// recursive walks of the importers stay bounded whatever the file holds. DTDs are not
// expanded: entity declarations in a document part end the reading with an error.
class BoundedXmlReader : public QXmlStreamReader
{
public:
    explicit BoundedXmlReader(const QByteArray &data);

    // Like QXmlStreamReader::readNext, with the depth check and the DTD refusal.
    TokenType next();

    // Moves to the next start element inside the current one; false at its end.
    bool nextChild();

    // Skips the rest of the current element.
    void skip();

    // The concatenated text inside the current element, ending on its end element.
    QString text();

    // The attribute with this local name, whatever its namespace prefix.
    QString attribute(QStringView localName) const;

    int depth() const { return m_depth; }

private:
    int m_depth = 0;
};
