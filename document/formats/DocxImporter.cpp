#include "DocxImporter.h"

#include "../DocumentFonts.h"
#include "BoundedXmlReader.h"
#include "DocxNotes.h"
#include "DocxNumbering.h"
#include "ImportLimits.h"
#include "PictureStore.h"
#include "StructuredTextWriter.h"
#include "StyleChain.h"
#include "TableGrid.h"
#include "ZipArchive.h"

#include <QColor>
#include <QHash>
#include <QScopeGuard>
#include <QSet>
#include <QTextCursor>
#include <QTextDocument>

namespace {
// Style chains ("based on") longer than this are broken files, or loops.
constexpr int MaxStyleChain = 32;
// DOCX sizes pictures in English metric units: 914 400 to the inch, 96 pixels to the inch.
constexpr double EmuPerPixel = 9525.0;

struct DocxStyle
{
    QString basedOn;
    int headingLevel = 0;
    QTextCharFormat format;
};

bool isOn(const BoundedXmlReader &xml)
{
    const QString value = xml.attribute(u"val");
    return value.isEmpty() || (value != u"0" && value != u"false" && value != u"off");
}

// Reads the character properties of a w:rPr element into `format`.
void readRunProperties(BoundedXmlReader &xml, QTextCharFormat &format, QString *runStyle,
                       DocumentFonts &fonts)
{
    while (xml.nextChild()) {
        const QStringView name = xml.name();
        if (name == u"b") {
            format.setFontWeight(isOn(xml) ? QFont::Bold : QFont::Normal);
        } else if (name == u"i") {
            format.setFontItalic(isOn(xml));
        } else if (name == u"u") {
            const QString value = xml.attribute(u"val");
            format.setFontUnderline(value != u"none" && value != u"0");
        } else if (name == u"strike" || name == u"dstrike") {
            format.setFontStrikeOut(isOn(xml));
        } else if (name == u"color") {
            const QColor color(QLatin1Char('#') + xml.attribute(u"val"));
            if (color.isValid())
                format.setForeground(color);
        } else if (name == u"sz") {
            bool ok = false;
            const int halfPoints = xml.attribute(u"val").toInt(&ok);
            if (ok && halfPoints > 0 && halfPoints <= 3276)
                format.setFontPointSize(halfPoints / 2.0);
        } else if (name == u"rFonts") {
            const QString family = xml.attribute(u"ascii");
            fonts.setFamily(format, family);
        } else if (name == u"vertAlign") {
            const QString value = xml.attribute(u"val");
            format.setVerticalAlignment(value == u"superscript" ? QTextCharFormat::AlignSuperScript
                                        : value == u"subscript" ? QTextCharFormat::AlignSubScript
                                                                : QTextCharFormat::AlignNormal);
        } else if (name == u"rStyle" && runStyle) {
            *runStyle = xml.attribute(u"val");
        }
        xml.skip();
    }
}

int headingLevelOfName(const QString &name)
{
    const QString lower = name.toLower();
    if (lower == u"title")
        return 1;
    if (lower.startsWith(u"heading ")) {
        bool ok = false;
        const int level = lower.mid(8).toInt(&ok);
        return ok ? qBound(1, level, 6) : 0;
    }
    return 0;
}

// What a table cell says about the grid: how many columns it spans, and whether it starts
// or goes on with a cell merged downwards.
struct CellProperties
{
    int columns = 1;
    enum { Alone, Starts, GoesOn } downwards = Alone;
};

class DocxParser
{
public:
    DocxParser(ZipArchive &zip, QTextDocument *document, QStringList *images)
        : m_zip(zip), m_pictures(document, images)
    {
    }

    QString error;
    // The language of the default run properties: the document's own.
    QString language;

