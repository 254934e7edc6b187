#pragma once

#include "PdfFootnotes.h"
#include "StructuredText.h"

// The paragraphs of a PDF put together from its lines, page after page, in reading order.
// A paragraph goes on across a column or a page when its sentence does; a word broken at
// a line's end is joined again; a bullet or number starts an item; each row of a table is
// a line of its own; lines set larger than the body are headings. A footnote follows the
// paragraph holding its marker (or ends its page's text when no marker is found): read
// there, it does not cut a sentence in two, and the listener still has the paragraph in mind.
class PdfParagraphs
{
public:
    // `bodyHeight` is the height of the letters of the body text.
    explicit PdfParagraphs(double bodyHeight) : m_bodyHeight(bodyHeight) {}

    // The page's lines, their text set, in reading order, and the page's notes.
    void addPage(const QList<PdfTextLine> &lines, const QList<PdfFootnotes::Note> &notes);

    bool isEmpty() const { return m_paragraphs.isEmpty(); }
    QList<ImportedParagraph> result(const QTextCharFormat &format) const;

    // Joins a line to the text of its paragraph: a word broken at the line's end ("exam-" +
    // "ple", "CONDI-" + "TIONS") whole again, otherwise with a space.
    static void appendLine(QString &paragraph, const QString &line);

private:
    struct Paragraph
    {
        QString text;
        double height = 0;
        bool tableRow = false;
        int lines = 0;
        qsizetype firstPage = 0;
        // The markers in it, each with its page.
        QList<QPair<qsizetype, QString>> markers;
    };
    struct Note
    {
        qsizetype page = 0;
        QString label;
        QString text;
    };

    // How a page sets its paragraphs: the usual distance from one line to the next within a
    // paragraph, whether lines are justified, and where the column of each line ends.
    struct PageLayout
    {
        double pitch = 0;
        bool justified = false;
        QList<double> columnRight;
    };
    static PageLayout layoutOf(const QList<PdfTextLine> &lines);

    bool continues(const Paragraph &paragraph, const PdfTextLine &previous, const PdfTextLine &next,
                   bool columnBreak) const;
    bool startsParagraph(const Paragraph &paragraph, const PdfTextLine &previous,
                         double previousColumnRight, const PdfTextLine &next,
                         const PageLayout &layout) const;
    QList<int> headingLevels() const;

    double m_bodyHeight;
    qsizetype m_page = 0;
    QList<Paragraph> m_paragraphs;
    QList<Note> m_notes;
    PdfTextLine m_last;
};
