#include "DocxNotes.h"

#include "../NoteFormat.h"
#include "BoundedXmlReader.h"
#include "ZipArchive.h"

namespace {
// Stands for a note's own number until the body's reference gives it one.
const QString NumberPlaceholder = QStringLiteral("\x01");

QString romanNumber(int n)
{
    static const QList<QPair<int, const char *>> values = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
        {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
    QString roman;
    for (const auto &[value, letters] : values) {
        for (; n >= value; n -= value)
            roman += QLatin1String(letters);
    }
    return roman;
}
} // namespace

bool DocxNotes::read(ZipArchive &zip, Kind kind, const BlockReader &readBlocks, QString *error)
{
    const QString path = kind == Footnote ? QStringLiteral("word/footnotes.xml")
                                          : QStringLiteral("word/endnotes.xml");
    if (!zip.contains(path))
        return true;
    const std::optional<QByteArray> data = zip.read(path);
    if (!data) {
        *error = zip.error();
        return false;
    }
    BoundedXmlReader xml(*data);
    while (!xml.atEnd()) {
        if (xml.next() != QXmlStreamReader::StartElement ||
            (xml.name() != u"footnote" && xml.name() != u"endnote"))
            continue;
        // The separator lines between the body and the notes are notes of their own types.
        if (!xml.attribute(u"type").isEmpty() && xml.attribute(u"type") != u"normal") {
            xml.skip();
            continue;
        }
        const QString id = xml.attribute(u"id");
        Note note;
        readBlocks(xml, note.paragraphs);
        m_notes[kind].insert(id, note);
    }
    if (xml.hasError()) {
        *error = QStringLiteral("its notes are damaged (%1)").arg(xml.errorString());
        return false;
    }
    return true;
}

ImportedRun DocxNotes::ownMarker(const QTextCharFormat &format)
{
    ImportedRun run{NumberPlaceholder, format};
    NoteFormat::setMarker(run.format);
    return run;
}

ImportedRun DocxNotes::refer(Kind kind, const QString &id, const QTextCharFormat &format,
                             QList<ImportedParagraph> &after)
{
    const int number = ++m_count[kind];
    const QString label = kind == Footnote ? QString::number(number) : romanNumber(number);
    ImportedRun marker{label, format};
    NoteFormat::setMarker(marker.format);
    const auto it = m_notes[kind].find(id);
    if (it == m_notes[kind].end() || it->shown)
        return marker;
    it->shown = true;
    for (qsizetype i = 0; i < it->paragraphs.size(); ++i) {
        ImportedParagraph paragraph = it->paragraphs[i];
        paragraph.note = i == 0 ? NoteFormat::FirstNoteBlock : NoteFormat::NextNoteBlock;
        paragraph.headingLevel = 0;
        paragraph.listLevel = -1;
        for (ImportedRun &run : paragraph.runs) {
            if (run.text == NumberPlaceholder)
                run.text = label;
        }
        after.append(paragraph);
    }
    return marker;
}