    bool readStyles();
    bool readNumbering() { return m_numbering.read(m_zip, &error); }
    bool readRelationships();
    bool readNotes(const DocumentImporter::Request &request);
    bool readBody(const QByteArray &xml, QList<ImportedParagraph> &out,
                  const DocumentImporter::Request &request);

private:
    void readBlocks(BoundedXmlReader &xml, QList<ImportedParagraph> &out,
                    CellProperties *cell = nullptr);
    // A paragraph; what follows it as paragraphs of its own (its notes, its text boxes) goes
    // to `after`.
    ImportedParagraph readParagraph(BoundedXmlReader &xml, QList<ImportedParagraph> &after);
    void readParagraphContent(BoundedXmlReader &xml, ImportedParagraph &paragraph,
                              const QTextCharFormat &base);
    void readRun(BoundedXmlReader &xml, ImportedParagraph &paragraph, const QTextCharFormat &base);
    void readRunContent(BoundedXmlReader &xml, ImportedParagraph &paragraph,
                        const QTextCharFormat &format);
    void readDrawing(BoundedXmlReader &xml, ImportedParagraph &paragraph,
                     const QTextCharFormat &format);
    std::shared_ptr<ImportedTable> readTable(BoundedXmlReader &xml);
    QTextCharFormat styleFormat(const QString &id) const;
    int styleHeading(const QString &id) const;

