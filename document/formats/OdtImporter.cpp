#include "OdtImporter.h"

#include "../DocumentFonts.h"
#include "BoundedXmlReader.h"
#include "ImportLimits.h"
#include "PictureStore.h"
#include "StructuredTextWriter.h"
#include "StyleChain.h"
#include "TableGrid.h"
#include "ZipArchive.h"

#include "../NoteFormat.h"

#include <QColor>
#include <QHash>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTextDocument>

namespace {
constexpr int MaxStyleChain = 32;

struct OdtStyle
{
    QString parent;
    QTextCharFormat format;
    int outlineLevel = 0;
    Qt::Alignment alignment = {};
    QString listStyle;
};

// "2.5cm", "1in", "12pt" as pixels at 96 dpi; 0 when the unit is unknown.
double lengthInPixels(const QString &length)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*([0-9.]+)\\s*(cm|mm|in|pt|pc|px)\\s*$"));
    const QRegularExpressionMatch m = pattern.match(length);
    if (!m.hasMatch())
        return 0;
    const double value = m.captured(1).toDouble();
    const QString unit = m.captured(2);
    const double perInch = unit == u"cm"   ? 2.54
                           : unit == u"mm" ? 25.4
                           : unit == u"in" ? 1
                           : unit == u"pt" ? 72
                           : unit == u"pc" ? 6
                                           : 96;
    return value / perInch * 96;
}

// A font as the document declares it: text names the declaration, which gives the family
// and its generic kind.
struct OdtFontFace
{
    QString family;
    QString kind;
};

void readTextProperties(const BoundedXmlReader &xml, QTextCharFormat &format,
                        const QHash<QString, OdtFontFace> &faces, DocumentFonts &fonts)
{
    for (const QXmlStreamAttribute &a : xml.attributes()) {
        const QStringView name = a.name();
        const QString value = a.value().toString();
        if (name == u"font-weight")
            format.setFontWeight(value == u"bold" || value.toInt() >= 600 ? QFont::Bold
                                                                          : QFont::Normal);
        else if (name == u"font-style")
            format.setFontItalic(value == u"italic" || value == u"oblique");
        else if (name == u"text-underline-style")
            format.setFontUnderline(value != u"none");
        else if (name == u"text-line-through-style")
            format.setFontStrikeOut(value != u"none");
        else if (name == u"color" && QColor(value).isValid())
            format.setForeground(QColor(value));
        else if (name == u"font-size" && value.endsWith(u"pt") && value.chopped(2).toDouble() > 0)
            format.setFontPointSize(qMin(value.chopped(2).toDouble(), 1638.0));
        else if (name == u"font-name" && a.prefix() == u"style")
            fonts.setFamily(format, faces.value(value, {value, {}}).family,
                            faces.value(value).kind);
        else if (name == u"text-position")
            format.setVerticalAlignment(value.startsWith(u"super")
                                            ? QTextCharFormat::AlignSuperScript
                                        : value.startsWith(u"sub") ? QTextCharFormat::AlignSubScript
                                                                   : QTextCharFormat::AlignNormal);
    }
}

class OdtParser
{
public:
    OdtParser(ZipArchive &zip, QTextDocument *document, QStringList *images,
              const DocumentImporter::Request &request)
        : m_zip(zip), m_pictures(document, images), m_request(request)
    {
    }

    QString error;
    // The language of the default paragraph style: the document's own.
    QString language;
    bool readStyles(const QByteArray &data);
    bool readBody(const QByteArray &data, QList<ImportedParagraph> &out);

private:
    void readBlocks(BoundedXmlReader &xml, QList<ImportedParagraph> &out, const QString &listKey,
                    const QString &listStyle, int listLevel);
    ImportedParagraph readParagraph(BoundedXmlReader &xml, int outlineLevel);
    void readInline(BoundedXmlReader &xml, ImportedParagraph &paragraph,
                    const QTextCharFormat &format);
    void appendText(ImportedParagraph &paragraph, const QString &text,
                    const QTextCharFormat &format);
    void readFrame(BoundedXmlReader &xml, ImportedParagraph &paragraph,
                   const QTextCharFormat &format);
    void readNote(BoundedXmlReader &xml, ImportedParagraph &paragraph,
                  const QTextCharFormat &format);
    std::shared_ptr<ImportedTable> readTable(BoundedXmlReader &xml);
    QTextCharFormat formatOf(const QString &style) const;
    const OdtStyle *findInChain(const QString &style, auto has) const;

