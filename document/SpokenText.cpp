#include "SpokenText.h"

#include "NoteFormat.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <algorithm>

namespace {
// Said before the description of a picture and before a note.
const QString PictureWord = QStringLiteral("Picture: ");
const QString NoteWord = QStringLiteral("Note: ");
// The characters QTextDocument keeps where a frame (a table) starts and ends.
constexpr QChar FrameStart(0xFDD0);
constexpr QChar FrameEnd(0xFDD1);
// Bullets a converted document may carry as text at the start of an item.
const QString BulletCharacters = QStringLiteral("•◦▪▫■□●○‣⁃");

bool endsSentence(QChar c)
{
    static const QString ends = QStringLiteral(".!?:;…。！？");
    return ends.contains(c);
}

// Characters an engine would spell out or stumble on, that stand for plain letters: the
// ligatures "ﬁ" and "ﬃ" and their kin, full-width and half-width forms, the styled letters
// of mathematics, the positional forms of Arabic letters. Other compatibility characters
// (fractions, superscripts, ellipses) keep what they say.
bool readsAsPlainLetters(char32_t c)
{
    switch (QChar::decompositionTag(c)) {
    case QChar::Wide:
    case QChar::Narrow:
    case QChar::Font:
    case QChar::Initial:
    case QChar::Medial:
    case QChar::Final:
    case QChar::Isolated:
        return true;
    case QChar::Compat:
        return QChar::isLetter(c);
    default:
        return false;
    }
}

bool inTableCell(const QTextBlock &block)
{
    return qobject_cast<QTextTable *>(block.document()->frameAt(block.position())) != nullptr;
}

// The number or letter of a list item, as the list shows it; bullets say nothing.
QString listLabel(const QTextBlock &block)
{
    QTextList *list = block.textList();
    if (!list)
        return QString();
    const int style = list->format().style();
    // QTextList::itemText knows numbers, letters and roman numerals only.
    if (style > QTextListFormat::ListDecimal || style < QTextListFormat::ListUpperRoman)
        return QString();
    return list->itemText(block);
}
} // namespace

class SpokenText::Builder
{
public:
    explicit Builder(SpokenText &out) : m_out(out) {}

    // Spoken characters that stand one for one for the document's from `position` on.
    void same(QStringView spoken, int position)
    {
        if (spoken.isEmpty())
            return;
        QList<Piece> &pieces = m_out.m_pieces;
        const int at = int(m_out.m_text.size());
        if (!pieces.isEmpty()) {
            Piece &last = pieces.last();
            if (last.spokenLength == last.documentLength && last.spoken + last.spokenLength == at &&
                last.document + last.documentLength == position) {
                last.spokenLength += int(spoken.size());
                last.documentLength += int(spoken.size());
                m_out.m_text += spoken;
                return;
            }
        }
        pieces.append({at, int(spoken.size()), position, int(spoken.size())});
        m_out.m_text += spoken;
    }

    // Spoken text that stands for `length` characters of the document as a whole (none for
    // words added for the listener, none spoken for text left out).
    void standIn(QStringView spoken, int position, int length)
    {
        m_out.m_pieces.append({int(m_out.m_text.size()), int(spoken.size()), position, length});
        m_out.m_text += spoken;
    }

    // Separates what comes next from a word before it.
    void space(int position)
    {
        if (!m_out.m_text.isEmpty() && !m_out.m_text.back().isSpace())
            standIn(u" ", position, 0);
    }

