// A document opened from an outside format reads as a person reads it: every word heard is
// marked where the window shows it, the words said for the listener (a list's number, a
// picture's description) mark nothing, and what is no part of the text (a page's running
// head, its number, a bullet) is neither heard nor marked.
#include "DocumentCommands.h"
#include "ReadingHarness.h"
#include "TextWords.h"
#include "WordSpan.h"

#include <QFile>
#include <QImage>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTextEdit>
#include <algorithm>
#include <gtest/gtest.h>

namespace {
// The text of each word mark without its delimiter, in the order the marks were made, the
// empty ones left out, and those of a second report a voice may make from inside a word it
// is saying ("each" and then "ach").
QStringList marks(const ReadingHarness &h, const QString &shown)
{
    QStringList marked;
    for (const ReadingHarness::Step &step : h.steps(SpeechEvent::WordReached)) {
        const int at = step.selectionStart;
        if (!step.nested && step.selectionLength > 0 && (at == 0 || !shown.at(at - 1).isLetter()))
            marked.append(shown.mid(at, step.selectionLength).trimmed());
    }
    return marked;
}
} // namespace

TEST(ReadingDocuments, PdfOpenedAndReadAllMarksEveryWordWhereItIs)
{
    ReadingHarness h;
    MainWindow &w = h.window();
    ASSERT_TRUE(
        w.documents()->openFile(QStringLiteral(PARLANCE_TEST_DATA "/documents/office.pdf")));
    const QString document = w.documentEdit->toPlainText();
    ASSERT_TRUE(document.startsWith(QStringLiteral("Reading aloud\n")));

    w.readAllButton->click();
    ASSERT_TRUE(h.waitForReadings());
    // Every word but the bullets is marked, once, in order, where it is shown. On a loaded
    // machine a word's handler can be overtaken by the next word's, and then shows that
    // word's mark: only such words may be missing.
    QStringList shownWords = document.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
    shownWords.removeAll(QStringLiteral("•"));
    const QStringList marked = marks(h, document);
    const auto words = h.steps(SpeechEvent::WordReached);
    const qsizetype overtaken =
        std::count_if(words.begin(), words.end(), [](const auto &step) { return step.nested; });
    qsizetype at = 0;
    for (const QString &word : marked) {
        const qsizetype found = shownWords.indexOf(word, at);
        ASSERT_GE(found, 0) << "marked out of order: " << word.toStdString();
        at = found + 1;
    }
    EXPECT_GE(marked.size() + overtaken, shownWords.size());
    EXPECT_LE(marked.size(), shownWords.size());
}

TEST(ReadingDocuments, ListsPicturesTablesAndLigaturesAreHeardAndMarkedAsShown)
{
    ReadingHarness h;
    MainWindow &w = h.window();
    w.documentEdit->document()->addResource(QTextDocument::ImageResource, QUrl("can.png"),
                                            QImage(4, 4, QImage::Format_RGB32));
    QTextCursor(w.documentEdit->document())
        .insertHtml("<h2>Sowing</h2><ol><li>dig</li><li>rake</li></ol>"
                    "<p>The oﬃce<img src=\"can.png\" alt=\"A can\"/> opens</p>"
                    "<table><tr><td>Onions</td><td>March</td></tr></table>");
    const QString shown = w.documentEdit->toPlainText();
    w.readAllButton->click();
    ASSERT_TRUE(h.waitForReadings());

    // What is heard, and what each word marks: the words said for the list and the picture
    // mark nothing, and no mark leaves its cell.
    const QMap<QString, QString> expected = {{"Sowing.", "Sowing"},
                                             {"1.", ""},
                                             {"dig.", "dig"},
                                             {"2.", ""},
                                             {"rake.", "rake"},
                                             {"The", "The"},
                                             {"office", "oﬃce"},
                                             {"Picture:", ""},
                                             {"A", ""},
                                             {"can.", ""},
                                             {"opens", "opens"},
                                             {"Onions.", "Onions"},
                                             {"March.", "March"}};
    QList<ReadingHarness::Step> steps = h.steps(SpeechEvent::WordReached);
    std::sort(steps.begin(), steps.end(),
              [](const auto &a, const auto &b) { return a.position < b.position; });
    QStringList heard;
    for (const ReadingHarness::Step &step : steps) {
        const QString word = WordSpan::wordAt(step.chunk, step.position);
        heard.append(word);
        // A word handled while an earlier one waited shows the later word's mark.
        if (!step.nested) {
            EXPECT_EQ(shown.mid(step.selectionStart, step.selectionLength).trimmed(),
                      expected.value(word))
                << word.toStdString();
        }
    }
    EXPECT_EQ(heard, QStringList({"Sowing.", "1.", "dig.", "2.", "rake.", "The", "office",
                                  "Picture:", "A", "can.", "opens", "Onions.", "March."}));
}

TEST(ReadingDocuments, AJournalReadAloudNeverMarksItsRunningHeadsOrPageNumbers)
{
    // The standard engine and the file opened as the Open command does.
    ReadingHarness h(nullptr);
    MainWindow &w = h.window();
    ASSERT_TRUE(
        w.documents()->openFile(QStringLiteral(PARLANCE_TEST_DATA "/documents/journal.pdf")));
    const QString shown = w.documentEdit->toPlainText();
    w.readAllButton->click();
    ASSERT_TRUE(h.waitForReadings(1, 240000));

    const QStringList marked = textWords(marks(h, shown).join(u' '));
    for (const char *furniture : {"Journal", "Imaginary", "Vol", "12", "17", "18"})
        EXPECT_FALSE(marked.contains(furniture)) << furniture;
    // The body is marked word by word in the order a person reads it, the notes where they
    // follow their paragraphs. The voice may say two words as one ("a week"): nearly every
    // word is marked on its own.
    QFile known(QStringLiteral(PARLANCE_TEST_DATA "/documents/journal.pdf.spoken.txt"));
    ASSERT_TRUE(known.open(QIODevice::ReadOnly));
    const QStringList expected = textWords(QString::fromUtf8(known.readAll()));
    qsizetype at = 0;
    for (const QString &word : marked) {
        const qsizetype found = expected.indexOf(word, at);
        ASSERT_GE(found, 0) << "marked out of order: " << word.toStdString() << " after word "
                            << at;
        at = found + 1;
    }
    EXPECT_GE(marked.size(), expected.size() * 95 / 100);
}
