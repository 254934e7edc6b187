#include "ReadingHarness.h"

#include "DocumentSelection.h"
#include "ScriptedEngine.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTest>
#include <QTextEdit>

ReadingHarness::ReadingHarness(int samplesPerWord)
{
    auto engine = std::make_unique<ScriptedEngine>(samplesPerWord);
    m_scripted = engine.get();
    build(std::make_unique<SpeechControl>(0, std::move(engine)));
}

ReadingHarness::ReadingHarness(std::unique_ptr<Engine> engine)
{
    build(engine ? std::make_unique<SpeechControl>(0, std::move(engine))
                 : std::make_unique<SpeechControl>(0));
}

void ReadingHarness::build(std::unique_ptr<SpeechControl> element)
{
    SpeechControl *control = element.get();
    listen(control, [this](SpeechEvent kind, int position) {
        Step step;
        step.kind = kind;
        step.position = position;
        step.chunkOffset = state().chunkOffset;
        step.chunk = state().currentChunk;
        if (step.kind == SpeechEvent::WordReached)
            m_heard.append(step.chunkOffset + step.position);
        step.latestHeard = int(m_heard.size()); // compared on the way out
        m_open.append(step);
    });
    m_window = std::make_unique<MainWindow>(std::move(element));
    listen(control, [this](SpeechEvent, int) {
        Step step = m_open.takeLast();
        step.nested = step.latestHeard != m_heard.size();
        step.latestHeard = m_heard.isEmpty() ? -1 : m_heard.last();
        const MainWindow &w = *m_window;
        const QList<QWidget *> locking{w.readAllButton, w.readSelectionButton, w.voiceList,
                                       w.speedSlider, w.volumeSlider};
        step.locked =
            std::none_of(locking.begin(), locking.end(), [](QWidget *c) { return c->isEnabled(); });
        step.unlocked =
            std::all_of(locking.begin(), locking.end(), [](QWidget *c) { return c->isEnabled(); });
        step.speaking = state().speaking;
        step.stop = w.stopPauseButton->isEnabled();
        step.readSelectionCaption = w.readSelectionButton->text();
        step.playPosition = w.readingProgress->value();
        step.curWord = w.currentWord->text();
        step.selectionStart = DocumentSelection::start(w.documentEdit);
        step.selectionLength = DocumentSelection::length(w.documentEdit);
        m_steps.append(step);
        if (step.kind == SpeechEvent::Ended && !step.speaking && !step.stop)
            ++m_finished;
        if (afterStep)
            afterStep(step);
    });
}

void ReadingHarness::listen(SpeechControl *control,
                            const std::function<void(SpeechEvent, int)> &handler)
{
    QObject::connect(control, &SpeechControl::speechStarted, control,
                     [handler](int position) { handler(SpeechEvent::Started, position); });
    QObject::connect(control, &SpeechControl::wordReached, control,
                     [handler](int position) { handler(SpeechEvent::WordReached, position); });
    QObject::connect(control, &SpeechControl::speechEnded, control,
                     [handler](int position) { handler(SpeechEvent::Ended, position); });
}

void ReadingHarness::setDocument(const QString &text)
{
    m_window->documentEdit->setPlainText(text);
}

void ReadingHarness::select(int start, int length)
{
    DocumentSelection::setStart(m_window->documentEdit, start);
    DocumentSelection::setLength(m_window->documentEdit, length);
}

QList<ReadingHarness::Step> ReadingHarness::steps(SpeechEvent kind) const
{
    QList<Step> result;
    for (const Step &step : m_steps)
        if (step.kind == kind)
            result.append(step);
    return result;
}

bool ReadingHarness::waitForReadings(int count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return m_finished >= count; }, timeoutMs);
}

QList<int> ReadingHarness::wordStarts(const QString &text)
{
    static const QRegularExpression words(QStringLiteral("\\S+"));
    QList<int> result;
    for (auto it = words.globalMatch(text); it.hasNext();)
        result.append(int(it.next().capturedStart()));
    return result;
}
