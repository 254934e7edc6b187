#include "DocumentSelection.h"
#include "MessageBoxRecorder.h"
#include "ReadingController.h"
#include "ReadingHarness.h"
#include "ScriptedEngine.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
using Step = ReadingHarness::Step;
constexpr SpeechEvent Started = SpeechEvent::Started;
constexpr SpeechEvent Ended = SpeechEvent::Ended;
constexpr SpeechEvent Word = SpeechEvent::WordReached;

// Prose of about `length` characters with line breaks and a Windows path, ending on a word.
QString prose(int length)
{
    static const QStringList words =
        QStringLiteral(
            "the reader follows every word of C:\\Temp\\notes.txt while the voice speaks it aloud "
            "and marks it in the document so that nobody loses the place")
            .split(QLatin1Char(' '));
    QString text;
    for (int i = 0; text.size() < length; ++i)
        text += words.at(i % words.size()) + QLatin1Char(i % 13 == 12 ? '\n' : ' ');
    text.truncate(length);
    while (text.back().isSpace())
        text.chop(1);
    return text;
}

QString wordAt(const QString &text, int position)
{
    int end = position;
    while (end < text.size() && !text.at(end).isSpace())
        ++end;
    return text.mid(position, end - position);
}
} // namespace

TEST(Reading, ReadAllGoesThroughEveryChunkAndMarksEachWordInTheDocument)
{
    ReadingHarness h;
    const QString document = prose(10000);
    h.setDocument(document);
    h.window().readAllButton->click();
    ASSERT_TRUE(h.waitForReadings());

    // Three chunks, each starting where the one before ended.
    const auto starts = h.steps(Started);
    ASSERT_EQ(starts.size(), 3);
    int offset = 0;
    for (const Step &s : starts) {
        EXPECT_EQ(s.chunkOffset, offset);
        EXPECT_EQ(QString(document.mid(offset, s.chunk.size())).replace('\\', '/'), s.chunk);
        EXPECT_TRUE(s.speaking && s.stop && s.locked);
        offset += int(s.chunk.size());
    }
    EXPECT_EQ(offset, document.size());
    // Every word is heard once, in order, at its place in the document.
    EXPECT_EQ(h.heardPositions(), ReadingHarness::wordStarts(document));

    int checked = 0;
    for (const Step &s : h.steps(Word)) {
        // A word handled while an earlier one waited keeps its mark.
        EXPECT_EQ(s.selectionStart, s.latestHeard);
        if (s.nested)
            continue;
        const int at = s.chunkOffset + s.position;
        const QString word = wordAt(document, at);
        EXPECT_EQ(s.curWord, QString(word).replace('\\', '/'));
        EXPECT_EQ(s.selectionLength, qMin<int>(word.size() + 1, document.size() - at));
        EXPECT_EQ(s.playPosition, at * 100 / document.size());
        EXPECT_TRUE(s.locked) << "a mark must not unlock Read Selection";
        ++checked;
    }
    EXPECT_GT(checked, 1000);

    // Between chunks the controls are back briefly; after the last one the reading is over.
    const auto ends = h.steps(Ended);
    ASSERT_EQ(ends.size(), 3);
    EXPECT_TRUE(ends[0].unlocked && ends[0].stop && ends[1].unlocked && ends[1].stop);
    EXPECT_TRUE(ends[2].unlocked);
    EXPECT_FALSE(ends[2].stop || ends[2].speaking);
    EXPECT_EQ(ends[2].playPosition, 100);
    EXPECT_EQ(ends[2].readSelectionCaption, QStringLiteral("Read Selection"));

    MainWindow &w = h.window();
    EXPECT_EQ(w.documentEdit->toPlainText(), document);
    EXPECT_FALSE(w.timeEstimateTimer->isActive());
    EXPECT_EQ(w.elapsedTime->text(), w.totalTime->text());
    EXPECT_EQ(w.remainingTime->text(), QStringLiteral("00:00:00"));
    // A second later the progress display is cleared.
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.readingProgress->value() == 0; }, 5000));
    EXPECT_EQ(w.currentWord->text(), QString());
}

TEST(Reading, ReadSelectionReadsTheSelectionAndMeasuresItsOwnProgress)
{
    ReadingHarness h(22050);
    const QString document = prose(400);
    h.setDocument(document);
    const QList<int> starts = ReadingHarness::wordStarts(document);
    const int from = starts.at(20), to = starts.at(24) - 1;
    h.select(from, to - from);
    h.window().readSelectionButton->click();
    EXPECT_EQ(h.state().chunkOffset, from);
    EXPECT_EQ(h.state().rangeLength, to - from);
    ASSERT_TRUE(h.waitForReadings());

    EXPECT_EQ(h.heardPositions(), starts.mid(20, 4));
    // Progress counts from the start of the selection, not of the document.
    EXPECT_EQ(h.steps(Word).first().playPosition, 0);
    EXPECT_EQ(h.steps(Word).last().playPosition, (starts.at(23) - from) * 100 / (to - from));
}