    // Adds a full stop after the last word, before the spaces that follow it, so that it
    // reads as the end of a sentence and not as a word of its own.
    void fullStop()
    {
        QString &text = m_out.m_text;
        QList<Piece> &pieces = m_out.m_pieces;
        // The spaces at the end, and the document positions they stand for (-1: none).
        QList<QPair<QChar, int>> spaces;
        while (!text.isEmpty() && text.back().isSpace() && !pieces.isEmpty()) {
            Piece &last = pieces.last();
            if (last.spokenLength == 0) {
                pieces.removeLast();
                continue;
            }
            const bool same = last.spokenLength == last.documentLength;
            spaces.prepend({text.back(), same ? last.document + last.documentLength - 1 : -1});
            text.chop(1);
            --last.spokenLength;
            if (same)
                --last.documentLength;
            if (last.spokenLength == 0 && (same || last.documentLength == 0))
                pieces.removeLast();
        }
        const int end =
            pieces.isEmpty() ? 0 : pieces.last().document + pieces.last().documentLength;
        standIn(u".", end, 0);
        for (const auto &[space, position] : spaces) {
            if (position < 0)
                standIn(QString(space), end, 0);
            else
                same(QString(space), position);
        }
    }

    // The last character spoken that is not a space, or a null character.
    QChar lastSpoken() const
    {
        for (qsizetype i = m_out.m_text.size() - 1; i >= 0; --i)
            if (!m_out.m_text.at(i).isSpace())
                return m_out.m_text.at(i);
        return QChar();
    }

    qsizetype size() const { return m_out.m_text.size(); }

private:
    SpokenText &m_out;
};

namespace {
using Builder = SpokenText::Builder;

// Text of one fragment, [from, to) of the document, character by character.
void readText(const QString &text, int position, int from, int to, Builder &out)
{
    QString run;
    int runStart = from;
    const auto flush = [&](int at) {
        out.same(run, runStart);
        run.clear();
        runStart = at;
    };
    for (int at = from; at < to;) {
        const QChar c = text.at(at - position);
        if (c.isHighSurrogate() && at + 1 < to && text.at(at + 1 - position).isLowSurrogate()) {
            const char32_t code = QChar::surrogateToUcs4(c, text.at(at + 1 - position));
            flush(at);
            if (readsAsPlainLetters(code))
                out.standIn(QString::fromUcs4(&code, 1).normalized(QString::NormalizationForm_KC),
                            at, 2);
            else
                out.same(text.mid(at - position, 2), at);
            at += 2;
            runStart = at;
            continue;
        }
        switch (c.unicode()) {
        case QChar::Nbsp:
        case QChar::ObjectReplacementCharacter:
            run += u' ';
            break;
        case QChar::LineSeparator:
        case QChar::ParagraphSeparator:
            run += u'\n';
            break;
        case QChar::SoftHyphen:
            flush(at);
            out.standIn(u"", at, 1);
            runStart = at + 1;
            break;
        default:
            if (c.decompositionTag() != QChar::NoDecomposition &&
                readsAsPlainLetters(c.unicode())) {
                const QString plain = QString(c).normalized(QString::NormalizationForm_KC);
                if (plain.size() == 1) {
                    run += plain;
                } else {
                    flush(at);
                    out.standIn(plain, at, 1);
                    runStart = at + 1;
                }
            } else {
                run += c;
            }
        }
        ++at;
    }
    flush(to);
}

// A picture: its description when it has one, and never a word to mark.
void readPicture(const QTextFormat &format, int position, Builder &out)
{
    QString description = format.stringProperty(QTextFormat::ImageAltText).simplified();
    if (description.isEmpty())
        description = format.stringProperty(QTextFormat::ImageTitle).simplified();
    out.space(position);
    if (description.isEmpty())
        return;
    if (!endsSentence(description.back()))
        description += u'.';
    out.standIn(QString(PictureWord + description + u' '), position, 0);
}

// Where the text a listener hears begins in a block: after a bullet typed as text.
int bulletEnd(const QTextBlock &block)
{
    const QString text = block.text();
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    if (i + 1 < text.size() && BulletCharacters.contains(text.at(i)) && text.at(i + 1).isSpace())
        return block.position() + int(i) + 2;
    return block.position();
}

void readBlock(const QTextBlock &block, int from, int to, Builder &out)
{
    const int start = block.position();
    const int end = start + block.length() - 1; // the separator after the block's text
    const QTextBlockFormat format = block.blockFormat();
    const int note = format.intProperty(NoteFormat::NoteProperty);
    const bool cell = inTableCell(block);
    const int bodyStart = bulletEnd(block);
    // Items, headings, cells and notes end with a pause, as a sentence does.
    bool pause =
        cell || note != 0 || format.headingLevel() > 0 || block.textList() || bodyStart != start;
    const qsizetype spokenBefore = out.size();

    if (start >= from) {
        if (note == NoteFormat::FirstNoteBlock)
            out.standIn(NoteWord, start, 0);
        const QString label = listLabel(block);
        if (!label.isEmpty())
            out.standIn(QString(label + u' '), start, 0);
    }
    if (bodyStart > start && from < bodyStart)
        out.standIn(u"", qMax(from, start), bodyStart - qMax(from, start));

    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int a = qMax(qMax(fragment.position(), from), bodyStart);
        const int b = qMin(fragment.position() + fragment.length(), to);
        if (a >= b)
            continue;
        const QTextCharFormat charFormat = fragment.charFormat();
        if (NoteFormat::isMarker(charFormat)) {
            out.standIn(u"", a, b - a);
        } else if (charFormat.isImageFormat()) {
            for (int at = a; at < b; ++at)
                readPicture(charFormat, at, out);
        } else {
            readText(fragment.text(), fragment.position(), a, b, out);
        }
    }

