#include "DocxNumbering.h"

#include "BoundedXmlReader.h"
#include "ZipArchive.h"

bool DocxNumbering::read(ZipArchive &zip, QString *error)
{
    if (!zip.contains(QStringLiteral("word/numbering.xml")))
        return true;
    const std::optional<QByteArray> data = zip.read(QStringLiteral("word/numbering.xml"));
    if (!data) {
        *error = zip.error();
        return false;
    }
    BoundedXmlReader xml(*data);
    while (!xml.atEnd()) {
        if (xml.next() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"abstractNum") {
            const QString id = xml.attribute(u"abstractNumId");
            while (xml.nextChild()) {
                if (xml.name() != u"lvl") {
                    xml.skip();
                    continue;
                }
                const int level = xml.attribute(u"ilvl").toInt();
                QTextListFormat::Style style = QTextListFormat::ListDisc;
                while (xml.nextChild()) {
                    if (xml.name() == u"numFmt") {
                        const QString f = xml.attribute(u"val");
                        style = f == u"decimal"       ? QTextListFormat::ListDecimal
                                : f == u"lowerLetter" ? QTextListFormat::ListLowerAlpha
                                : f == u"upperLetter" ? QTextListFormat::ListUpperAlpha
                                : f == u"lowerRoman"  ? QTextListFormat::ListLowerRoman
                                : f == u"upperRoman"  ? QTextListFormat::ListUpperRoman
                                : level % 2 == 0      ? QTextListFormat::ListDisc
                                                      : QTextListFormat::ListCircle;
                    }
                    xml.skip();
                }
                m_abstractLevels[id].insert(level, style);
            }
        } else if (xml.name() == u"num") {
            const QString id = xml.attribute(u"numId");
            while (xml.nextChild()) {
                if (xml.name() == u"abstractNumId") {
                    m_numToAbstract.insert(id, xml.attribute(u"val"));
                } else if (xml.name() == u"lvlOverride") {
                    const int level = xml.attribute(u"ilvl").toInt();
                    while (xml.nextChild()) {
                        if (xml.name() == u"startOverride")
                            m_restartingLevels.insert({id, level});
                        xml.skip();
                    }
                    continue;
                }
                xml.skip();
            }
        }
    }
    if (xml.hasError()) {
        *error = QStringLiteral("its list definitions are damaged (%1)").arg(xml.errorString());
        return false;
    }
    return true;
}

void DocxNumbering::number(ImportedParagraph &paragraph, const QString &numId, int level)
{
    const QString abstract = m_numToAbstract.value(numId, u'#' + numId);
    const QPair<QString, int> instanceLevel(numId, level);
    int &generation = m_countGeneration[{abstract, level}];
    if (!m_usedLevels.contains(instanceLevel)) {
        m_usedLevels.insert(instanceLevel);
        if (m_restartingLevels.contains(instanceLevel))
            ++generation;
    }
    paragraph.listKey = abstract + u'/' + QString::number(generation);
    paragraph.listLevel = level;
    paragraph.listStyle = m_abstractLevels.value(abstract).value(level, QTextListFormat::ListDisc);
}
