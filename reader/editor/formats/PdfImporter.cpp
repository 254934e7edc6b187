#include "PdfImporter.h"

#include "ImportLimits.h"
#include "PdfTableRows.h"

#include "../DocumentChapters.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <poppler-qt6.h>

namespace {
// Lines further apart than this share of a line's height start a new paragraph.
constexpr double ParagraphGap = 0.6;
// Lines whose height differs by more than this share (a heading after body text) do too.
constexpr double HeightChange = 0.1;

void silencePoppler()
{
    // poppler prints its complaints about broken files on stderr; the message box says
    // what matters to the user.
    static const bool silenced = [] {
        Poppler::setDebugErrorFunction([](const QString &, const QVariant &) {}, QVariant());
        return true;
    }();
    Q_UNUSED(silenced);
}

// A bullet or a list number ("3.", "b)") at the start of a line opens a list item.
bool startsListItem(const QString &word)
{
    static const QString bullets = QStringLiteral("•◦▪▫■□●○‣⁃–—*-");
    static const QRegularExpression number(QStringLiteral("^([0-9]{1,3}|[a-zA-Z])[.)]$"));
    return (word.size() == 1 && bullets.contains(word[0])) || number.match(word).hasMatch();
}

bool isRightToLeft(const QString &word)
{
    for (const QChar c : word) {
        const QChar::Direction d = c.direction();
        if (d == QChar::DirR || d == QChar::DirAL)
            return true;
        if (d == QChar::DirL)
            return false;
    }
    return false;
}

// poppler hands right-to-left words over as they are drawn: letters and words from left to
// right. Reading needs them in the order they are written, so runs of such words are turned
// round, letters and words both.
QStringList inReadingOrder(QStringList words)
{
    for (qsizetype i = 0; i < words.size();) {
        if (!isRightToLeft(words[i])) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < words.size() && isRightToLeft(words[end]))
            ++end;
        for (qsizetype k = i; k < end; ++k)
            std::reverse(words[k].begin(), words[k].end());
        std::reverse(words.begin() + i, words.begin() + end);
        i = end;
    }
    return words;
}

using Line = PdfTextLine;

QString wordsText(const QStringList &words, const QList<bool> &spaceAfter)
{
    QString text;
    const QStringList ordered = inReadingOrder(words);
    for (qsizetype i = 0; i < ordered.size(); ++i) {
        text += ordered[i];
        if (i + 1 < ordered.size() && (spaceAfter[i] || isRightToLeft(ordered[i])))
            text += u' ';
    }
    return text;
}

// A line's text. Words far apart on one line (a table's header, a running head with the
// page number at the far side) are the cells of a row, separated by a tab.
void setText(Line &line)
{
    const double wide = PdfTableRows::ColumnGap * line.box.height();
    QList<Line::Cell> cells;
    qsizetype from = 0;
    for (qsizetype i = 1; i <= line.words.size(); ++i) {
        if (i < line.words.size() &&
            line.wordBoxes[i].left() - line.wordBoxes[i - 1].right() <= wide)
            continue;
        cells.append({line.wordBoxes[from].left(), wordsText(line.words.mid(from, i - from),
                                                             line.spaceAfter.mid(from, i - from))});
        from = i;
    }
    QStringList texts;
    for (const Line::Cell &cell : cells)
        texts.append(cell.text);
    line.text = texts.join(u'\t');
    if (cells.size() > 1) {
        line.tableRow = true;
        line.cells = cells;
    }
}

// The lines of a page in poppler's reading order, a table's columns laid side by side.
// poppler links the words of one line through nextWord(); a word that is not the previous
// one's next starts a line.
QList<Line> linesOf(const Poppler::Page &page)
{
    QList<Line> lines;
    const std::vector<std::unique_ptr<Poppler::TextBox>> words = page.textList();
    const Poppler::TextBox *previous = nullptr;
    for (const auto &word : words) {
        if (!previous || previous->nextWord() != word.get()) {
            lines.append(Line());
            lines.last().box = word->boundingBox();
        }
        Line &line = lines.last();
        line.words.append(word->text());
        line.wordBoxes.append(word->boundingBox());
        line.spaceAfter.append(word->hasSpaceAfter());
        line.box = line.box.united(word->boundingBox());
        previous = word.get();
    }
    for (Line &line : lines)
        setText(line);
    return PdfTableRows::arrange(lines);
}

// Whether `next` continues the paragraph that `previous` ends.
bool continuesParagraph(const Line &previous, const Line &next)
{
    const double height = previous.box.height();
    if (height <= 0 || previous.tableRow || next.tableRow)
        return false; // each row of a table is read as a line of its own
    const double gap = next.box.top() - previous.box.bottom();
    if (gap > ParagraphGap * height || next.box.bottom() < previous.box.top())
        return false; // a blank line, or a jump up to the next column
    if (qAbs(next.box.height() - height) > HeightChange * height)
        return false;
    const qsizetype space = next.text.indexOf(u' ');
    return !startsListItem(space < 0 ? next.text : next.text.left(space));
}