    ZipArchive &m_zip;
    PictureStore m_pictures;
    DocumentFonts m_fonts;
    QHash<QString, DocxStyle> m_styles;
    DocxNumbering m_numbering;
    QHash<QString, QString> m_relationships;
    QHash<QString, QString> m_outsideTargets;
    DocxNotes m_notes;
    // Where the paragraph being read puts what follows it.
    QList<ImportedParagraph> *m_after = nullptr;
    const DocumentImporter::Request *m_request = nullptr;
    qint64 m_bodySize = 0;
};

bool DocxParser::readStyles()
{
    const std::optional<QByteArray> data = m_zip.read(QStringLiteral("word/styles.xml"));
    if (!data) {
        // Styles are optional; a styles part that exists but cannot be read is damage.
        if (!m_zip.contains(QStringLiteral("word/styles.xml")))
            return true;
        error = m_zip.error();
        return false;
    }
    BoundedXmlReader xml(*data);
    while (!xml.atEnd()) {
        if (xml.next() != QXmlStreamReader::StartElement)
            continue;
        // Outside the styles, a language can only be the defaults'.
        if (xml.name() == u"lang" && language.isEmpty())
            language = DocumentMetadata::languageTag(xml.attribute(u"val"));
        if (xml.name() != u"style")
            continue;
        const QString id = xml.attribute(u"styleId");
        DocxStyle style;
        while (xml.nextChild()) {
            const QStringView name = xml.name();
            if (name == u"name") {
                style.headingLevel =
                    qMax(style.headingLevel, headingLevelOfName(xml.attribute(u"val")));
                xml.skip();
            } else if (name == u"basedOn") {
                style.basedOn = xml.attribute(u"val");
                xml.skip();
            } else if (name == u"rPr") {
                readRunProperties(xml, style.format, nullptr, m_fonts);
            } else if (name == u"pPr") {
                while (xml.nextChild()) {
                    if (xml.name() == u"outlineLvl" && style.headingLevel == 0)
                        style.headingLevel = qBound(0, xml.attribute(u"val").toInt() + 1, 6);
                    xml.skip();
                }
            } else {
                xml.skip();
            }
        }
        m_styles.insert(id, style);
    }
    if (xml.hasError()) {
        error = QStringLiteral("its styles are damaged (%1)").arg(xml.errorString());
        return false;
    }
    return true;
}

bool DocxParser::readRelationships()
{
    const QString path = QStringLiteral("word/_rels/document.xml.rels");
    if (!m_zip.contains(path))
        return true;
    const std::optional<QByteArray> data = m_zip.read(path);
    if (!data) {
        error = m_zip.error();
        return false;
    }
    BoundedXmlReader xml(*data);
    while (!xml.atEnd()) {
        if (xml.next() != QXmlStreamReader::StartElement || xml.name() != u"Relationship")
            continue;
        const QString target = xml.attribute(u"Target");
        const auto path = xml.attribute(u"TargetMode") == u"External"
                              ? std::nullopt
                              : ZipArchive::resolve(QStringLiteral("word"), target);
        // A picture linked from elsewhere, or named outside the archive, is never read; its
        // name is kept to tell the user.
        if (path)
            m_relationships.insert(xml.attribute(u"Id"), *path);
        else
            m_outsideTargets.insert(xml.attribute(u"Id"), target);
    }
    return true;
}

bool DocxParser::readNotes(const DocumentImporter::Request &request)
{
    m_request = &request;
    const auto readBlocks = [this](BoundedXmlReader &xml, QList<ImportedParagraph> &out) {
        this->readBlocks(xml, out);
    };
    return m_notes.read(m_zip, DocxNotes::Footnote, readBlocks, &error) &&
           m_notes.read(m_zip, DocxNotes::Endnote, readBlocks, &error);
}

QTextCharFormat DocxParser::styleFormat(const QString &id) const
{
    return mergedStyleFormat(m_styles, id, MaxStyleChain,
                             [](const DocxStyle &style) { return style.basedOn; });
}

int DocxParser::styleHeading(const QString &id) const
{
    QString current = id;
    for (int i = 0; i < MaxStyleChain && !current.isEmpty(); ++i) {
        const auto it = m_styles.constFind(current);
        if (it == m_styles.constEnd())
            return headingLevelOfName(current);
        if (it->headingLevel > 0)
            return it->headingLevel;
        current = it->basedOn;
    }
    return 0;
}

bool DocxParser::readBody(const QByteArray &data, QList<ImportedParagraph> &out,
                          const DocumentImporter::Request &request)
{
    m_request = &request;
    m_bodySize = data.size();
    BoundedXmlReader xml(data);
    while (!xml.atEnd()) {
        if (xml.next() == QXmlStreamReader::StartElement && xml.name() == u"body") {
            readBlocks(xml, out);
            break;
        }
    }
    if (xml.hasError()) {
        error = QStringLiteral("its text is damaged (%1)").arg(xml.errorString());
        return false;
    }
    return true;
}

void DocxParser::readBlocks(BoundedXmlReader &xml, QList<ImportedParagraph> &out,
                            CellProperties *cell)
{
    while (xml.nextChild()) {
        if (m_request->cancelled())
            return;
        const QStringView name = xml.name();
        if (name == u"p") {
            QList<ImportedParagraph> after;
            out.append(readParagraph(xml, after));
            out.append(after);
            if (out.size() % 256 == 0)
                m_request->report(int(
                    qMin<qint64>(90, xml.characterOffset() * 90 / qMax<qint64>(1, m_bodySize))));
        } else if (name == u"tbl") {
            ImportedParagraph table;
            table.table = readTable(xml);
            out.append(table);
        } else if (name == u"tcPr" && cell) {
            while (xml.nextChild()) {
                if (xml.name() == u"gridSpan")
                    cell->columns = qMax(1, xml.attribute(u"val").toInt());
                else if (xml.name() == u"vMerge")
                    cell->downwards = xml.attribute(u"val") == u"restart" ? CellProperties::Starts
                                                                          : CellProperties::GoesOn;
                xml.skip();
            }
        } else if (name == u"sdt" || name == u"sdtContent" || name == u"customXml") {
            readBlocks(xml, out);
        } else {
            xml.skip();
        }
    }
}

ImportedParagraph DocxParser::readParagraph(BoundedXmlReader &xml, QList<ImportedParagraph> &after)
{
    QList<ImportedParagraph> *outer = m_after;
    m_after = &after;
    const auto restore = qScopeGuard([&] { m_after = outer; });
    ImportedParagraph paragraph;
    QString style;
    QString numId;
    int listLevel = 0;
    bool numbered = false;
    // Paragraph properties come first; the runs follow.
    QList<ImportedRun> runs;
    QTextCharFormat base;
    bool propertiesRead = false;
    while (xml.nextChild()) {
        if (xml.name() == u"pPr" && !propertiesRead) {
            propertiesRead = true;
            while (xml.nextChild()) {
                const QStringView name = xml.name();
                if (name == u"pStyle") {
                    style = xml.attribute(u"val");
                    xml.skip();
                } else if (name == u"jc") {
                    const QString jc = xml.attribute(u"val");
                    paragraph.alignment = jc == u"center"                    ? Qt::AlignHCenter
                                          : (jc == u"right" || jc == u"end") ? Qt::AlignRight
                                          : (jc == u"both" || jc == u"distribute")
                                              ? Qt::AlignJustify
                                              : Qt::AlignLeft;
                    xml.skip();
                } else if (name == u"numPr") {
                    while (xml.nextChild()) {
                        if (xml.name() == u"ilvl")
                            listLevel = qBound(0, xml.attribute(u"val").toInt(), 9);
                        else if (xml.name() == u"numId")
                            numId = xml.attribute(u"val");
                        xml.skip();
                    }
                    numbered = true;
                } else {
                    xml.skip();
                }
            }
            base = styleFormat(style);
            paragraph.headingLevel = styleHeading(style);
        } else {
            readParagraphContent(xml, paragraph, base);
            // readParagraphContent consumed this child and its own children
        }
    }
    // numId 0 switches numbering off for a paragraph whose style would number it.
    if (numbered && !numId.isEmpty() && numId != u"0") {
        m_numbering.number(paragraph, numId, listLevel);
    }
    return paragraph;
}

// One child of a paragraph: a run, or something that holds runs (links, insertions, fields).
void DocxParser::readParagraphContent(BoundedXmlReader &xml, ImportedParagraph &paragraph,
                                      const QTextCharFormat &base)
{
    const QStringView name = xml.name();
    if (name == u"r") {
        readRun(xml, paragraph, base);
    } else if (name == u"del" || name == u"pPr" || name == u"moveFrom" || name == u"Fallback") {
        // Deleted text is not part of the document; a fallback repeats its choice.
        xml.skip();
    } else {
        while (xml.nextChild())
            readParagraphContent(xml, paragraph, base);
    }
}

void DocxParser::readRun(BoundedXmlReader &xml, ImportedParagraph &paragraph,
                         const QTextCharFormat &base)
{
    QTextCharFormat format = base;
    while (xml.nextChild()) {
        if (xml.name() == u"rPr") {
            QTextCharFormat direct;
            QString runStyle;
            readRunProperties(xml, direct, &runStyle, m_fonts);
            if (!runStyle.isEmpty())
                format.merge(styleFormat(runStyle));
            format.merge(direct);
        } else {
            readRunContent(xml, paragraph, format);
        }
    }
}

// One child of a run: text, a break, a picture or text box, a note's reference.
void DocxParser::readRunContent(BoundedXmlReader &xml, ImportedParagraph &paragraph,
                                const QTextCharFormat &format)
{
    const QStringView name = xml.name();
    if (name == u"t") {
        const QString text = xml.text();
        if (!paragraph.runs.isEmpty() && paragraph.runs.last().image.isEmpty() &&
            paragraph.runs.last().format == format)
            paragraph.runs.last().text += text;
        else
            paragraph.runs.append({text, format});
    } else if (name == u"tab") {
        paragraph.runs.append({QStringLiteral("\t"), format});
        xml.skip();
    } else if (name == u"br" || name == u"cr") {
        paragraph.runs.append({QString(QChar::LineSeparator), format});
        xml.skip();
    } else if (name == u"drawing" || name == u"pict" || name == u"object") {
        readDrawing(xml, paragraph, format);
    } else if (name == u"footnoteReference" || name == u"endnoteReference") {
        const auto kind = name == u"footnoteReference" ? DocxNotes::Footnote : DocxNotes::Endnote;
        const QString id = xml.attribute(u"id");
        xml.skip();
        if (m_after)
            paragraph.runs.append(m_notes.refer(kind, id, format, *m_after));
    } else if (name == u"footnoteRef" || name == u"endnoteRef") {
        paragraph.runs.append(DocxNotes::ownMarker(format));
        xml.skip();
    } else if (name == u"AlternateContent" || name == u"Choice") {
        // Newer content with an older rendering of the same as its fallback: the first.
        while (xml.nextChild()) {
            if (xml.name() == u"Fallback")
                xml.skip();
            else
                readRunContent(xml, paragraph, format);
        }
    } else {
        xml.skip();
    }
}

// A picture: the relationship its blip (or VML image data) names, and its extent.
void DocxParser::readDrawing(BoundedXmlReader &xml, ImportedParagraph &paragraph,
                             const QTextCharFormat &format)
{
    QString relationship;
    QString description;
    double width = 0;
    double height = 0;
    const int level = xml.depth();
    while (!xml.atEnd()) {
        const auto token = xml.next();
        if (token == QXmlStreamReader::EndElement && xml.depth() < level)
            break;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"extent" && width == 0) {
            width = xml.attribute(u"cx").toDouble() / EmuPerPixel;
            height = xml.attribute(u"cy").toDouble() / EmuPerPixel;
        } else if (xml.name() == u"blip" && relationship.isEmpty()) {
            relationship = xml.attribute(u"embed");
            if (relationship.isEmpty())
                relationship = xml.attribute(u"link");
        } else if (xml.name() == u"imagedata" && relationship.isEmpty()) {
            relationship = xml.attribute(u"id");
        } else if (xml.name() == u"docPr") {
            description = xml.attribute(u"descr");
            if (description.isEmpty())
                description = xml.attribute(u"title");
        } else if (xml.name() == u"txbxContent") {
            // A text box: its paragraphs follow the paragraph it is anchored in.
            QList<ImportedParagraph> box;
            readBlocks(xml, box);
            if (m_after)
                m_after->append(box);
        }
    }
    const QString path = m_relationships.value(relationship);
    if (path.isEmpty()) {
        if (m_outsideTargets.contains(relationship))
            m_pictures.leaveOut(m_outsideTargets.value(relationship),
                                QStringLiteral("it is outside the document"));
        return;
    }
    QSize size;
    const QString name = m_pictures.addFromArchive(m_zip, path, &size);
    if (name.isEmpty())
        return;
    paragraph.runs.append(ImportedRun::picture(format, name, width, height, size));
    paragraph.runs.last().altText = description;
}