    if (end >= to)
        return;
    pause = pause && out.size() > spokenBefore;
    if (pause && !endsSentence(out.lastSpoken()))
        out.fullStop();
    // Within a table, and where a table starts or ends, the break belongs to no word: a
    // word's mark never reaches into the next cell, nor takes a whole table with it.
    const QChar separator = block.document()->characterAt(end);
    if (cell || separator == FrameStart || separator == FrameEnd)
        out.standIn(u"\n", end, 0);
    else
        out.same(u"\n", end);
}
} // namespace

SpokenText SpokenText::fromDocument(const QTextDocument &document, int from, int to)
{
    SpokenText spoken;
    const int length = document.characterCount() - 1;
    if (to < 0 || to > length)
        to = length;
    from = qBound(0, from, to);
    Builder out(spoken);
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() < to;
         block = block.next())
        readBlock(block, from, to, out);
    return spoken;
}

int SpokenText::pieceAt(int offset) const
{
    // The last piece starting at or before the offset.
    const auto it = std::upper_bound(m_pieces.begin(), m_pieces.end(), offset,
                                     [](int value, const Piece &p) { return value < p.spoken; });
    return int(it - m_pieces.begin()) - 1;
}

SpokenText::Range SpokenText::documentRange(int offset, int length) const
{
    if (m_pieces.isEmpty())
        return {offset, qMax(0, length)};
    const int size = int(m_text.size());
    offset = qBound(0, offset, size);
    // Where the spoken character at `at` begins and ends in the document. A break added
    // between table cells ends where it begins, so a mark never runs into the next cell.
    const auto startOf = [&](int at) {
        if (at >= size) {
            const Piece &p = m_pieces.last();
            return p.document + p.documentLength;
        }
        const Piece &p = m_pieces.at(pieceAt(at));
        return p.spokenLength == p.documentLength ? p.document + at - p.spoken : p.document;
    };
    const auto endOf = [&](int at) {
        const Piece &p = m_pieces.at(pieceAt(at));
        return p.spokenLength == p.documentLength ? p.document + at - p.spoken + 1
                                                  : p.document + p.documentLength;
    };
    const int start = startOf(offset);
    const int last = qMin(offset + length, size) - 1;
    if (length <= 0 || last < offset)
        return {start, 0};
    int end = endOf(last);
    // A space after a word that the document does not show right after it (a note's
    // marker comes between) is left out, so that the marker is not marked with the word.
    if (last > offset && m_text.at(last).isSpace() && startOf(last) > endOf(last - 1))
        end = endOf(last - 1);
    return {start, qMax(start, end) - start};
}
