#include "PdfTableRows.h"

#include <algorithm>

namespace {
// Lines more than this share of a line's height below the table's last row are no longer
// part of it.
constexpr double RowGap = 0.6;

// The next line starts higher up the page than the previous one: a new column begins.
bool jumpsUp(const PdfTextLine &previous, const PdfTextLine &next)
{
    return next.box.bottom() < previous.box.top();
}

PdfTextLine asRow(const PdfTextLine &line)
{
    if (line.tableRow)
        return line;
    PdfTextLine row = line;
    row.tableRow = true;
    row.cells = {{line.box.left(), line.text}};
    return row;
}

void addCell(PdfTextLine &row, const PdfTextLine &line)
{
    row.cells.append({line.box.left(), line.text});
    std::stable_sort(row.cells.begin(), row.cells.end(),
                     [](const auto &a, const auto &b) { return a.left < b.left; });
    row.box = row.box.united(line.box);
    QStringList texts;
    for (const PdfTextLine::Cell &cell : row.cells)
        texts.append(cell.text);
    row.text = texts.join(u'\t');
}
} // namespace

bool PdfTableRows::sameRow(const QRectF &a, const QRectF &b)
{
    const double overlap = std::min(a.bottom(), b.bottom()) - std::max(a.top(), b.top());
    return overlap > 0.5 * std::min(a.height(), b.height());
}

QList<PdfTextLine> PdfTableRows::arrange(const QList<PdfTextLine> &lines)
{
    QList<PdfTextLine> arranged;
    arranged.reserve(lines.size());
    for (qsizetype i = 0; i < lines.size();) {
        // A column starts where the text goes back up the page or on along the same row.
        if (!arranged.isEmpty() &&
            (jumpsUp(arranged.last(), lines[i]) || sameRow(arranged.last().box, lines[i].box))) {
            const qsizetype taken = joinColumn(arranged, lines, i);
            if (taken > 0) {
                i += taken;
                continue;
            }
        }
        arranged.append(lines[i]);
        ++i;
    }
    return arranged;
}

// Lays the column starting at lines[start] beside the lines at the end of `arranged` it
// sits next to, when it is a table's column; returns how many lines it took (none when the
// lines are not a table's).
qsizetype PdfTableRows::joinColumn(QList<PdfTextLine> &arranged, const QList<PdfTextLine> &lines,
                                   qsizetype start)
{
    const QRectF first = lines[start].box;
    const double height = first.height();
    if (height <= 0)
        return 0;
    // The column to the left: the lines read last, back to the one beside the first line.
    qsizetype beside = arranged.size() - 1;
    const qsizetype furthest = std::max<qsizetype>(0, arranged.size() - MaxColumnLines);
    while (beside >= furthest && arranged[beside].box.top() > first.top() + 0.5 * height)
        --beside;
    if (beside < furthest || !sameRow(arranged[beside].box, first))
        return 0;

    // The new column: lines going down, each one either beside a line of the left column,
    // a gap of a table's width away, or (a cell wrapped onto more lines) right below the
    // line before it, in the same column.
    const auto hasPartner = [&](const QRectF &box) {
        for (qsizetype k = beside; k < arranged.size(); ++k) {
            if (sameRow(arranged[k].box, box) &&
                arranged[k].box.right() + ColumnGap * height <= box.left())
                return true;
        }
        return false;
    };
    qsizetype end = start;
    double bottom = 0;
    double left = first.left();
    while (end < lines.size() && end - start < MaxColumnLines) {
        const QRectF box = lines[end].box;
        if (end > start && jumpsUp(lines[end - 1], lines[end]))
            break;
        const bool below = end > start && box.left() >= first.left() - height &&
                           box.top() <= lines[end - 1].box.bottom() + RowGap * height;
        if (!hasPartner(box) && !below)
            break;
        bottom = std::max(bottom, box.bottom());
        left = std::min(left, box.left());
        ++end;
    }
    if (end == start)
        return 0;

    // The rows of the table: the left column's lines down to the new column's last; all of
    // them must end a table's gap before it. What lies further down stays after the table.
    qsizetype last = beside;
    while (last < arranged.size() && arranged[last].box.top() <= bottom + RowGap * height) {
        if (arranged[last].box.right() + ColumnGap * height > left)
            return 0;
        ++last;
    }

    QList<PdfTextLine> rows;
    for (qsizetype k = beside; k < last; ++k)
        rows.append(asRow(arranged[k]));
    for (qsizetype k = start; k < end; ++k) {
        const PdfTextLine &line = lines[k];
        const auto row = std::find_if(rows.begin(), rows.end(), [&](const PdfTextLine &r) {
            return sameRow(r.box, line.box);
        });
        if (row != rows.end()) {
            addCell(*row, line);
            continue;
        }
        // A cell on a row of its own (the second line of a wrapped cell) goes where it is
        // on the page.
        const auto below = std::find_if(rows.begin(), rows.end(), [&](const PdfTextLine &r) {
            return r.box.top() > line.box.top();
        });
        rows.insert(below, asRow(line));
    }
    const QList<PdfTextLine> after = arranged.mid(last);
    arranged.resize(beside);
    arranged.append(rows);
    arranged.append(after);
    return end - start;
}
