#include "PdfFootnotes.h"

#include "PdfPageText.h"

#include <QSet>
#include <algorithm>

namespace {
// Notes are set at most this share of the body's size.
constexpr double NoteSize = 0.9;
// Pages with more lines are no pages of a text with notes (and would cost the square of them).
constexpr qsizetype MaxLines = 2000;
// The lines of one note are at most this share of a line's height apart.
constexpr double NoteGap = 0.8;

bool overlapsAcross(const QRectF &a, const QRectF &b)
{
    return a.left() < b.right() && b.left() < a.right();
}

PdfTextLine withoutFirstWord(PdfTextLine line)
{
    line.words.removeFirst();
    line.wordBoxes.removeFirst();
    line.spaceAfter.removeFirst();
    line.raised.removeFirst();
    line.box = QRectF();
    for (const QRectF &box : line.wordBoxes)
        line.box = line.box.isNull() ? box : line.box.united(box);
    return line;
}
} // namespace

QList<PdfFootnotes::Note> PdfFootnotes::take(QList<PdfTextLine> &lines, double bodyHeight)
{
    if (bodyHeight <= 0 || lines.size() > MaxLines)
        return {};
    const auto small = [&](const PdfTextLine &line) {
        return line.height() < NoteSize * bodyHeight;
    };
    // Small lines with no body text below them.
    QList<qsizetype> candidates;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!small(lines[i]))
            continue;
        const bool bodyBelow = std::any_of(lines.begin(), lines.end(), [&](const PdfTextLine &o) {
            return !small(o) && o.box.top() > lines[i].box.center().y() &&
                   overlapsAcross(o.box, lines[i].box);
        });
        if (!bodyBelow)
            candidates.append(i);
    }
    if (candidates.isEmpty())
        return {};
    // The markers raised in the text above.
    QSet<QString> markers;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (candidates.contains(i))
            continue;
        for (qsizetype w = 0; w < lines[i].words.size(); ++w)
            if (lines[i].raised[w])
                markers.insert(lines[i].words[w]);
    }
    std::stable_sort(candidates.begin(), candidates.end(), [&](qsizetype a, qsizetype b) {
        return lines[a].box.top() < lines[b].box.top();
    });

    QList<Note> notes;
    QSet<qsizetype> taken;
    for (const qsizetype i : candidates) {
        const PdfTextLine &line = lines[i];
        const QString first = line.words.value(0);
        const bool starts = line.words.size() > 1 && PdfPageText::isMarkerText(first) &&
                            (line.raised[0] || markers.contains(first));
        // A line that starts no note goes on with the note right above it in its column.
        const auto above = std::find_if(notes.rbegin(), notes.rend(), [&](const Note &note) {
            const QRectF &last = note.lines.last().box;
            return overlapsAcross(last, line.box) &&
                   line.box.top() - last.bottom() <= NoteGap * last.height();
        });
        if (starts)
            notes.append({first, {withoutFirstWord(line)}});
        else if (above != notes.rend())
            above->lines.append(line);
        else
            continue; // small print that is no note: it stays in the text
        taken.insert(i);
    }
    QList<PdfTextLine> kept;
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (!taken.contains(i))
            kept.append(lines[i]);
    lines = kept;
    return notes;
}