    ZipArchive &m_zip;
    PictureStore m_pictures;
    DocumentFonts m_fonts;
    QHash<QString, OdtFontFace> m_fontFaces;
    const DocumentImporter::Request &m_request;
    QHash<QString, OdtStyle> m_styles;
    QHash<QString, QHash<int, QTextListFormat::Style>> m_listStyles;
    // Where the paragraph being read puts what follows it: its notes, its text frames.
    QList<ImportedParagraph> *m_after = nullptr;
    int m_listCount = 0;
    qint64 m_bodySize = 0;
};

bool OdtParser::readStyles(const QByteArray &data)
{
    BoundedXmlReader xml(data);
    while (!xml.atEnd()) {
        if (xml.next() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"style" && xml.prefix() == u"style") {
            const QString name = xml.attribute(u"name");
            OdtStyle style;
            style.parent = xml.attribute(u"parent-style-name");
            style.outlineLevel = xml.attribute(u"default-outline-level").toInt();
            style.listStyle = xml.attribute(u"list-style-name");
            while (xml.nextChild()) {
                if (xml.name() == u"text-properties") {
                    readTextProperties(xml, style.format, m_fontFaces, m_fonts);
                } else if (xml.name() == u"paragraph-properties") {
                    const QString align = xml.attribute(u"text-align");
                    style.alignment = align == u"center"                       ? Qt::AlignHCenter
                                      : (align == u"end" || align == u"right") ? Qt::AlignRight
                                      : align == u"justify"                    ? Qt::AlignJustify
                                      : align.isEmpty()                        ? Qt::Alignment()
                                                                               : Qt::AlignLeft;
                }
                xml.skip();
            }
            m_styles.insert(name, style);
        } else if (xml.name() == u"default-style" && xml.attribute(u"family") == u"paragraph") {
            while (xml.nextChild()) {
                const QString country = xml.attribute(u"country");
                if (xml.name() == u"text-properties" && language.isEmpty())
                    language = DocumentMetadata::languageTag(
                        xml.attribute(u"language") +
                        (country.isEmpty() || country == u"none" ? QString() : u'-' + country));
                xml.skip();
            }
        } else if (xml.name() == u"font-face" && xml.prefix() == u"style") {
            QString family = xml.attribute(u"font-family");
            if (family.size() > 1 && (family.startsWith(u'\'') || family.startsWith(u'"')))
                family = family.mid(1, family.size() - 2);
            const QString generic = xml.attribute(u"font-family-generic");
            const QString name = xml.attribute(u"name");
            // The kinds as RTF names them, which is how the document keeps them.
            m_fontFaces.insert(name, {family.isEmpty() ? name : family,
                                      generic == u"decorative" ? QStringLiteral("decor")
                                      : generic == u"system"   ? QString()
                                                               : generic});
        } else if (xml.name() == u"list-style") {
            QHash<int, QTextListFormat::Style> &levels = m_listStyles[xml.attribute(u"name")];
            while (xml.nextChild()) {
                const int level = xml.attribute(u"level").toInt() - 1;
                if (xml.name() == u"list-level-style-number") {
                    const QString f = xml.attribute(u"num-format");
                    levels.insert(level, f == u"a"   ? QTextListFormat::ListLowerAlpha
                                         : f == u"A" ? QTextListFormat::ListUpperAlpha
                                         : f == u"i" ? QTextListFormat::ListLowerRoman
                                         : f == u"I" ? QTextListFormat::ListUpperRoman
                                                     : QTextListFormat::ListDecimal);
                } else if (xml.name() == u"list-level-style-bullet") {
                    levels.insert(level, level % 2 == 0 ? QTextListFormat::ListDisc
                                                        : QTextListFormat::ListCircle);
                }
                xml.skip();
            }
        }
    }
    if (xml.hasError()) {
        error = QStringLiteral("its styles are damaged (%1)").arg(xml.errorString());
        return false;
    }
    return true;
}

