// A document opened from an outside format reads like any other: every word is marked at
// its own place in what the window shows.
#include "DocumentCommands.h"
#include "ReadingHarness.h"

#include <QPushButton>
#include <QTextEdit>
#include <gtest/gtest.h>

TEST(ReadingDocuments, PdfOpenedAndReadAllMarksEveryWordWhereItIs)
{
    ReadingHarness h;
    frmMain &w = h.window();
    ASSERT_TRUE(
        w.documents()->openFile(QStringLiteral(PARLANCE_TEST_DATA "/documents/office.pdf")));
    const QString document = w.Rt->toPlainText();
    ASSERT_TRUE(document.startsWith(QStringLiteral("Reading aloud\n")));

    w.Command1->click();
    ASSERT_TRUE(h.waitForReadings());
    EXPECT_EQ(h.heardPositions(), ReadingHarness::wordStarts(document));
    // The mark of the last word heard sits on that word in the document.
    const auto words = h.steps(SpeechControl::EventWordReached);
    ASSERT_FALSE(words.isEmpty());
    const ReadingHarness::Step last = words.last();
    EXPECT_EQ(document.mid(last.selectionStart, 6), QStringLiteral("sample"));
}
