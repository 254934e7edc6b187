#include "PdfParagraphs.h"

#include "../NoteFormat.h"
#include "PdfColumns.h"
#include "PdfPageText.h"

#include <QRegularExpression>
#include <algorithm>

namespace {
// Lines further apart than this share of a line's height start a new paragraph, as do lines
// this share further apart than the page's other lines, a first line set in by this share,
// and a line after one that ends a sentence this many heights short of a justified column.
constexpr double ParagraphGap = 0.6;
constexpr double ExtraSpace = 0.25;
constexpr double Indent = 0.8;
constexpr double ShortLine = 1.5;
// A page whose lines reach the end of their column this often is justified.
constexpr double JustifiedShare = 0.6;
// Pages with more lines are not measured (it would cost the square of them).
constexpr qsizetype MaxMeasuredLines = 2000;
// Lines whose height differs by more than this share (a heading after body text) do too.
constexpr double HeightChange = 0.1;
// Lines at least this share larger than the body, few and short, are headings.
constexpr double HeadingSize = 1.15;
constexpr int MaxHeadingLines = 3;
constexpr int MaxHeadingLength = 200;

// A bullet or a list number ("3.", "b)") at the start of a line opens a list item.
bool startsListItem(const QString &line)
{
    static const QRegularExpression number(QStringLiteral("^([0-9]{1,3}|[a-zA-Z])[.)]$"));
    const QString word = line.section(u' ', 0, 0);
    return PdfColumns::isBullet(word) || number.match(word).hasMatch();
}

// The text without the markers at its end.
QString withoutEndMarkers(QString text)
{
    while (text.endsWith(PdfTextLine::MarkerEnd)) {
        const qsizetype start = text.lastIndexOf(PdfTextLine::MarkerStart);
        if (start < 0)
            break;
        text.truncate(start);
    }
    return text;
}

// Whether the text ends a sentence, so that what follows a column or page break starts a
// paragraph of its own rather than going on with it.
bool endsSentence(const QString &text)
{
    static const QString ends = QStringLiteral(".!?…:。！？");
    static const QString closing = QStringLiteral("\"'”’»)]");
    const QString plain = withoutEndMarkers(text).trimmed();
    qsizetype i = plain.size() - 1;
    while (i > 0 && closing.contains(plain.at(i)))
        --i;
    return i < 0 || ends.contains(plain.at(i));
}

QList<ImportedRun> runsOf(const QString &text, const QTextCharFormat &format)
{
    QTextCharFormat marker = format;
    NoteFormat::setMarker(marker);
    QList<ImportedRun> runs;
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype start = text.indexOf(PdfTextLine::MarkerStart, at);
        const qsizetype end = start < 0 ? -1 : text.indexOf(PdfTextLine::MarkerEnd, start);
        if (start < 0 || end < 0) {
            runs.append({text.mid(at), format});
            break;
        }
        if (start > at)
            runs.append({text.mid(at, start - at), format});
        runs.append({text.mid(start + 1, end - start - 1), marker});
        at = end + 1;
    }
    return runs;
}

QStringList markersIn(const QString &line)
{
    QStringList markers;
    for (qsizetype at = line.indexOf(PdfTextLine::MarkerStart); at >= 0;
         at = line.indexOf(PdfTextLine::MarkerStart, at + 1)) {
        const qsizetype end = line.indexOf(PdfTextLine::MarkerEnd, at);
        if (end < 0)
            break;
        markers.append(line.mid(at + 1, end - at - 1));
    }
    return markers;
}
} // namespace

void PdfParagraphs::appendLine(QString &paragraph, const QString &line)
{
    const qsizetype n = paragraph.size();
    const bool broken = n >= 2 && paragraph.endsWith(u'-') && paragraph.at(n - 2).isLetter() &&
                        !line.isEmpty() && line.at(0).isLetter();
    // The next line goes on in lower case, or an upper-case word goes on in upper case.
    if (broken && (line.at(0).isLower() ||
                   (paragraph.at(n - 2).isUpper() && line.size() > 1 && line.at(1).isUpper()))) {
        paragraph.chop(1);
        paragraph += line;
        return;
    }
    if (!paragraph.isEmpty())
        paragraph += u' ';
    paragraph += line;
}

namespace {
double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

bool overlapsAcross(const QRectF &a, const QRectF &b)
{
    return a.left() < b.right() && b.left() < a.right();
}
} // namespace

PdfParagraphs::PageLayout PdfParagraphs::layoutOf(const QList<PdfTextLine> &lines)
{
    PageLayout layout;
    layout.columnRight.resize(lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        layout.columnRight[i] = lines[i].box.right();
    if (lines.size() > MaxMeasuredLines)
        return layout;
    QList<double> pitches;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const PdfTextLine &line = lines[i];
        for (const PdfTextLine &other : lines)
            if (overlapsAcross(line.box, other.box))
                layout.columnRight[i] = qMax(layout.columnRight[i], other.box.right());
        if (i == 0)
            continue;
        const PdfTextLine &previous = lines[i - 1];
        const double pitch = line.box.bottom() - previous.box.bottom();
        if (pitch > 0 && pitch < 3 * line.height() && overlapsAcross(line.box, previous.box) &&
            qAbs(line.height() - previous.height()) <= HeightChange * previous.height())
            pitches.append(pitch);
    }
    layout.pitch = median(pitches);
    qsizetype full = 0;
    qsizetype counted = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].words.size() < 4 || lines[i].tableRow)
            continue;
        ++counted;
        if (lines[i].box.right() >= layout.columnRight[i] - 1)
            ++full;
    }
    layout.justified = counted > 0 && full >= JustifiedShare * counted;
    return layout;
}

