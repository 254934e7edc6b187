#include "PdfPageText.h"

#include "PdfTableRows.h"

#include <QVarLengthArray>
#include <algorithm>
#include <iterator>
#include <poppler-qt6.h>

namespace {
// A raised word is at most this share of the line's height and sits this share above its
// baseline.
constexpr double RaisedSize = 0.85;
constexpr double RaisedLift = 0.12;

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
QList<qsizetype> readingOrder(const QStringList &words)
{
    QList<qsizetype> order(words.size());
    for (qsizetype i = 0; i < words.size(); ++i)
        order[i] = i;
    for (qsizetype i = 0; i < words.size();) {
        if (!isRightToLeft(words[i])) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < words.size() && isRightToLeft(words[end]))
            ++end;
        std::reverse(order.begin() + i, order.begin() + end);
        i = end;
    }
    return order;
}

using Values = QVarLengthArray<double, 32>;

double median(Values values)
{
    if (values.isEmpty())
        return 0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// A word, digits drawn small and raised at its end split off ("stores.1").
void addWord(PdfPageText::Words &page, const Poppler::TextBox &box, bool startsLine)
{
    const QString text = box.text();
    const auto add = [&](qsizetype from, qsizetype length, const QRectF &bounds, bool space,
                         bool raised, bool first) {
        page.words.push_back({page.text.size(), length, bounds, space, raised, first});
        page.text += QStringView(text).sliced(from, length);
    };
    qsizetype cut = text.size();
    while (cut > 1 && PdfPageText::isMarkerText(text.mid(cut - 1)) && text.size() - cut < 3)
        --cut;
    if (cut < text.size() && cut > 0) {
        const QRectF first = box.charBoundingBox(0);
        const QRectF mark = box.charBoundingBox(int(cut));
        if (mark.height() < RaisedSize * first.height() &&
            mark.bottom() < first.bottom() - RaisedLift * first.height()) {
            QRectF base = first;
            for (int i = 1; i < cut; ++i)
                base = base.united(box.charBoundingBox(i));
            QRectF raised = mark;
            for (int i = int(cut) + 1; i < text.size(); ++i)
                raised = raised.united(box.charBoundingBox(i));
            add(0, cut, base, false, false, startsLine);
            add(cut, text.size() - cut, raised, box.hasSpaceAfter(), true, false);
            return;
        }
    }
    add(0, text.size(), box.boundingBox(), box.hasSpaceAfter(), false, startsLine);
}

// Marks the words of a line that are drawn small and raised, and measures its letters.
void measure(PdfTextLine &line)
{
    Values heights;
    for (const QRectF &box : line.wordBoxes)
        heights.append(box.height());
    const double height = median(heights);
    Values bottoms;
    for (const QRectF &box : line.wordBoxes)
        if (box.height() >= RaisedSize * height)
            bottoms.append(box.bottom());
    const double baseline = median(bottoms);
    for (qsizetype i = 0; i < line.words.size(); ++i) {
        const QRectF &box = line.wordBoxes[i];
        if (!line.raised[i])
            line.raised[i] = PdfPageText::isMarkerText(line.words[i]) &&
                             box.height() < RaisedSize * height &&
                             box.bottom() < baseline - RaisedLift * height;
    }
    Values letters;
    for (qsizetype i = 0; i < line.words.size(); ++i)
        if (!line.raised[i])
            letters.append(line.wordBoxes[i].height());
    line.textHeight = letters.isEmpty() ? height : median(letters);
}
} // namespace

bool PdfPageText::isMarkerText(const QString &word)
{
    static const QString signs = QStringLiteral("*†‡§¶");
    if (word.isEmpty() || word.size() > 3)
        return false;
    const bool digits = std::all_of(word.begin(), word.end(),
                                    [](QChar c) { return c.isDigit() && c.unicode() < 0x80; });
    const bool marks =
        std::all_of(word.begin(), word.end(), [](QChar c) { return signs.contains(c); });
    return digits || marks;
}

PdfPageText::Words PdfPageText::words(const Poppler::Page &page)
{
    Words words;
    const std::vector<std::unique_ptr<Poppler::TextBox>> boxes = page.textList();
    words.words.reserve(boxes.size());
    const Poppler::TextBox *previous = nullptr;
    // poppler links the words of one line through nextWord(); a word that is not the
    // previous one's next starts a line.
    for (const auto &box : boxes) {
        addWord(words, *box, !previous || previous->nextWord() != box.get());
        previous = box.get();
    }
    words.text.squeeze();
    return words;
}

QList<PdfTextLine> PdfPageText::lines(const Words &words)
{
    QList<PdfTextLine> lines;
    for (const Words::Word &word : words.words) {
        if (word.startsLine || lines.isEmpty())
            lines.append(PdfTextLine());
        PdfTextLine &line = lines.last();
        line.words.append(words.text.mid(word.start, word.length));
        line.wordBoxes.append(word.box);
        line.spaceAfter.append(word.spaceAfter);
        line.raised.append(word.raised);
        line.box = line.box.isNull() ? word.box : line.box.united(word.box);
    }
    for (PdfTextLine &line : lines)
        measure(line);
    return lines;
}

QString PdfPageText::plainText(const PdfTextLine &line)
{
    return line.words.join(u' ');
}

void PdfPageText::setText(PdfTextLine &line, const QSet<QString> &markers)
{
    const double wide = PdfTableRows::ColumnGap * line.height();
    const QList<qsizetype> order = readingOrder(line.words);
    QList<PdfTextLine::Cell> cells;
    qsizetype from = 0;
    for (qsizetype i = 1; i <= line.words.size(); ++i) {
        if (i < line.words.size() &&
            line.wordBoxes[i].left() - line.wordBoxes[i - 1].right() <= wide)
            continue;
        QString text;
        for (qsizetype k = from; k < i; ++k) {
            const qsizetype w = order[k];
            const QString &word = line.words[w];
            if (line.raised[w] && markers.contains(word))
                text += PdfTextLine::MarkerStart + word + PdfTextLine::MarkerEnd;
            else if (isRightToLeft(word))
                std::reverse_copy(word.begin(), word.end(), std::back_inserter(text));
            else
                text += word;
            if (k + 1 < i && (line.spaceAfter[w] || isRightToLeft(word)))
                text += u' ';
        }
        cells.append({line.wordBoxes[from].left(), text});
        from = i;
    }
    QStringList texts;
    for (const PdfTextLine::Cell &cell : cells)
        texts.append(cell.text);
    line.text = texts.join(u'\t');
    line.tableRow = cells.size() > 1;
    line.cells = line.tableRow ? cells : QList<PdfTextLine::Cell>();
}