std::shared_ptr<ImportedTable> DocxParser::readTable(BoundedXmlReader &xml)
{
    auto table = std::make_shared<ImportedTable>();
    TableGrid grid(*table);
    while (xml.nextChild()) {
        if (xml.name() != u"tr") {
            xml.skip();
            continue;
        }
        grid.startRow();
        while (xml.nextChild()) {
            if (xml.name() == u"trPr") {
                // Grid columns left empty before the row's first cell.
                while (xml.nextChild()) {
                    if (xml.name() == u"gridBefore")
                        grid.addCovered(xml.attribute(u"val").toInt());
                    xml.skip();
                }
            } else if (xml.name() == u"tc") {
                QList<ImportedParagraph> cell;
                CellProperties properties;
                readBlocks(xml, cell, &properties);
                if (properties.downwards == CellProperties::GoesOn) {
                    grid.continueAbove(properties.columns);
                    continue;
                }
                grid.addCell(cell, properties.columns);
                if (properties.downwards == CellProperties::Starts)
                    grid.startDownwards();
            } else {
                xml.skip();
            }
        }
        grid.endRow();
    }
    return table;
}
} // namespace

DocumentImporter::Result DocxImporter::import(const Request &request, QTextDocument *document) const
{
    ZipArchive zip;
    if (!zip.open(request.data))
        return Result::failure(zip.error());
    Result result;
    DocxParser parser(zip, document, &result.images);
    const std::optional<QByteArray> body = zip.read(QStringLiteral("word/document.xml"));
    if (!body)
        return Result::failure(zip.error());
    QList<ImportedParagraph> paragraphs;
    if (!parser.readStyles() || !parser.readNumbering() || !parser.readRelationships() ||
        !parser.readNotes(request) || !parser.readBody(*body, paragraphs, request))
        return Result::failure(parser.error.isEmpty() ? zip.error() : parser.error);
    if (request.cancelled())
        return Result::cancelledResult();
    if (!StructuredTextWriter(QTextCursor(document), request.cancel).write(paragraphs))
        return Result::cancelledResult();
    // The core properties are optional, and a document reads as well without them.
    result.metadata = DocumentMetadata::fromDublinCore(
        zip.read(QStringLiteral("docProps/core.xml")).value_or(QByteArray()));
    if (result.metadata.language.isEmpty())
        result.metadata.language = parser.language;
    request.report(100);
    return result;
}