bool PdfParagraphs::startsParagraph(const Paragraph &paragraph, const PdfTextLine &previous,
                                    double previousColumnRight, const PdfTextLine &next,
                                    const PageLayout &layout) const
{
    const double height = previous.height();
    if (next.box.top() - previous.box.bottom() > ParagraphGap * height)
        return true; // a blank line
    if (layout.pitch > 0 &&
        next.box.bottom() - previous.box.bottom() > layout.pitch + ExtraSpace * height)
        return true; // space between paragraphs
    // A first line set in (a hanging bullet's item goes on set in).
    if (next.box.left() - previous.box.left() > Indent * height && !startsListItem(paragraph.text))
        return true;
    // The short last line of a justified paragraph.
    return layout.justified && endsSentence(previous.text) &&
           previous.box.right() < previousColumnRight - ShortLine * height;
}

bool PdfParagraphs::continues(const Paragraph &paragraph, const PdfTextLine &previous,
                              const PdfTextLine &next, bool columnBreak) const
{
    const double height = previous.height();
    if (height <= 0 || previous.tableRow || next.tableRow || previous.furniture || next.furniture)
        return false; // each row of a table is read as a line of its own, as is a page's head
    if (qAbs(next.height() - height) > HeightChange * height || startsListItem(next.text))
        return false;
    // A sentence of the body running on into the next column or page goes on with its
    // paragraph.
    if (columnBreak)
        return !endsSentence(paragraph.text) &&
               qAbs(next.height() - m_bodyHeight) <= HeightChange * m_bodyHeight;
    return true;
}

void PdfParagraphs::addPage(const QList<PdfTextLine> &lines, const QList<PdfFootnotes::Note> &notes)
{
    const PageLayout layout = layoutOf(lines);
    for (qsizetype l = 0; l < lines.size(); ++l) {
        const PdfTextLine &line = lines[l];
        // A jump back up the page starts the next column.
        const bool columnBreak = l == 0 || line.box.bottom() < m_last.box.top();
        if (!m_paragraphs.isEmpty() && continues(m_paragraphs.last(), m_last, line, columnBreak) &&
            (columnBreak || !startsParagraph(m_paragraphs.last(), m_last, layout.columnRight[l - 1],
                                             line, layout))) {
            Paragraph &paragraph = m_paragraphs.last();
            appendLine(paragraph.text, line.text);
            ++paragraph.lines;
        } else {
            Paragraph paragraph;
            paragraph.text = line.text;
            paragraph.height = line.height();
            paragraph.tableRow = line.tableRow;
            paragraph.lines = 1;
            paragraph.firstPage = m_page;
            m_paragraphs.append(paragraph);
        }
        for (const QString &marker : markersIn(line.text))
            m_paragraphs.last().markers.append({m_page, marker});
        m_last = line;
    }
    for (const PdfFootnotes::Note &note : notes) {
        Note text{m_page, note.label, QString()};
        for (PdfTextLine line : note.lines) {
            PdfPageText::setText(line, {});
            appendLine(text.text, line.text);
        }
        m_notes.append(text);
    }
    ++m_page;
}

QList<int> PdfParagraphs::headingLevels() const
{
    // Headings by size: the largest is the first level.
    QList<double> sizes;
    QList<int> levels(m_paragraphs.size(), 0);
    const auto isHeading = [&](const Paragraph &p) {
        return !p.tableRow && p.height >= HeadingSize * m_bodyHeight &&
               p.lines <= MaxHeadingLines && p.text.size() <= MaxHeadingLength;
    };
    for (const Paragraph &p : m_paragraphs)
        if (isHeading(p))
            sizes.append(std::round(p.height * 2) / 2);
    std::sort(sizes.begin(), sizes.end(), std::greater<double>());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    for (qsizetype i = 0; i < m_paragraphs.size(); ++i) {
        if (isHeading(m_paragraphs[i]))
            levels[i] = qMin(6, int(sizes.indexOf(std::round(m_paragraphs[i].height * 2) / 2)) + 1);
    }
    return levels;
}

QList<ImportedParagraph> PdfParagraphs::result(const QTextCharFormat &format) const
{
    // Each note after the paragraph holding its marker on its page, else after the last
    // paragraph its page began.
    QList<QList<const Note *>> notesAfter(m_paragraphs.size());
    for (const Note &note : m_notes) {
        qsizetype at = -1;
        for (qsizetype i = 0; i < m_paragraphs.size() && at < 0; ++i)
            if (m_paragraphs[i].markers.contains({note.page, note.label}))
                at = i;
        for (qsizetype i = m_paragraphs.size() - 1; i >= 0 && at < 0; --i)
            if (m_paragraphs[i].firstPage <= note.page)
                at = i;
        if (at >= 0)
            notesAfter[at].append(&note);
    }

    const QList<int> levels = headingLevels();
    QList<ImportedParagraph> paragraphs;
    for (qsizetype i = 0; i < m_paragraphs.size(); ++i) {
        ImportedParagraph paragraph;
        paragraph.runs = runsOf(m_paragraphs[i].text, format);
        paragraph.headingLevel = levels[i];
        paragraphs.append(paragraph);
        for (const Note *note : notesAfter[i]) {
            ImportedParagraph text;
            QTextCharFormat marker = format;
            NoteFormat::setMarker(marker);
            QTextCharFormat small = format;
            small.setFontPointSize(NoteFormat::NoteSize);
            text.runs = {{note->label, marker}, {QLatin1Char(' ') + note->text, small}};
            text.note = NoteFormat::FirstNoteBlock;
            paragraphs.append(text);
        }
    }
    return paragraphs;
}
