#include "ReadingHarness.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
QString englishText(int length)
{
    static const QStringList sentences{
        QStringLiteral("The river ran quietly past the old mill, and nobody noticed the boat."),
        QStringLiteral("Reading aloud helps many people follow a long document without tiring."),
        QStringLiteral("She counted seven bridges before the road turned north again."),
        QStringLiteral("Every morning the baker opened his shop at half past six.")};
    QString text;
    for (int i = 0; text.size() < length; ++i)
        text += sentences.at(i % sentences.size()) +
                (i % 5 == 4 ? QStringLiteral("\n") : QStringLiteral(" "));
    text.truncate(length);
    while (!text.back().isLetterOrNumber() && text.back() != QLatin1Char('.'))
        text.chop(1);
    return text;
}
} // namespace

// The whole path with the standard engine and the sped-up silent output: a document of
// ten thousand characters read to the end.
TEST(RealEngine, ReadsATenThousandCharacterDocumentAndEndsIdle)
{
    ReadingHarness h(nullptr);
    frmMain &w = h.window();
    ASSERT_GT(w.List1->count(), 0) << "the standard engine lists no voices";
    EXPECT_EQ(w.Label1->text(), QStringLiteral("Speed"));
    w.Slider1->setValue(10);

    const QString document = englishText(10000);
    h.setDocument(document);
    w.Command1->click();
    ASSERT_TRUE(h.waitForReadings(1, 280000));

    EXPECT_EQ(h.steps(SpeechControl::EventSpeechStarted).size(), 3);
    const QList<int> heard = h.heardPositions();
    const QList<int> words = ReadingHarness::wordStarts(document);
    EXPECT_GT(heard.size(), words.size() * 9 / 10);
    for (int i = 0; i < heard.size(); ++i) {
        ASSERT_TRUE(words.contains(heard[i])) << "word event off a word start at " << heard[i];
        if (i > 0)
            ASSERT_GT(heard[i], heard[i - 1]);
    }

    const auto ends = h.steps(SpeechControl::EventSpeechEnded);
    ASSERT_EQ(ends.size(), 3);
    EXPECT_EQ(ends.last().playPosition, 100);
    EXPECT_FALSE(h.state().Speaking);
    EXPECT_FALSE(w.Command2->isEnabled());
    EXPECT_TRUE(w.Command1->isEnabled() && w.Command3->isEnabled() && w.List1->isEnabled() &&
                w.Slider1->isEnabled() && w.Slider3->isEnabled());
    EXPECT_EQ(w.Command3->text(), QStringLiteral("Read Selection"));
    EXPECT_FALSE(w.TimeEstimate->isActive());
    EXPECT_EQ(w.TimeRemaining->text(), QStringLiteral("00:00:00"));
    EXPECT_EQ(w.Rt->toPlainText(), document);
}
