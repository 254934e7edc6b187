#include "PdfImporter.h"

#include "ImportLimits.h"
#include "PdfColumns.h"
#include "PdfFootnotes.h"
#include "PdfPageFurniture.h"
#include "PdfPageText.h"
#include "PdfParagraphs.h"
#include "PdfTableRows.h"
#include "StructuredTextWriter.h"

#include "../DocumentChapters.h"

#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <algorithm>
#include <poppler-qt6.h>
#include <vector>

namespace {
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

// Whether the document can be read: not locked, or unlocked by the password given.
bool unlocked(Poppler::Document &pdf, const QString &password)
{
    // poppler's unlock() answers true when it fails.
    return !pdf.isLocked() ||
           (!password.isEmpty() && !pdf.unlock(password.toUtf8(), password.toUtf8()));
}

// The document opened as the importer opened it, unlocked with the same password; null when
// it cannot be.
std::unique_ptr<Poppler::Document> open(const DocumentImporter::Request &request)
{
    std::unique_ptr<Poppler::Document> pdf = Poppler::Document::loadFromData(request.data);
    if (pdf && !unlocked(*pdf, request.password))
        pdf.reset();
    return pdf;
}

// Below this many pages a second thread is not worth opening the document again.
constexpr int PagesToShare = 8;

// The words and the height of every page; false when cancelled. poppler's text extraction is
// most of the time a PDF takes to open, so on a machine with more than one core a helper
// thread reads every other page from a copy of the document of its own (a poppler document
// is not used from two threads at once).
bool readPages(Poppler::Document &pdf, const DocumentImporter::Request &request,
               std::vector<PdfPageText::Words> &words, std::vector<double> &heights)
{
    const int count = int(words.size());
    const auto read = [&](Poppler::Document &from, int first, int step, bool reports) {
        for (int i = first; i < count && !request.cancelled(); i += step) {
            const std::unique_ptr<Poppler::Page> page = from.page(i);
            if (page) {
                words[size_t(i)] = PdfPageText::words(*page);
                heights[size_t(i)] = page->pageSizeF().height();
            }
            if (reports)
                request.report(int((i + 1) * 80 / count));
        }
    };
    std::unique_ptr<Poppler::Document> copy;
    if (count >= PagesToShare && QThread::idealThreadCount() > 1)
        copy = open(request);
    if (!copy) {
        read(pdf, 0, 1, true);
        return !request.cancelled();
    }
    const std::unique_ptr<QThread> helper(QThread::create([&] { read(*copy, 1, 2, false); }));
    helper->start();
    read(pdf, 0, 2, true);
    helper->wait();
    return !request.cancelled();
}

// The height of the body's letters: the height most of the document's words are set in.
double bodyHeight(const QList<QList<PdfTextLine>> &pages)
{
    QList<QPair<double, qsizetype>> heights; // rounded height, words
    qsizetype words = 0;
    for (const QList<PdfTextLine> &lines : pages) {
        for (const PdfTextLine &line : lines) {
            heights.append({std::round(line.height() * 4) / 4, line.words.size()});
            words += line.words.size();
        }
    }
    std::sort(heights.begin(), heights.end());
    qsizetype seen = 0;
    for (const auto &[height, count] : heights) {
        seen += count;
        if (2 * seen >= words)
            return height;
    }
    return 0;
}

// The page's lines in the order they are read, their text set, markers of the given notes
// told apart.
QList<PdfTextLine> readingOrder(QList<PdfTextLine> lines, const QList<PdfFootnotes::Note> &notes)
{
    QSet<QString> markers;
    for (const PdfFootnotes::Note &note : notes)
        markers.insert(note.label);
    const bool columns = PdfColumns::arrange(lines);
    PdfColumns::joinBullets(lines);
    for (PdfTextLine &line : lines)
        PdfPageText::setText(line, markers);
    // Without columns, poppler's order stands, a table's columns put back side by side.
    return columns ? lines : PdfTableRows::arrange(lines);
}

// A bookmark that stands for a chapter: its name and the place on the page it leads to, as
// a share of the page's height.
struct Bookmark
{
    QString name;
    int page = 0;
    double top = 0;
};

// The bookmarks that stand for chapters: the top level, or the level under a single top
// bookmark (the book's title above its chapters).
QList<Bookmark> chapterBookmarks(const Poppler::Document &pdf)
{
    QList<Poppler::OutlineItem> items = pdf.outline();
    if (items.size() == 1 && items.first().hasChildren())
        items = items.first().children();
    QList<Bookmark> bookmarks;
    for (const Poppler::OutlineItem &item : items) {
        const QSharedPointer<const Poppler::LinkDestination> target = item.destination();
        if (target && target->pageNumber() >= 1)
            bookmarks.append({item.name().simplified(), target->pageNumber() - 1,
                              target->isChangeTop() ? target->top() - 0.01 : 0});
    }
    return bookmarks;
}

// The first words of the first line at or below `top` (a share of the page's height), to find
// that line again in the text it became; empty when there is none.
QString lineStartBelow(const QList<PdfTextLine> &lines, double top, double pageHeight)
{
    const double height = qMax(1.0, pageHeight);
    for (const PdfTextLine &line : lines) {
        const QString start = line.text.simplified().section(u' ', 0, 3);
        if (line.box.top() / height >= top && !start.isEmpty())
            return start;
    }
    return QString();
}

// Marks where each bookmark leads, given the start of the line it leads to (`starts`, one
// per bookmark), looked for after the previous chapter's start.
void markBookmarks(const QList<Bookmark> &bookmarks, const QStringList &starts,
                   QTextDocument *document)
{
    int from = 0;
    for (qsizetype i = 0; i < bookmarks.size(); ++i) {
        if (starts[i].isEmpty())
            continue;
        const QTextCursor found = document->find(starts[i], from);
        if (found.isNull())
            continue;
        // A chapter starts a paragraph, even where the page before ran on into it.
        QTextCursor at(document);
        at.setPosition(found.selectionStart());
        if (at.position() != at.block().position())
            at.insertBlock();
        from = at.block().position();
        DocumentChapters::markStart(document, from, bookmarks[i].name);
    }
}
} // namespace