// Joins a line to its paragraph: a word hyphenated at the line end is joined again when
// the next line goes on in lower case ("exam-" + "ple"), otherwise a space.
void appendLine(QString &paragraph, const QString &line)
{
    if (paragraph.size() >= 2 && paragraph.endsWith(u'-') &&
        paragraph[paragraph.size() - 2].isLetter() && !line.isEmpty() && line[0].isLower()) {
        paragraph.chop(1);
        paragraph += line;
    } else {
        if (!paragraph.isEmpty())
            paragraph += u' ';
        paragraph += line;
    }
}
// Where a paragraph starts: its page and the top of its first line, as a share of the
// page's height.
struct ParagraphPlace
{
    int page = 0;
    double top = 0;
};

// The bookmarks that stand for chapters: the top level, or the level under a single top
// bookmark (the book's title above its chapters).
QList<Poppler::OutlineItem> chapterBookmarks(const Poppler::Document &pdf)
{
    QList<Poppler::OutlineItem> items = pdf.outline();
    if (items.size() == 1 && items.first().hasChildren())
        items = items.first().children();
    return items;
}

// Marks the paragraph each bookmark leads to: the first on its page at or below the place
// it names.
void markBookmarks(const Poppler::Document &pdf, const QList<ParagraphPlace> &places,
                   QTextDocument *document)
{
    for (const Poppler::OutlineItem &item : chapterBookmarks(pdf)) {
        const QSharedPointer<const Poppler::LinkDestination> target = item.destination();
        if (!target || target->pageNumber() < 1)
            continue;
        const int page = target->pageNumber() - 1;
        const double top = target->isChangeTop() ? target->top() - 0.01 : 0;
        const auto place = std::find_if(places.begin(), places.end(), [&](const ParagraphPlace &p) {
            return p.page > page || (p.page == page && p.top >= top);
        });
        if (place != places.end())
            DocumentChapters::markStart(
                document, document->findBlockByNumber(int(place - places.begin())).position(),
                item.name().simplified());
    }
}
} // namespace

DocumentImporter::Result PdfImporter::import(const Request &request, QTextDocument *document) const
{
    silencePoppler();
    std::unique_ptr<Poppler::Document> pdf = Poppler::Document::loadFromData(request.data);
    if (!pdf)
        return Result::failure(QStringLiteral("it is not a readable PDF document"));
    if (pdf->isLocked()) {
        if (request.password.isEmpty() ||
            pdf->unlock(request.password.toUtf8(), request.password.toUtf8()))
            return {Status::NeedsPassword, QStringLiteral("it is protected by a password"), {}, {}};
    }
    const int pages = pdf->numPages();
    if (pages <= 0)
        return Result::failure(QStringLiteral("it has no pages"));
    if (pages > ImportLimits::MaxPdfPages)
        return Result::failure(QStringLiteral("it has %1 pages; more than %2 are not opened")
                                   .arg(pages)
                                   .arg(ImportLimits::MaxPdfPages));

    QStringList paragraphs;
    QList<ParagraphPlace> places;
    for (int i = 0; i < pages; ++i) {
        if (request.cancelled())
            return Result::cancelledResult();
        const std::unique_ptr<Poppler::Page> page = pdf->page(i);
        if (!page)
            continue;
        const QList<Line> lines = linesOf(*page);
        const double height = qMax(1.0, page->pageSizeF().height());
        QString paragraph;
        int firstLine = 0;
        const auto place = [&] { places.append({i, lines[firstLine].box.top() / height}); };
        for (int l = 0; l < lines.size(); ++l) {
            if (l > 0 && !continuesParagraph(lines[l - 1], lines[l])) {
                paragraphs.append(paragraph);
                place();
                paragraph.clear();
                firstLine = l;
            }
            appendLine(paragraph, lines[l].text);
        }
        // A page ends its paragraph: running heads and page numbers stay lines of their own.
        if (!paragraph.isEmpty()) {
            paragraphs.append(paragraph);
            place();
        }
        request.report(int((i + 1) * 90 / pages));
    }
    if (paragraphs.isEmpty())
        return Result::failure(QStringLiteral(
            "it holds no text, only pictures of its pages (perhaps it was scanned); there is "
            "nothing to read aloud"));

    QTextCursor cursor(document);
    cursor.insertText(paragraphs.join(u'\n'), request.plainFormat);
    markBookmarks(*pdf, places, document);
    Result result;
    result.metadata.title = pdf->info(QStringLiteral("Title")).simplified();
    result.metadata.author = pdf->info(QStringLiteral("Author")).simplified();
    request.report(100);
    return result;
}
