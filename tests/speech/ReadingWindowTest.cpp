#include "DocumentSelection.h"
#include "MessageBoxRecorder.h"
#include "ReadingController.h"
#include "ReadingHarness.h"
#include "ScriptedEngine.h"
#include "SpeechEventHandler.h"

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
constexpr int Started = SpeechControl::EventSpeechStarted;
constexpr int Ended = SpeechControl::EventSpeechEnded;
constexpr int Word = SpeechControl::EventWordReached;

// Ordinary prose with line breaks, `length` characters long.
QString prose(int length)
{
    static const QStringList words =
        QString::fromLatin1(
            "the reader follows every word of this text while the voice speaks it aloud "
            "and marks it in the document so that nobody loses the place")
            .split(QLatin1Char(' '));
    QString text;
    for (int i = 0; text.size() < length; ++i)
        text += words.at(i % words.size()) +
                (i % 13 == 12 ? QStringLiteral("\n") : QStringLiteral(" "));
    text.truncate(length);
    // Never end on a delimiter or a torn word: trim back to the last whole word.
    while (text.at(text.size() - 1).isSpace())
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

bool idle(const Step &s)
{
    return s.readAll && s.readSelection && s.voices && s.speed && s.volume;
}
} // namespace

TEST(Reading, ReadAllGoesThroughEveryChunkAndMarksEachWordInTheDocument)
{
    ReadingHarness h;
    const QString document = prose(10000);
    h.setDocument(document);
    h.window().Command1->click();
    ASSERT_TRUE(h.waitForReadings());

    // Three chunks, each starting where the one before ended.
    const auto starts = h.steps(Started);
    ASSERT_EQ(starts.size(), 3);
    int offset = 0;
    for (const Step &s : starts) {
        EXPECT_EQ(s.chunkOffset, offset);
        EXPECT_EQ(document.mid(offset, s.chunk.size()), s.chunk);
        offset += int(s.chunk.size());
    }
    EXPECT_EQ(offset, document.size());

    // Every word is heard once, in order, at its place in the document.
    EXPECT_EQ(h.heardPositions(), ReadingHarness::wordStarts(document));

    int checked = 0, nested = 0;
    for (const Step &s : h.steps()) {
        // A word handled while an earlier one waited keeps its mark.
        if (s.kind == Word)
            EXPECT_EQ(s.selectionStart, s.latestHeard);
        nested += s.nested;
        if (s.kind == Started) {
            EXPECT_TRUE(s.speaking && s.stop);
            EXPECT_FALSE(s.readAll || s.readSelection || s.voices || s.speed || s.volume);
        } else if (s.kind == Word && !s.nested) {
            // Marked word, its display and the progress all agree with the document.
            const int at = s.chunkOffset + s.position;
            const QString word = wordAt(document, at);
            EXPECT_EQ(s.curWord, word);
            EXPECT_EQ(s.selectionStart, at);
            EXPECT_EQ(s.selectionLength, qMin<int>(word.size() + 1, document.size() - at));
            EXPECT_EQ(s.playPosition, at * 100 / document.size());
            EXPECT_FALSE(s.readSelection) << "marks must not unlock Read Selection";
            ++checked;
        }
    }
    EXPECT_GT(checked, 1000);
    std::printf("%d of %d word events were handled inside another\n", nested, checked + nested);

    // Between chunks the controls are back briefly; after the last one the reading is over.
    const auto ends = h.steps(Ended);
    ASSERT_EQ(ends.size(), 3);
    EXPECT_TRUE(idle(ends[0]) && ends[0].stop && ends[0].speaking);
    EXPECT_TRUE(idle(ends[1]) && ends[1].stop);
    EXPECT_TRUE(idle(ends[2]));
    EXPECT_FALSE(ends[2].stop || ends[2].speaking);
    EXPECT_EQ(ends[2].playPosition, 100);
    EXPECT_EQ(ends[2].readSelectionCaption, QStringLiteral("Read Selection"));

    frmMain &w = h.window();
    EXPECT_EQ(w.Rt->toPlainText(), document);
    EXPECT_FALSE(w.TimeEstimate->isActive());
    EXPECT_EQ(w.TimeElapsed->text(), w.TimeTotal->text());
    EXPECT_EQ(w.TimeRemaining->text(), QStringLiteral("00:00:00"));
    // A second later the progress display is cleared.
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.PlayPosition->value() == 0; }, 5000));
    EXPECT_EQ(w.CurWord->text(), QString());
}

TEST(Reading, WordsAreShownWithoutTheirDelimiterAndPathsReadWithSlashes)
{
    ReadingHarness h(22050);
    const QString document = QStringLiteral("Hello\nworld C:\\Temp\\a.txt\tend");
    h.setDocument(document);
    h.window().Command1->click();
    ASSERT_TRUE(h.waitForReadings());
    QStringList shown;
    QList<int> marked;
    for (const Step &s : h.steps(Word)) {
        shown << s.curWord;
        marked << s.selectionLength;
    }
    EXPECT_EQ(shown, (QStringList{"Hello", "world", "C:/Temp/a.txt", "end"}));
    // Each mark covers the word and its delimiter; the last one stops at the end of the text.
    EXPECT_EQ(marked, (QList<int>{6, 6, 14, 3}));
    EXPECT_EQ(h.window().Rt->toPlainText(), document);
}

