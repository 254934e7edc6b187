#include "ConverterFixture.h"
#include "EndlessEngine.h"
#include "OutputChoice.h"
#include "ScriptedEngine.h"
#include "SpeechControl.h"
#include "formats/ZipArchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <sndfile.h>

using ConverterWindowTest = ConverterFixture;

namespace {
const QString NotFromReaderText = QStringLiteral(
    "This program cannot be run outside of the main Larkvane Text-to-Speech Reader application");
const QString InvalidText = QStringLiteral("Invalid options. Cannot convert to WAV.");
const QStringList Voices{QStringLiteral("Scripted One"), QStringLiteral("Scripted Two")};
} // namespace

TEST_F(ConverterWindowTest, RefusesCommandLinesThatDidNotComeFromTheReader)
{
    const struct
    {
        QString line;
        ConverterWindow::Outcome outcome;
        QString message;
    } cases[] = {
        {QString(), ConverterWindow::NotFromReader, NotFromReaderText},
        {"Scripted One speech.txt 0 80", ConverterWindow::NotFromReader, NotFromReaderText},
        {"Scripted One*x.txt*0", ConverterWindow::InvalidOptions, InvalidText},
        {"a*b*" + m_text + "*0*80*1", ConverterWindow::InvalidOptions, InvalidText},
    };
    for (const auto &c : cases) {
        m_boxes.clear();
        auto window = scriptedWindow(Voices);
        EXPECT_EQ(window->run(c.line), c.outcome) << c.line.toStdString();
        ASSERT_EQ(m_boxes.requests().size(), 1);
        EXPECT_EQ(m_boxes.requests()[0].text, c.message);
        EXPECT_EQ(m_boxes.requests()[0].title, QStringLiteral("Error"));
        EXPECT_EQ(m_boxes.requests()[0].buttons, MessageBoxService::Ok);
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(m_engine->synthesisCount(), 0);
    }
    EXPECT_TRUE(m_saveRequests.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(m_text));
}

TEST_F(ConverterWindowTest, StandardVoiceIsChosenByItsTrimmedName)
{
    auto window = scriptedWindow(Voices);
    const QString line = QStringLiteral(" Scripted Two *%1 * 0 * 80 ").arg(m_text);
    EXPECT_EQ(window->run(line), ConverterWindow::Created);

    ASSERT_EQ(m_saveRequests.size(), 1);
    EXPECT_TRUE(m_saveRequests[0].filter.startsWith(QStringLiteral("Windows PCM (*.wav)|*.wav|")));
    EXPECT_EQ(m_saveRequests[0].flags, 1);
    EXPECT_EQ(m_engine->currentVoice(), QStringLiteral("Scripted Two"));
    const WavInfo wav = inspect(m_wav);
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.rate, 22050);
    EXPECT_EQ(wav.channels, 1);
    EXPECT_GT(wav.frames, 0);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Wave file created.")});
    EXPECT_FALSE(QFileInfo::exists(m_text));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(ConverterWindowTest, SpeedAndVolumeReachTheEngineWithinItsRange)
{
    // The element starts at rate 3 and volume 50, so a refused value shows as unchanged.
    const struct
    {
        QString speed;
        QString volume;
        int rate;
        int level;
    } cases[] = {
        {QStringLiteral("10"), QStringLiteral("100"), 10, 99},
        {QStringLiteral("-10"), QStringLiteral("0"), -10, 1},
        {QStringLiteral("fast"), QStringLiteral("80"), 0, 80},
        {QStringLiteral("11"), QStringLiteral("101"), 3, 50},
        {QStringLiteral("-3.6"), QStringLiteral("33.5"), -4, 34},
    };
    for (const auto &c : cases) {
        writeText();
        auto window = scriptedWindow(Voices);
        window->speechControl->setRate(3);
        window->speechControl->setVolume(50);
        EXPECT_EQ(window->run(standardLine(QStringLiteral("Scripted One"), c.speed, c.volume)),
                  ConverterWindow::Created)
            << c.speed.toStdString();
        EXPECT_EQ(m_engine->lastParams().rate, c.rate) << c.speed.toStdString();
        EXPECT_EQ(m_engine->lastParams().volume, c.level) << c.volume.toStdString();
    }
}

TEST_F(ConverterWindowTest, OnlyAttInCapitalsAsksForTheNarrowFormat)
{
    const QStringList voices{QStringLiteral("ATT Crystal"), QStringLiteral("att mike")};
    const struct
    {
        QString voice;
        int rate;
    } cases[] = {{voices[0], 16000}, {voices[1], 22050}};
    for (const auto &c : cases) {
        writeText();
        auto window = scriptedWindow(voices);
        ASSERT_EQ(window->run(standardLine(c.voice)), ConverterWindow::Created);
        EXPECT_EQ(inspect(m_wav).rate, c.rate) << c.voice.toStdString();
    }
}