DocumentImporter::Result PdfImporter::import(const Request &request, QTextDocument *document) const
{
    silencePoppler();
    std::unique_ptr<Poppler::Document> pdf = Poppler::Document::loadFromData(request.data);
    if (!pdf)
        return Result::failure(QStringLiteral("it is not a readable PDF document"));
    if (!unlocked(*pdf, request.password))
        return {Status::NeedsPassword, QStringLiteral("it is protected by a password"), {}, {}};
    const int pageCount = pdf->numPages();
    if (pageCount <= 0)
        return Result::failure(QStringLiteral("it has no pages"));
    if (pageCount > ImportLimits::MaxPdfPages)
        return Result::failure(QStringLiteral("it has %1 pages; more than %2 are not opened")
                                   .arg(pageCount)
                                   .arg(ImportLimits::MaxPdfPages));

    // Every page first: what repeats from page to page is only known from all of them.
    std::vector<PdfPageText::Words> words(static_cast<size_t>(pageCount));
    std::vector<double> heights(static_cast<size_t>(pageCount), 0.0);
    if (!readPages(*pdf, request, words, heights))
        return Result::cancelledResult();
    const QList<double> pageHeights(heights.begin(), heights.end());
    Result result;
    result.metadata.title = pdf->info(QStringLiteral("Title")).simplified();
    result.metadata.author = pdf->info(QStringLiteral("Author")).simplified();
    const QList<Bookmark> bookmarks = chapterBookmarks(*pdf);
    pdf.reset();
    QList<QList<PdfTextLine>> pages;
    for (PdfPageText::Words &page : words) {
        pages.append(PdfPageText::lines(page));
        page = PdfPageText::Words();
    }
    // Kept on request, a page's heads are read before its text and its feet after it.
    const QList<QList<PdfTextLine>> furniture = PdfPageFurniture::take(pages, pageHeights);

    const double body = bodyHeight(pages);
    PdfParagraphs paragraphs(body);
    QStringList bookmarkStarts(bookmarks.size()); // the line each bookmark leads to
    for (qsizetype p = 0; p < pages.size(); ++p) {
        if (request.cancelled())
            return Result::cancelledResult();
        const QList<PdfFootnotes::Note> notes = PdfFootnotes::take(pages[p], body);
        QList<PdfTextLine> lines = readingOrder(pages[p], notes);
        if (request.keepPageFurniture) {
            QList<PdfTextLine> heads;
            for (PdfTextLine line : furniture[p]) {
                PdfPageText::setText(line, {});
                line.furniture = true;
                (line.box.center().y() < pageHeights[p] / 2 ? heads : lines).append(line);
            }
            lines = heads + lines;
        }
        for (qsizetype b = 0; b < bookmarks.size(); ++b)
            if (bookmarks[b].page == p)
                bookmarkStarts[b] = lineStartBelow(lines, bookmarks[b].top, pageHeights[p]);
        paragraphs.addPage(lines, notes);
    }
    if (paragraphs.isEmpty())
        return Result::failure(QStringLiteral(
            "it holds no text, only pictures of its pages (perhaps it was scanned); there is "
            "nothing to read aloud"));
    request.report(90);
    if (!StructuredTextWriter(QTextCursor(document), request.cancel)
             .write(paragraphs.result(request.plainFormat)))
        return Result::cancelledResult();
    markBookmarks(bookmarks, bookmarkStarts, document);
    request.report(100);
    return result;
}