TEST(Reading, ReadSelectionReadsTheSelectionAndMeasuresItsOwnProgress)
{
    ReadingHarness h(22050);
    const QString document = prose(400);
    h.setDocument(document);
    const QList<int> starts = ReadingHarness::wordStarts(document);
    const int from = starts.at(20), to = starts.at(24) - 1;
    h.select(from, to - from);
    EXPECT_TRUE(h.window().Command3->isEnabled());
    h.window().Command3->click();
    EXPECT_EQ(h.state().ChunkOffset, from);
    EXPECT_EQ(h.state().RangeLength, to - from);
    ASSERT_TRUE(h.waitForReadings());

    EXPECT_EQ(h.heardPositions(), starts.mid(20, 4));
    const auto words = h.steps(Word);
    ASSERT_EQ(words.size(), 4);
    // Progress counts from the start of the selection, not of the document.
    EXPECT_EQ(words.first().playPosition, 0);
    EXPECT_EQ(words.last().playPosition, (starts.at(23) - from) * 100 / (to - from));
}

TEST(Reading, StopAndContinueResumeAtTheWordBeingSpoken)
{
    ReadingHarness h(22050);
    const QString document = prose(300);
    h.setDocument(document);
    const QList<int> starts = ReadingHarness::wordStarts(document);
    frmMain &w = h.window();
    h.afterStep = [&](const Step &s) {
        if (s.kind == Word && h.steps(Word).size() == 3) {
            ASSERT_EQ(h.state().WordPosition, starts.at(2));
            w.Command2->click();
        }
    };
    w.Command1->click();
    ASSERT_TRUE(h.waitForReadings());
    h.afterStep = nullptr;

    // The rest of the document is selected and offered for Continue.
    EXPECT_EQ(DocumentSelection::start(w.Rt), starts.at(2));
    EXPECT_EQ(DocumentSelection::length(w.Rt), document.size() - starts.at(2));
    EXPECT_EQ(w.Command3->text(), QStringLiteral("Continue"));
    EXPECT_TRUE(w.Command3->isEnabled());
    EXPECT_FALSE(w.Command2->isEnabled());
    EXPECT_TRUE(w.ForceStop->isActive());
    QTest::qWait(100);
    EXPECT_EQ(h.steps(Word).size(), 3) << "nothing of the stopped speech may follow";

    w.Command3->click();
    ASSERT_TRUE(h.waitForReadings(2));
    EXPECT_EQ(h.heardPositions().mid(3), starts.mid(2));
}

TEST(Reading, StopInALaterChunkOfASelectionKeepsTheResumeInsideTheSelection)
{
    ReadingHarness h(2205);
    const QString document = prose(10000);
    h.setDocument(document);
    const QList<int> starts = ReadingHarness::wordStarts(document);
    const int from = starts.at(5);
    const int to = starts.at(starts.size() - 40) - 1;
    h.select(from, to - from);
    frmMain &w = h.window();
    h.afterStep = [&](const Step &s) {
        if (s.kind == Word && s.chunkOffset > from && !s.nested)
            w.Command2->click();
    };
    w.Command3->click();
    ASSERT_TRUE(h.waitForReadings());
    h.afterStep = nullptr;

    const int resume = DocumentSelection::start(w.Rt);
    EXPECT_GT(resume, from + 4000);
    EXPECT_EQ(resume + DocumentSelection::length(w.Rt), to);
    w.Command3->click();
    ASSERT_TRUE(h.waitForReadings(2));
    EXPECT_LT(h.heardPositions().last(), to);
}

TEST(Reading, StopDuringThePauseBetweenChunksEndsTheReading)
{
    ReadingHarness h;
    h.setDocument(prose(6000));
    frmMain &w = h.window();
    QTimer watch;
    bool clicked = false;
    int progress = 0;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!clicked && h.state().betweenChunks) {
            clicked = true;
            w.Command2->click();
            progress = w.PlayPosition->value();
        }
    });
    watch.start(2);
    w.Command1->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return clicked; }, 30000));
    QTest::qWait(800);

    EXPECT_EQ(h.steps(Started).size(), 1) << "the next chunk was handed over after Stop";
    EXPECT_EQ(h.scripted()->synthesisCount(), 1);
    EXPECT_FALSE(h.state().Speaking);
    EXPECT_FALSE(w.Command2->isEnabled());
    EXPECT_TRUE(w.Command1->isEnabled() && w.List1->isEnabled() && w.Slider1->isEnabled());
    EXPECT_EQ(progress, 100);
    // The first chunk was heard to its end: Continue starts with the second.
    EXPECT_EQ(w.Command3->text(), QStringLiteral("Continue"));
    EXPECT_EQ(DocumentSelection::start(w.Rt), h.steps(Started).first().chunk.size());
    EXPECT_EQ(DocumentSelection::start(w.Rt) + DocumentSelection::length(w.Rt),
              w.Rt->toPlainText().size());
}