TEST_F(ConverterWindowTest, CancelledSaveDialogEndsQuietlyAndKeepsTheText)
{
    m_saveAnswer.clear();
    auto window = scriptedWindow(Voices);
    EXPECT_EQ(window->run(standardLine(QStringLiteral("Scripted One"))),
              ConverterWindow::SaveCancelled);
    EXPECT_TRUE(m_boxes.requests().isEmpty());
    EXPECT_EQ(m_engine->synthesisCount(), 0);
    EXPECT_TRUE(QFileInfo::exists(m_text));
}

TEST_F(ConverterWindowTest, FailuresAreReportedAndKeepTheTextFile)
{
    const struct
    {
        const char *what;
        QString voice;
        QString wav;
        bool failSynthesis;
        bool removeText;
    } cases[] = {
        {"unknown voice", QStringLiteral("No Such Voice"), QString(), false, false},
        {"failing engine", QStringLiteral("Scripted One"), QString(), true, false},
        {"unwritable folder", QStringLiteral("Scripted One"),
         m_dir.filePath(QStringLiteral("no folder/speech.wav")), false, false},
        {"missing text file", QStringLiteral("Scripted One"), QString(), false, true},
    };
    for (const auto &c : cases) {
        m_boxes.clear();
        writeText();
        if (c.removeText)
            QFile::remove(m_text);
        m_saveAnswer = c.wav.isEmpty() ? m_wav : c.wav;
        auto window = scriptedWindow(Voices);
        if (c.failSynthesis)
            m_engine->failNextSynthesis();
        EXPECT_EQ(window->run(standardLine(c.voice)), ConverterWindow::Failed) << c.what;
        ASSERT_EQ(m_boxes.requests().size(), 1) << c.what;
        EXPECT_EQ(m_boxes.requests()[0].title, QStringLiteral("Error")) << c.what;
        EXPECT_EQ(m_boxes.requests()[0].icon, MessageBoxService::Critical) << c.what;
        EXPECT_FALSE(messages().contains(QStringLiteral("Wave file created."))) << c.what;
        EXPECT_EQ(QFileInfo::exists(m_text), !c.removeText) << c.what;
        EXPECT_FALSE(QFileInfo::exists(m_saveAnswer)) << c.what;
        EXPECT_TRUE(strayFiles().isEmpty()) << c.what;
        EXPECT_FALSE(window->isVisible()) << c.what;
    }
}

TEST_F(ConverterWindowTest, CereVoiceFormSetsUpTheElementAndReportsAMissingVoice)
{
    auto window = scriptedWindow({});
    const QString line = QStringLiteral("/opt/cereproc/engine*%1*%2*0*80")
                             .arg(m_dir.filePath(QStringLiteral("no voices")), m_text);
    EXPECT_EQ(window->run(line), ConverterWindow::Failed);

    SpeechControl &element = *window->speechControl;
    EXPECT_EQ(element.engineFolder(), QStringLiteral("/opt/cereproc/engine"));
    EXPECT_EQ(element.voiceFolder(), m_dir.filePath(QStringLiteral("no voices")));
    ASSERT_EQ(m_boxes.requests().size(), 1);
    EXPECT_EQ(m_boxes.requests()[0].icon, MessageBoxService::Critical);
    EXPECT_TRUE(QFileInfo::exists(m_text));
    EXPECT_FALSE(QFileInfo::exists(m_wav));
}

TEST(ConverterWindow, CereVoiceSetUpKeepsTheLastCereVoiceInAnyCase)
{
    EXPECT_EQ(ConverterWindow::lastCereVoice(
                  {QStringLiteral("Plain"), QStringLiteral("CereVoice Heather"),
                   QStringLiteral("my cerevoice Sue"), QStringLiteral("Other")}),
              QStringLiteral("my cerevoice Sue"));
    EXPECT_EQ(
        ConverterWindow::lastCereVoice({QStringLiteral("Plain"), QStringLiteral("Cere Voice")}),
        QString());
}

TEST_F(ConverterWindowTest, StoppingWhileTheEngineWorksLeavesNoWavAndKeepsTheText)
{
    // Both the Cancel button and closing the window stop the engine.
    for (const bool viaButton : {true, false}) {
        m_boxes.clear();
        auto window = windowWith(std::make_unique<EndlessEngine>());
        bool wasVisible = false;
        int shownProgress = -1;
        QObject::connect(window->speechControl, &SpeechControl::fileProgress, window.get(),
                         [&](qint64 done, qint64) {
                             if (shownProgress >= 0 || done == 0)
                                 return;
                             wasVisible = window->isVisible();
                             shownProgress = window->progressBar->value();
                             if (viaButton)
                                 window->cancelButton->click();
                             else
                                 window->close();
                         });
        EXPECT_EQ(window->run(standardLine(QStringLiteral("Endless"))), ConverterWindow::Stopped);
        EXPECT_TRUE(wasVisible);
        EXPECT_GT(shownProgress, 0);
        EXPECT_LT(shownProgress, 100);
        EXPECT_TRUE(m_boxes.requests().isEmpty());
        EXPECT_TRUE(QFileInfo::exists(m_text));
        EXPECT_FALSE(QFileInfo::exists(m_wav));
        EXPECT_TRUE(strayFiles().isEmpty());
        EXPECT_FALSE(window->isVisible());
    }
}