TEST(Reading, StopAndContinueResumeAtTheWordBeingSpoken)
{
    ReadingHarness h(22050);
    // Long enough that the continued reading is still going when the forced stop armed by
    // Stop / Pause would fire.
    const QString document = prose(1500);
    h.setDocument(document);
    const QList<int> starts = ReadingHarness::wordStarts(document);
    MainWindow &w = h.window();
    h.afterStep = [&](const Step &s) {
        if (s.kind == Word && h.heardPositions().size() == 3) {
            ASSERT_EQ(h.state().wordPosition, starts.at(2));
            w.stopPauseButton->click();
        }
    };
    w.readAllButton->click();
    ASSERT_TRUE(h.waitForReadings());
    h.afterStep = nullptr;

    // The rest of the document is selected and offered for Continue.
    EXPECT_EQ(DocumentSelection::start(w.documentEdit), starts.at(2));
    EXPECT_EQ(DocumentSelection::length(w.documentEdit), document.size() - starts.at(2));
    EXPECT_EQ(w.readSelectionButton->text(), QStringLiteral("Continue"));
    EXPECT_TRUE(w.readSelectionButton->isEnabled());
    EXPECT_FALSE(w.stopPauseButton->isEnabled());
    EXPECT_TRUE(w.forceStopTimer->isActive());
    QTest::qWait(100);
    EXPECT_EQ(h.heardPositions().size(), 3) << "nothing of the stopped speech may follow";

    w.readSelectionButton->click();
    ASSERT_TRUE(h.waitForReadings(2));
    EXPECT_EQ(h.heardPositions().mid(3), starts.mid(2));
}

TEST(Reading, StopInALaterChunkOfASelectionKeepsTheResumeInsideTheSelection)
{
    ReadingHarness h(2205);
    const QString document = prose(10000);
    h.setDocument(document);
    const QList<int> starts = ReadingHarness::wordStarts(document);
    const int from = starts.at(5), to = starts.at(starts.size() - 40) - 1;
    h.select(from, to - from);
    MainWindow &w = h.window();
    h.afterStep = [&](const Step &s) {
        if (s.kind == Word && s.chunkOffset > from && !s.nested)
            w.stopPauseButton->click();
    };
    w.readSelectionButton->click();
    ASSERT_TRUE(h.waitForReadings());
    h.afterStep = nullptr;

    const int resume = DocumentSelection::start(w.documentEdit);
    EXPECT_GT(resume, from + 4000);
    EXPECT_EQ(resume + DocumentSelection::length(w.documentEdit), to);
    w.readSelectionButton->click();
    ASSERT_TRUE(h.waitForReadings(2));
    EXPECT_LT(h.heardPositions().last(), to);
}

TEST(Reading, StopDuringThePauseBetweenChunksEndsTheReading)
{
    ReadingHarness h;
    h.setDocument(prose(6000));
    MainWindow &w = h.window();
    QTimer watch;
    int progress = -1;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (progress < 0 && h.state().betweenChunks) {
            w.stopPauseButton->click();
            progress = w.readingProgress->value();
        }
    });
    watch.start(2);
    w.readAllButton->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return progress >= 0; }, 30000));
    QTest::qWait(800);

    EXPECT_EQ(h.scripted()->synthesisCount(), 1) << "the next chunk was handed over after Stop";
    EXPECT_FALSE(h.state().speaking);
    EXPECT_FALSE(w.stopPauseButton->isEnabled());
    EXPECT_TRUE(w.readAllButton->isEnabled() && w.voiceList->isEnabled() &&
                w.speedSlider->isEnabled());
    EXPECT_EQ(progress, 100);
    // The first chunk was heard to its end: Continue starts with the second.
    EXPECT_EQ(w.readSelectionButton->text(), QStringLiteral("Continue"));
    EXPECT_EQ(DocumentSelection::start(w.documentEdit), h.steps(Started).first().chunk.size());
    EXPECT_EQ(DocumentSelection::start(w.documentEdit) + DocumentSelection::length(w.documentEdit),
              w.documentEdit->toPlainText().size());
}