TEST(Reading, ForceStopPutsTheControlsBackWhenTheEngineNeverReportsTheEnd)
{
    ReadingHarness h(22050);
    frmMain &w = h.window();
    h.state().BackgroundSpeech = true;
    h.state().DialogSpeech = true;
    QString copied = prose(300);
    w.Speak(copied);
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.state().Speaking; }, 10000));

    // The end of the stopped speech never reaches the window.
    h.element().blockSignals(true);
    w.Command2->click();
    EXPECT_FALSE(w.List1->isEnabled());
    EXPECT_TRUE(w.ForceStop->isActive());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.ForceStop->isActive(); }, 10000));

    EXPECT_TRUE(w.Slider1->isEnabled() && w.Slider3->isEnabled() && w.List1->isEnabled() &&
                w.Command3->isEnabled() && w.Command1->isEnabled());
    EXPECT_FALSE(w.Command2->isEnabled());
    EXPECT_EQ(w.Command3->text(), QStringLiteral("Read Selection"));
    EXPECT_EQ(w.PlayPosition->value(), 100);
    EXPECT_FALSE(h.state().Speaking);
    EXPECT_FALSE(h.state().DialogSpeech);
    EXPECT_TRUE(h.state().BackgroundSpeech);

    while (h.element().countResources(SpeechControl::ResourceEvent) > 0)
        h.element().removeResource(SpeechControl::ResourceEvent, 0);
    h.element().blockSignals(false);
}

TEST(Reading, CopiedTextMovesTheDisplayButNeverTheDocumentSelection)
{
    ReadingHarness h(22050);
    frmMain &w = h.window();
    h.setDocument(QStringLiteral("The document stays where the user left it."));
    h.select(4, 8);
    h.state().ChunkOffset = 17;
    h.state().BackgroundSpeech = true;
    QString copied = QStringLiteral("words copied elsewhere");
    w.Speak(copied);
    ASSERT_TRUE(h.waitForReadings());

    QStringList shown;
    for (const Step &s : h.steps(Word)) {
        shown << s.curWord;
        EXPECT_EQ(s.selectionStart, 4);
        EXPECT_EQ(s.selectionLength, 8);
    }
    EXPECT_EQ(shown, (QStringList{"words", "copied", "elsewhere"}));
    EXPECT_EQ(h.steps(Word).last().playPosition, 13 * 100 / copied.size());
    EXPECT_EQ(h.state().ChunkOffset, 17);
    EXPECT_FALSE(h.state().BackgroundSpeech);
}

TEST(Reading, TextTooShortIsNotSpokenAndTextWithoutSpacesIs)
{
    ReadingHarness h;
    frmMain &w = h.window();
    h.setDocument(QStringLiteral("a"));
    w.Command1->click();
    h.setDocument(QString());
    w.Command1->click();
    w.readingController()->Command3_Click(); // nothing selected
    QTest::qWait(100);
    EXPECT_EQ(h.scripted()->synthesisCount(), 0);
    EXPECT_TRUE(h.steps().isEmpty());
    EXPECT_FALSE(w.Command2->isEnabled());
    EXPECT_FALSE(w.TimeEstimate->isActive());

    // Five thousand Chinese characters and not one space: read in two chunks.
    QString chinese;
    while (chinese.size() < 5000)
        chinese += QStringLiteral("读书使人充实讨论使人机智");
    chinese.truncate(5000);
    h.setDocument(chinese);
    w.Command1->click();
    ASSERT_TRUE(h.waitForReadings());
    const auto starts = h.steps(Started);
    ASSERT_EQ(starts.size(), 2);
    EXPECT_EQ(starts[1].chunkOffset, 4096);
    EXPECT_EQ(h.heardPositions(), (QList<int>{0, 4096}));
}

TEST(Reading, ReadSelectionFollowsTheSelectionOnlyWhileIdle)
{
    ReadingHarness h(22050);
    frmMain &w = h.window();
    h.setDocument(QStringLiteral("one two three four five six seven eight nine ten"));
    h.select(4, 3);
    EXPECT_TRUE(w.Command3->isEnabled());
    w.Command3->setText(QStringLiteral("Continue"));
    h.select(6, 0);
    EXPECT_FALSE(w.Command3->isEnabled());
    EXPECT_EQ(w.Command3->text(), QStringLiteral("Read Selection"));

    w.Command1->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return h.state().Speaking; }, 10000));
    h.select(0, 3);
    EXPECT_FALSE(w.Command3->isEnabled());
    w.StopSpeech();
}

TEST(Reading, AFailingSpeakStillOffersStop)
{
    auto engine = std::make_unique<ScriptedEngine>();
    engine->setVoices({});
    ReadingHarness h(std::move(engine));
    MessageBoxRecorder boxes;
    h.setDocument(QStringLiteral("nothing to say this with"));
    h.window().Command1->click();
    EXPECT_TRUE(h.window().Command2->isEnabled());
    EXPECT_TRUE(boxes.requests().isEmpty());
}
