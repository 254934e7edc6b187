#include "PdfPageFurniture.h"

#include "PdfPageText.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace {
// Share of a page's height at its top and at its bottom where running heads and feet sit.
constexpr double EdgeZone = 0.12;
// Lines this share of a page's height apart or less stand at the same place.
constexpr double SamePlace = 0.01;

// A line as it comes back on other pages: letters in lower case, every number alike.
QString repeatedForm(const QString &text)
{
    static const QRegularExpression numbers(QStringLiteral("\\d+"));
    return text.toLower().replace(numbers, QStringLiteral("#")).simplified();
}
} // namespace

bool PdfPageFurniture::isPageNumber(const QString &text)
{
    static const QRegularExpression pageNumber(
        QStringLiteral("^(?:(?:page|p\\.|pg\\.?|seite|página|pagina)\\s*)?[-–—(\\[]?\\s*"
                       "(?:\\d{1,5}|[ivxlcdm]{1,7})\\s*[-–—)\\]]?"
                       "(?:\\s*(?:of|/|sur|von|de)\\s*\\d{1,5})?$"),
        QRegularExpression::CaseInsensitiveOption);
    return pageNumber.match(text.simplified()).hasMatch();
}

QList<QList<PdfTextLine>> PdfPageFurniture::take(QList<QList<PdfTextLine>> &pages,
                                                 const QList<double> &pageHeights)
{
    // The lines at the edges of every page, and where each form of them appears.
    struct Edge
    {
        qsizetype page;
        qsizetype line;
        QString form;
        double at;      // share of the page's height
        bool outermost; // on the page's first or last row
    };
    QList<Edge> edges;
    QHash<QPair<QString, int>, QList<qsizetype>> placesOf;
    for (qsizetype p = 0; p < pages.size(); ++p) {
        const double height = pageHeights.value(p);
        if (height <= 0)
            continue;
        double first = height;
        double last = 0;
        for (const PdfTextLine &line : pages[p]) {
            first = qMin(first, line.box.center().y());
            last = qMax(last, line.box.center().y());
        }
        for (qsizetype i = 0; i < pages[p].size(); ++i) {
            const QRectF &box = pages[p][i].box;
            const bool top = box.bottom() <= EdgeZone * height;
            const bool bottom = box.top() >= (1 - EdgeZone) * height;
            const bool outermost = (top && box.top() <= first && box.bottom() >= first) ||
                                   (bottom && box.top() <= last && box.bottom() >= last);
            if (top || bottom)
                edges.append({p, i, repeatedForm(PdfPageText::plainText(pages[p][i])),
                              box.top() / height, outermost});
        }
    }
    // Where each form stands, by steps of the same place, and on which pages.
    for (const Edge &edge : edges)
        placesOf[{edge.form, int(edge.at / SamePlace)}].append(edge.page);
    QList<QSet<qsizetype>> furniture(pages.size());
    for (const Edge &edge : edges) {
        // The same line at the same height of another page; a title that happens to read
        // like the running head stands lower.
        bool repeated = false;
        const int step = int(edge.at / SamePlace);
        for (int near = step - 1; near <= step + 1 && !repeated; ++near) {
            // The pages come in order: another one is first or last.
            const QList<qsizetype> there = placesOf.value({edge.form, near});
            repeated =
                !there.isEmpty() && (there.first() != edge.page || there.last() != edge.page);
        }
        // A number alone counts as the page's number above or below everything else; within
        // the text (a table's cell near the top) it is part of it.
        if (repeated ||
            (edge.outermost && isPageNumber(PdfPageText::plainText(pages[edge.page][edge.line]))))
            furniture[edge.page].insert(edge.line);
    }
    QList<QList<PdfTextLine>> taken(pages.size());
    for (qsizetype p = 0; p < pages.size(); ++p) {
        if (furniture[p].isEmpty())
            continue;
        QList<PdfTextLine> kept;
        for (qsizetype i = 0; i < pages[p].size(); ++i)
            (furniture[p].contains(i) ? taken[p] : kept).append(pages[p][i]);
        pages[p] = kept;
        std::stable_sort(taken[p].begin(), taken[p].end(), [](const auto &a, const auto &b) {
            return a.box.center().y() < b.box.center().y();
        });
    }
    return taken;
}