const OdtStyle *OdtParser::findInChain(const QString &style, auto has) const
{
    QString current = style;
    for (int i = 0; i < MaxStyleChain && !current.isEmpty(); ++i) {
        const auto it = m_styles.constFind(current);
        if (it == m_styles.constEnd())
            return nullptr;
        if (has(*it))
            return &*it;
        current = it->parent;
    }
    return nullptr;
}

QTextCharFormat OdtParser::formatOf(const QString &style) const
{
    return mergedStyleFormat(m_styles, style, MaxStyleChain,
                             [](const OdtStyle &s) { return s.parent; });
}

bool OdtParser::readBody(const QByteArray &data, QList<ImportedParagraph> &out)
{
    m_bodySize = data.size();
    BoundedXmlReader xml(data);
    while (!xml.atEnd()) {
        if (xml.next() == QXmlStreamReader::StartElement && xml.name() == u"text" &&
            xml.prefix() == u"office") {
            readBlocks(xml, out, QString(), QString(), -1);
            break;
        }
    }
    if (xml.hasError()) {
        error = QStringLiteral("its text is damaged (%1)").arg(xml.errorString());
        return false;
    }
    return true;
}

void OdtParser::readBlocks(BoundedXmlReader &xml, QList<ImportedParagraph> &out,
                           const QString &listKey, const QString &listStyle, int listLevel)
{
    while (xml.nextChild()) {
        if (m_request.cancelled())
            return;
        const QStringView name = xml.name();
        if (name == u"p" || name == u"h") {
            const int outline = name == u"h" ? qMax(1, xml.attribute(u"outline-level").toInt()) : 0;
            QList<ImportedParagraph> after;
            QList<ImportedParagraph> *outer = m_after;
            m_after = &after;
            ImportedParagraph paragraph = readParagraph(xml, outline);
            m_after = outer;
            if (listLevel >= 0) {
                paragraph.listKey = listKey;
                paragraph.listLevel = listLevel;
                paragraph.listStyle =
                    m_listStyles.value(listStyle).value(listLevel, QTextListFormat::ListDisc);
            }
            out.append(paragraph);
            out.append(after);
            if (out.size() % 256 == 0)
                m_request.report(int(
                    qMin<qint64>(90, xml.characterOffset() * 90 / qMax<qint64>(1, m_bodySize))));
        } else if (name == u"list") {
            QString style = xml.attribute(u"style-name");
            if (style.isEmpty())
                style = listStyle;
            // Each outermost list numbers on its own; nested ones belong to it.
            const QString key = listLevel < 0 ? QString::number(++m_listCount) : listKey;
            readBlocks(xml, out, key, style, listLevel + 1);
        } else if (name == u"table" && xml.prefix() == u"table") {
            ImportedParagraph table;
            table.table = readTable(xml);
            out.append(table);
        } else if (name == u"frame") {
            // A frame anchored to the page: its picture or its text as paragraphs of their own.
            QList<ImportedParagraph> after;
            QList<ImportedParagraph> *outer = m_after;
            m_after = &after;
            ImportedParagraph holder;
            readFrame(xml, holder, QTextCharFormat());
            m_after = outer;
            if (!holder.runs.isEmpty())
                out.append(holder);
            out.append(after);
        } else if (name == u"list-item" || name == u"list-header" || name == u"section" ||
                   name == u"index-body" || name == u"table-of-content" ||
                   name == u"alphabetical-index" || name == u"illustration-index") {
            readBlocks(xml, out, listKey, listStyle, listLevel);
        } else {
            xml.skip();
        }
    }
}

ImportedParagraph OdtParser::readParagraph(BoundedXmlReader &xml, int outlineLevel)
{
    ImportedParagraph paragraph;
    const QString style = xml.attribute(u"style-name");
    if (outlineLevel == 0) {
        if (const OdtStyle *s =
                findInChain(style, [](const OdtStyle &o) { return o.outlineLevel > 0; }))
            outlineLevel = s->outlineLevel;
    }
    paragraph.headingLevel = qBound(0, outlineLevel, 6);
    if (const OdtStyle *s =
            findInChain(style, [](const OdtStyle &o) { return o.alignment != Qt::Alignment(); }))
        paragraph.alignment = s->alignment;
    readInline(xml, paragraph, formatOf(style));
    return paragraph;
}