TEST(Reading, ForceStopPutsTheControlsBackWhenTheEngineNeverReportsTheEnd)
{
    ReadingHarness h(22050);
    MainWindow &w = h.window();
    h.state().backgroundSpeech = h.state().dialogSpeech = true;
    QString copied = prose(300);
    w.speak(copied);
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.state().speaking; }, 10000));

    // The end of the stopped speech never reaches the window.
    h.element().blockSignals(true);
    w.stopPauseButton->click();
    EXPECT_FALSE(w.voiceList->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.forceStopTimer->isActive(); }, 10000));

    EXPECT_TRUE(w.speedSlider->isEnabled() && w.volumeSlider->isEnabled() &&
                w.voiceList->isEnabled() && w.readSelectionButton->isEnabled() &&
                w.readAllButton->isEnabled());
    EXPECT_FALSE(w.stopPauseButton->isEnabled());
    EXPECT_EQ(w.readSelectionButton->text(), QStringLiteral("Read Selection"));
    EXPECT_EQ(w.readingProgress->value(), 100);
    EXPECT_FALSE(h.state().speaking || h.state().dialogSpeech);
    EXPECT_TRUE(h.state().backgroundSpeech);

    h.element().blockSignals(false);
}

TEST(Reading, CopiedTextMovesTheDisplayButNeverTheDocumentSelection)
{
    ReadingHarness h(22050);
    h.setDocument(QStringLiteral("The document stays where the user left it."));
    h.select(4, 8);
    h.state().chunkOffset = 17;
    h.state().backgroundSpeech = true;
    // The dash gets a mark of its own; the word display keeps the word before it.
    QString copied = QStringLiteral("words \u2014 copied elsewhere");
    h.window().speak(copied);
    ASSERT_TRUE(h.waitForReadings());

    QStringList shown;
    for (const Step &s : h.steps(Word)) {
        shown << s.curWord;
        EXPECT_TRUE(s.selectionStart == 4 && s.selectionLength == 8);
    }
    EXPECT_EQ(shown, (QStringList{"words", "words", "copied", "elsewhere"}));
    EXPECT_EQ(h.steps(Word).last().playPosition, 15 * 100 / copied.size());
    EXPECT_EQ(h.state().chunkOffset, 17);
    EXPECT_FALSE(h.state().backgroundSpeech);
}

TEST(Reading, TextTooShortIsNotSpokenAndTextWithoutSpacesIs)
{
    ReadingHarness h;
    MainWindow &w = h.window();
    for (const QString &document : {QStringLiteral("a"), QString()}) {
        h.setDocument(document);
        w.readAllButton->click();
    }
    w.readingController()->readSelection(); // nothing selected
    QTest::qWait(100);
    EXPECT_EQ(h.scripted()->synthesisCount(), 0);
    EXPECT_FALSE(w.stopPauseButton->isEnabled() || w.timeEstimateTimer->isActive());

    // Five thousand Chinese characters and not one space: read in two chunks.
    h.setDocument(QStringLiteral("读书使人充实讨论使人机智").repeated(420).left(5000));
    w.readAllButton->click();
    ASSERT_TRUE(h.waitForReadings());
    EXPECT_EQ(h.heardPositions(), (QList<int>{0, 4096}));

    // An engine that cannot speak at all: the reading ends at once and the user is told.
    auto silent = std::make_unique<ScriptedEngine>();
    silent->setVoices({});
    ReadingHarness mute(std::move(silent));
    MessageBoxRecorder boxes(MessageBoxService::ResultIgnore);
    mute.setDocument(prose(50));
    mute.window().readAllButton->click();
    EXPECT_FALSE(mute.window().stopPauseButton->isEnabled());
    EXPECT_EQ(boxes.requests().size(), 1);
}

// The whole path with the standard engine and the sped-up silent output.
TEST(Reading, StandardEngineReadsTenThousandCharactersAndEndsIdle)
{
    ReadingHarness h(nullptr);
    MainWindow &w = h.window();
    ASSERT_GT(w.voiceList->count(), 0) << "the standard engine lists no voices";
    w.speedSlider->setValue(10);
    const QString document =
        QStringLiteral("The river ran quietly past the old mill, and nobody saw the boat. "
                       "Every morning the baker opened his shop at half past six.\n")
            .repeated(80)
            .left(10000)
            .trimmed();
    h.setDocument(document);
    w.readAllButton->click();
    ASSERT_TRUE(h.waitForReadings(1, 280000));

    EXPECT_EQ(h.steps(Started).size(), 3);
    const QList<int> heard = h.heardPositions();
    const QList<int> words = ReadingHarness::wordStarts(document);
    EXPECT_GT(heard.size(), words.size() * 9 / 10);
    for (int i = 0; i < heard.size(); ++i) {
        ASSERT_TRUE(words.contains(heard[i])) << "word event off a word start at " << heard[i];
        ASSERT_TRUE(i == 0 || heard[i] > heard[i - 1]);
    }
    const Step last = h.steps(Ended).last();
    EXPECT_TRUE(last.unlocked && !last.stop && !last.speaking && last.playPosition == 100);
    EXPECT_EQ(w.remainingTime->text(), QStringLiteral("00:00:00"));
    EXPECT_EQ(w.documentEdit->toPlainText(), document);
}