// The dialog opens where the user keeps documents, then where the last file went; never in the
// program's folder. A name without a known extension takes the chosen filter's format.
TEST_F(ConverterWindowTest, SaveDialogOpensInTheUsersFoldersAndTheFilterChoosesTheFormat)
{
    auto window = scriptedWindow(Voices);
    const QString folder = m_dir.filePath(QStringLiteral("audio"));
    ASSERT_TRUE(QDir().mkpath(folder));
    m_saveAnswer = folder + QStringLiteral("/speech.ogg");
    ASSERT_EQ(window->run(standardLine(QStringLiteral("Scripted Two"))), ConverterWindow::Created);
    EXPECT_NE(m_saveRequests[0].folder, QCoreApplication::applicationDirPath());
    EXPECT_FALSE(m_saveRequests[0].folder.isEmpty());
    EXPECT_EQ(inspect(m_saveAnswer).format, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
    // The window and its end message name the format written.
    EXPECT_EQ(window->windowTitle(), "Convert a Text File into an Ogg Vorbis Audio File");
    EXPECT_TRUE(
        window->statusLabel->text().startsWith("Converting this text to Ogg Vorbis Audio."));
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Ogg Vorbis file created.")});

    writeText();
    auto again = scriptedWindow(Voices);
    m_saveAnswer = m_dir.filePath(QStringLiteral("second.wav"));
    ASSERT_EQ(again->run(standardLine(QStringLiteral("Scripted Two"))), ConverterWindow::Created);
    EXPECT_EQ(m_saveRequests[1].folder, folder);
    EXPECT_EQ(again->windowTitle(), "Convert a Text File into a WAV Audio File");
    EXPECT_EQ(again->statusLabel->text(),
              "Converting this text to WAV Audio. Please be patient. This "
              "may take a while...");

    QString typed = QStringLiteral("/tmp/book");
    EXPECT_EQ(OutputChoice::chosenFormat(typed, QStringLiteral("MP3 (*.mp3)")),
              AudioFileWriter::Mp3);
    EXPECT_EQ(typed, QStringLiteral("/tmp/book.mp3"));
    QString named = QStringLiteral("/tmp/book.flac");
    EXPECT_EQ(OutputChoice::chosenFormat(named, QStringLiteral("MP3 (*.mp3)")),
              AudioFileWriter::Flac);
    EXPECT_EQ(named, QStringLiteral("/tmp/book.flac"));
}

// The save dialog's subtitle choice puts them beside the audio, timed to the sample by the
// voice's words (a scripted word lasts 0.1 s); a voice without words is timed a sentence at a
// time, each where its audio starts. "EPUB with narration" makes a book instead.
TEST_F(ConverterWindowTest, SubtitlesAndNarratedBooksFromTheSaveDialog)
{
    int choice = 2; // WebVTT
    SaveDialogService::setHandler([&](const SaveDialogService::Request &request) {
        m_saveRequests.append(request);
        SaveDialogService::Answer answer(m_saveAnswer);
        answer.choice = choice;
        return answer;
    });
    const QString vtt = m_dir.filePath(QStringLiteral("speech.vtt"));
    const auto convert = [&](bool words) {
        writeText("One two three. Four five.\r\n");
        auto window = scriptedWindow(Voices);
        m_engine->setReportsWords(words);
        EXPECT_EQ(window->run(standardLine(QStringLiteral("Scripted One"))),
                  ConverterWindow::Created);
        QFile file(vtt);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    EXPECT_EQ(convert(true), QStringLiteral("WEBVTT\n\n1\n00:00:00.000 --> 00:00:00.300\n"
                                            "One <00:00:00.100>two <00:00:00.200>three.\n\n"
                                            "2\n00:00:00.300 --> 00:00:00.500\n"
                                            "Four <00:00:00.400>five.\n\n"));
    EXPECT_EQ(m_saveRequests.last().choices.size(), 4);
    EXPECT_EQ(convert(false), QStringLiteral("WEBVTT\n\n1\n00:00:00.000 --> 00:00:00.300\n"
                                             "One two three.\n\n"
                                             "2\n00:00:00.300 --> 00:00:00.500\nFour five.\n\n"));

    choice = 0;
    m_saveAnswer = m_dir.filePath(QStringLiteral("book.epub"));
    convert(true);
    QFile book(m_saveAnswer);
    ASSERT_TRUE(book.open(QIODevice::ReadOnly));
    ZipArchive archive;
    ASSERT_TRUE(archive.open(book.readAll()));
    const QString overlay =
        QString::fromUtf8(archive.read(QStringLiteral("OEBPS/chapter1.smil")).value_or(""));
    EXPECT_EQ(overlay.count(QStringLiteral("<par>")), 2) << overlay.toStdString();
    EXPECT_TRUE(overlay.contains(QStringLiteral("clipBegin=\"0:00:00.300\" "
                                                "clipEnd=\"0:00:00.500\"")));
    EXPECT_TRUE(archive.contains(QStringLiteral("OEBPS/chapter1.mp3")));
}