void OdtParser::appendText(ImportedParagraph &paragraph, const QString &text,
                           const QTextCharFormat &format)
{
    if (text.isEmpty())
        return;
    if (!paragraph.runs.isEmpty() && paragraph.runs.last().image.isEmpty() &&
        paragraph.runs.last().format == format)
        paragraph.runs.last().text += text;
    else
        paragraph.runs.append({text, format});
}

// The content of a paragraph or span: text, spans, spaces, tabs, breaks, links, pictures.
void OdtParser::readInline(BoundedXmlReader &xml, ImportedParagraph &paragraph,
                           const QTextCharFormat &format)
{
    const int level = xml.depth();
    while (!xml.atEnd()) {
        const auto token = xml.next();
        if (token == QXmlStreamReader::EndElement && xml.depth() < level)
            return;
        if (token == QXmlStreamReader::Characters) {
            // Line ends and runs of spaces in the XML are layout of the file, not text.
            QString text = xml.QXmlStreamReader::text().toString();
            text.replace(u'\n', u' ').replace(u'\r', u' ').replace(u'\t', u' ');
            static const QRegularExpression spaces(QStringLiteral(" {2,}"));
            appendText(paragraph, text.replace(spaces, QStringLiteral(" ")), format);
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        if (name == u"span" || name == u"a") {
            QTextCharFormat inner = format;
            inner.merge(formatOf(xml.attribute(u"style-name")));
            readInline(xml, paragraph, inner);
        } else if (name == u"s") {
            appendText(paragraph, QString(qBound(1, xml.attribute(u"c").toInt(), 1000), u' '),
                       format);
            xml.skip();
        } else if (name == u"tab") {
            appendText(paragraph, QStringLiteral("\t"), format);
            xml.skip();
        } else if (name == u"line-break") {
            appendText(paragraph, QString(QChar::LineSeparator), format);
            xml.skip();
        } else if (name == u"frame") {
            readFrame(xml, paragraph, format);
        } else if (name == u"note") {
            readNote(xml, paragraph, format);
        } else if (name == u"annotation" || name == u"bookmark-ref" || name == u"tracked-changes") {
            xml.skip(); // comments would break the sentence being read
        } else {
            readInline(xml, paragraph, format);
        }
    }
}

void OdtParser::readFrame(BoundedXmlReader &xml, ImportedParagraph &paragraph,
                          const QTextCharFormat &format)
{
    const double width = lengthInPixels(xml.attribute(u"width"));
    const double height = lengthInPixels(xml.attribute(u"height"));
    const qsizetype pictureAt = paragraph.runs.size();
    QString description;
    while (xml.nextChild()) {
        if (xml.name() == u"image") {
            const auto path = ZipArchive::resolve(QString(), xml.attribute(u"href"));
            if (!path)
                m_pictures.leaveOut(xml.attribute(u"href"),
                                    QStringLiteral("it is outside the document"));
            QSize size;
            const QString name = path ? m_pictures.addFromArchive(m_zip, *path, &size) : QString();
            if (!name.isEmpty())
                paragraph.runs.append(ImportedRun::picture(format, name, width, height, size));
            xml.skip();
        } else if (xml.name() == u"text-box") {
            // A text frame's paragraphs follow the paragraph it is anchored in, as paragraphs
            // of their own.
            QList<ImportedParagraph> box;
            readBlocks(xml, box, QString(), QString(), -1);
            if (m_after)
                m_after->append(box);
        } else if (xml.name() == u"desc" || (xml.name() == u"title" && description.isEmpty())) {
            description = xml.text().simplified();
        } else {
            xml.skip();
        }
    }
    for (qsizetype i = pictureAt; i < paragraph.runs.size(); ++i)
        paragraph.runs[i].altText = description;
}

// A footnote or endnote: its citation stays in the text as a marker; its text follows the
// paragraph.
void OdtParser::readNote(BoundedXmlReader &xml, ImportedParagraph &paragraph,
                         const QTextCharFormat &format)
{
    QString citation;
    QList<ImportedParagraph> body;
    while (xml.nextChild()) {
        if (xml.name() == u"note-citation") {
            citation = xml.text().trimmed();
        } else if (xml.name() == u"note-body") {
            QList<ImportedParagraph> *outer = m_after;
            m_after = &body; // a note's own notes and frames stay with it
            readBlocks(xml, body, QString(), QString(), -1);
            m_after = outer;
        } else {
            xml.skip();
        }
    }
    QTextCharFormat marker = format;
    NoteFormat::setMarker(marker);
    if (!citation.isEmpty())
        paragraph.runs.append({citation, marker});
    for (qsizetype i = 0; i < body.size(); ++i) {
        ImportedParagraph &note = body[i];
        note.note = i == 0 ? NoteFormat::FirstNoteBlock : NoteFormat::NextNoteBlock;
        note.headingLevel = 0;
        note.listLevel = -1;
    }
    if (!body.isEmpty() && !citation.isEmpty() && !body.first().table) {
        QTextCharFormat noteMarker =
            body.first().runs.isEmpty() ? format : body.first().runs.first().format;
        NoteFormat::setMarker(noteMarker);
        body.first().runs.prepend({citation + u' ', noteMarker});
    }
    if (m_after)
        m_after->append(body);
}

std::shared_ptr<ImportedTable> OdtParser::readTable(BoundedXmlReader &xml)
{
    auto table = std::make_shared<ImportedTable>();
    TableGrid grid(*table);
    const int level = xml.depth();
    // Rows may sit in header-rows or row-groups; cells hold blocks.
    while (!xml.atEnd()) {
        const auto token = xml.next();
        if (token == QXmlStreamReader::EndElement && xml.depth() < level)
            break;
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"table-row") {
            grid.startRow();
            while (xml.nextChild()) {
                if (xml.name() == u"table-cell") {
                    const int columns = xml.attribute(u"number-columns-spanned").toInt();
                    const int rows = xml.attribute(u"number-rows-spanned").toInt();
                    QList<ImportedParagraph> cell;
                    readBlocks(xml, cell, QString(), QString(), -1);
                    grid.addCell(cell);
                    grid.mergeLast(rows, columns);
                } else if (xml.name() == u"covered-table-cell") {
                    // The place of a cell merged into the one before or above it.
                    grid.addCovered();
                    xml.skip();
                } else {
                    xml.skip();
                }
            }
            grid.endRow();
        } else if (xml.name() == u"table-columns" || xml.name() == u"table-column") {
            xml.skip();
        }
    }
    return table;
}
} // namespace

