#include "PdfColumns.h"

#include "PdfTableRows.h"

#include <QMap>
#include <algorithm>
#include <cmath>

namespace {
// Words further apart than this share of the line's height are pieces that may belong to
// different columns; pieces of one column's row are joined again.
constexpr double PieceGap = 0.9;
// Lines wider than this share of the page's text run across the columns.
constexpr double WideLine = 0.6;
// A gutter is at least this share of a line's height wide, and a column at least this many
// line heights: narrower stretches are the cells of a table.
constexpr double MinGutter = 0.5;
constexpr double MinColumn = 8.0;
// Lines of a column; fewer make no column.
constexpr int MinColumnLines = 3;
// The lines of running text fill their column; half of them at least this share of it.
constexpr double FilledColumn = 0.6;
// Share of the page's narrow lines that may cross a gutter (a centred heading, a caption).
constexpr double CrossingShare = 0.05;
// Points of the page in one step of the search for gutters; the number of steps is bounded.
constexpr int MaxSteps = 4000;

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

void setBox(PdfTextLine &line)
{
    line.box = QRectF();
    for (const QRectF &box : line.wordBoxes)
        line.box = line.box.isNull() ? box : line.box.united(box);
}

PdfTextLine piece(const PdfTextLine &line, qsizetype from, qsizetype to)
{
    PdfTextLine part = line;
    part.words = line.words.mid(from, to - from);
    part.wordBoxes = line.wordBoxes.mid(from, to - from);
    part.spaceAfter = line.spaceAfter.mid(from, to - from);
    part.raised = line.raised.mid(from, to - from);
    setBox(part);
    return part;
}

// Joins pieces of one row, from left to right.
PdfTextLine joined(QList<PdfTextLine> pieces)
{
    std::stable_sort(pieces.begin(), pieces.end(), [](const PdfTextLine &a, const PdfTextLine &b) {
        return a.box.left() < b.box.left();
    });
    // The row's letters are as high as those of its longest piece (not a bullet's).
    const auto weight = [](const PdfTextLine &piece) {
        return 2 * piece.words.size() +
               (piece.words.size() == 1 && PdfColumns::isBullet(piece.words.first()) ? 0 : 1);
    };
    const auto longest = std::max_element(pieces.begin(), pieces.end(),
                                          [&](auto &a, auto &b) { return weight(a) < weight(b); });
    const double height = longest->textHeight;
    PdfTextLine row = pieces.takeFirst();
    for (const PdfTextLine &next : pieces) {
        if (!row.spaceAfter.isEmpty())
            row.spaceAfter.last() = true;
        row.words += next.words;
        row.wordBoxes += next.wordBoxes;
        row.spaceAfter += next.spaceAfter;
        row.raised += next.raised;
    }
    row.textHeight = height;
    setBox(row);
    return row;
}

// Lines from top to bottom, the pieces of each row joined.
QList<PdfTextLine> rows(QList<PdfTextLine> pieces)
{
    std::stable_sort(pieces.begin(), pieces.end(), [](const PdfTextLine &a, const PdfTextLine &b) {
        return a.box.center().y() < b.box.center().y();
    });
    QList<QList<PdfTextLine>> grouped;
    for (const PdfTextLine &p : pieces) {
        if (!grouped.isEmpty() && PdfTableRows::sameRow(grouped.last().first().box, p.box))
            grouped.last().append(p);
        else
            grouped.append({p});
    }
    QList<PdfTextLine> result;
    for (const QList<PdfTextLine> &group : grouped)
        result.append(joined(group));
    return result;
}

struct Stretch
{
    double start = 0;
    double end = 0;
};

// The gutters of the page: stretches of white between columns of running text.
QList<Stretch> gutters(const QList<QRectF> &pieces, double left, double right, double height)
{
    const double width = right - left;
    QList<const QRectF *> narrow;
    for (const QRectF &p : pieces)
        if (p.width() < WideLine * width)
            narrow.append(&p);
    if (narrow.size() < 2 * MinColumnLines || width <= 0)
        return {};
    const int steps = int(qMin<double>(MaxSteps, std::ceil(width))) + 1;
    const double scale = (steps - 1) / width;
    QList<int> change(steps + 1, 0);
    for (const QRectF *p : narrow) {
        const int from = qBound(0, int(std::floor((p->left() - left) * scale)), steps);
        const int to = qBound(0, int(std::ceil((p->right() - left) * scale)), steps);
        ++change[from];
        --change[to];
    }
    const int crossing = int(CrossingShare * narrow.size());
    QList<Stretch> found;
    int count = 0;
    int runStart = -1;
    for (int s = 0; s < steps; ++s) {
        count += change[s];
        const bool white = count <= crossing;
        if (white && runStart < 0)
            runStart = s;
        if ((!white || s == steps - 1) && runStart >= 0) {
            const int runEnd = white ? s + 1 : s;
            // White at the page's edges is margin, not a gutter.
            if (runStart > 0 && runEnd < steps && (runEnd - runStart) / scale >= MinGutter * height)
                found.append({left + runStart / scale, left + runEnd / scale});
            runStart = -1;
        }
    }

    // Every column must be wide enough for running text and hold lines of its own; a gutter
    // beside one that is not goes.
    while (!found.isEmpty()) {
        QList<Stretch> columns;
        double from = left;
        for (const Stretch &g : found) {
            columns.append({from, g.start});
            from = g.end;
        }
        columns.append({from, right});
        qsizetype bad = -1;
        for (qsizetype c = 0; c < columns.size() && bad < 0; ++c) {
            const double columnWidth = columns[c].end - columns[c].start;
            QList<double> widths;
            for (const QRectF *p : narrow)
                if (p->left() >= columns[c].start - 1 && p->right() <= columns[c].end + 1)
                    widths.append(p->width());
            // The cells of a table leave their column mostly empty; running text fills it.
            if (columnWidth < MinColumn * height || widths.size() < MinColumnLines ||
                median(widths) < FilledColumn * columnWidth)
                bad = c;
        }
        if (bad < 0)
            break;
        qsizetype drop = bad == 0 ? 0 : bad - 1;
        if (bad > 0 && bad < found.size() &&
            found[bad].end - found[bad].start < found[bad - 1].end - found[bad - 1].start)
            drop = bad;
        found.removeAt(qMin(drop, found.size() - 1));
    }
    return found;
}
} // namespace