DocumentImporter::Result OdtImporter::import(const Request &request, QTextDocument *document) const
{
    ZipArchive zip;
    if (!zip.open(request.data))
        return Result::failure(zip.error());
    Result result;
    OdtParser parser(zip, document, &result.images, request);
    if (zip.contains(QStringLiteral("styles.xml"))) {
        const std::optional<QByteArray> styles = zip.read(QStringLiteral("styles.xml"));
        if (!styles)
            return Result::failure(zip.error());
        if (!parser.readStyles(*styles))
            return Result::failure(parser.error);
    }
    const std::optional<QByteArray> content = zip.read(QStringLiteral("content.xml"));
    if (!content)
        return Result::failure(zip.error());
    QList<ImportedParagraph> paragraphs;
    // content.xml holds the automatic styles its paragraphs use, then the body.
    if (!parser.readStyles(*content) || !parser.readBody(*content, paragraphs))
        return Result::failure(parser.error);
    if (request.cancelled())
        return Result::cancelledResult();
    if (!StructuredTextWriter(QTextCursor(document), request.cancel).write(paragraphs))
        return Result::cancelledResult();
    // The meta part is optional, and a document reads as well without it.
    result.metadata = DocumentMetadata::fromDublinCore(
        zip.read(QStringLiteral("meta.xml")).value_or(QByteArray()));
    if (result.metadata.language.isEmpty())
        result.metadata.language = parser.language;
    request.report(100);
    return result;
}