bool PdfColumns::isBullet(const QString &word)
{
    static const QString bullets = QStringLiteral("•◦▪▫■□●○‣⁃–—*-");
    return word.size() == 1 && bullets.contains(word[0]);
}

void PdfColumns::joinBullets(QList<PdfTextLine> &lines)
{
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        PdfTextLine &bullet = lines[i];
        PdfTextLine &item = lines[i + 1];
        if (bullet.words.size() != 1 || !isBullet(bullet.words.first()) ||
            !PdfTableRows::sameRow(bullet.box, item.box) || item.box.left() < bullet.box.right())
            continue;
        item = joined({bullet, item});
        lines.removeAt(i);
    }
}

bool PdfColumns::arrange(QList<PdfTextLine> &lines)
{
    if (lines.size() < 2 * MinColumnLines)
        return false;
    // The pieces are measured first and made only for a page in columns: most pages have none.
    struct Span
    {
        qsizetype line, from, to;
    };
    QList<Span> spans;
    QList<QRectF> boxes;
    QList<double> heights;
    for (qsizetype l = 0; l < lines.size(); ++l) {
        const PdfTextLine &line = lines[l];
        qsizetype from = 0;
        QRectF box;
        for (qsizetype i = 0; i <= line.words.size(); ++i) {
            if (i > 0 && (i == line.words.size() ||
                          line.wordBoxes[i].left() - line.wordBoxes[i - 1].right() >
                              PieceGap * line.height())) {
                spans.append({l, from, i});
                boxes.append(box);
                from = i;
                box = QRectF();
            }
            if (i < line.words.size())
                box = box.isNull() ? line.wordBoxes[i] : box.united(line.wordBoxes[i]);
        }
        heights.append(line.height());
    }
    if (boxes.isEmpty())
        return false;
    double left = boxes.first().left();
    double right = boxes.first().right();
    for (const QRectF &box : boxes) {
        left = qMin(left, box.left());
        right = qMax(right, box.right());
    }
    const QList<Stretch> found = gutters(boxes, left, right, median(heights));
    if (found.isEmpty())
        return false;
    QList<PdfTextLine> pieces;
    for (const Span &span : spans)
        pieces.append(piece(lines[span.line], span.from, span.to));

    // Pieces crossing a gutter run across the columns and part the page into bands; the
    // columns of each band are read one after the other.
    QList<PdfTextLine> across;
    QList<QPair<int, PdfTextLine>> inColumns; // column, piece
    for (const PdfTextLine &p : pieces) {
        const bool crosses = std::any_of(found.begin(), found.end(), [&](const Stretch &g) {
            return p.box.left() < g.end - 1 && p.box.right() > g.start + 1;
        });
        if (crosses) {
            across.append(p);
            continue;
        }
        const double x = p.box.center().x();
        const int column = int(
            std::count_if(found.begin(), found.end(), [&](const Stretch &g) { return x > g.end; }));
        inColumns.append({column, p});
    }
    // Each piece goes to the band below the last row across the columns above it.
    const QList<PdfTextLine> acrossRows = rows(across);
    QList<double> bandTops;
    for (const PdfTextLine &row : acrossRows)
        bandTops.append(row.box.center().y());
    QMap<QPair<qsizetype, int>, QList<PdfTextLine>> groups; // band, column
    for (const auto &[column, p] : inColumns) {
        const qsizetype band =
            std::lower_bound(bandTops.begin(), bandTops.end(), p.box.center().y()) -
            bandTops.begin();
        groups[{band, column}].append(p);
    }
    QList<PdfTextLine> ordered;
    for (qsizetype band = 0; band <= acrossRows.size(); ++band) {
        for (int column = 0; column <= found.size(); ++column)
            ordered += rows(groups.value({band, column}));
        if (band < acrossRows.size())
            ordered.append(acrossRows[band]);
    }
    lines = ordered;
    return true;
}
