#include "AudioProbe.h"
#include "ConversionLauncher.h"
#include "ConverterFixture.h"
#include "CommandOpener.h"
#include "SpeechControl.h"
#include "TestVoiceFile.h"
#include "formats/ZipArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QTextDocument>
#include <sndfile.h>

using ConversionEndToEndTest = ConverterFixture;

// The reader's request, as openCommand would start it, carried out by the converter with the
// real engine.
TEST_F(ConversionEndToEndTest, ShortDocumentBecomesA22kHzWavAndTheTextFileGoes)
{
    QString voice;
    {
        SpeechControl probe;
        voice = probe.voiceName();
    }
    ASSERT_FALSE(voice.isEmpty());

    QString program;
    QString parameters;
    CommandOpenerPlatform::setOpenCall(
        [&](const QString &, const QString &file, const QString &arguments, const QString &, int) {
            program = file;
            parameters = arguments;
            return CommandOpenerPlatform::Started;
        });
    ConversionRequest request;
    request.documentText = QStringLiteral("Hello world.\nThis is a short test of the converter.");
    request.voiceName = voice;
    request.speed = 2;
    request.volume = 90;
    request.readerFolder = QStringLiteral("/opt/parlance reader");
    request.temporaryFolder = m_dir.path();
    request.openCommand = [](QString &command, int showStyle, const QString &workDir) {
        return openCommand(command, showStyle, workDir);
    };
    const bool requested = ConversionLauncher::startConverter(request);
    CommandOpenerPlatform::setOpenCall({});
    ASSERT_TRUE(requested);
    EXPECT_EQ(program, QStringLiteral("/opt/parlance reader/wavewright"));
    const QString textFile = parameters.split(QLatin1Char('*')).value(1);
    ASSERT_TRUE(QFileInfo::exists(textFile));

    ConverterWindow window;
    EXPECT_EQ(window.run(parameters), ConverterWindow::Created);

    const WavInfo wav = inspect(m_wav);
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.rate, 22050);
    EXPECT_EQ(wav.channels, 1);
    EXPECT_EQ(wav.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    // Nine words take well over a second to say.
    EXPECT_GT(wav.frames, 22050);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Wave file created.")});
    EXPECT_FALSE(QFileInfo::exists(textFile));
}

TEST_F(ConversionEndToEndTest, CereVoiceFormSpeaksWithTheLastVoiceOfTheFolder)
{
    const QString voices = m_dir.filePath(QStringLiteral("voices"));
    ASSERT_TRUE(QDir().mkpath(voices));
    ASSERT_FALSE(TestVoiceFile::write(voices, QStringLiteral("heather")).isEmpty());
    ASSERT_FALSE(TestVoiceFile::write(voices, QStringLiteral("sue")).isEmpty());

    ConverterWindow window;
    const QString line = QStringList{QStringLiteral("/opt/cereproc/engine"), voices, m_text,
                                     QStringLiteral("0"), QStringLiteral("80")}
                             .join(QLatin1Char('*'));
    EXPECT_EQ(window.run(line), ConverterWindow::Created);
    EXPECT_EQ(window.speechControl->voiceName(), QStringLiteral("CereVoice sue"));
    const WavInfo wav = inspect(m_wav);
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.rate, 22050);
    EXPECT_GT(wav.frames, 0);
    EXPECT_FALSE(QFileInfo::exists(m_text));
}

// The installed converter speaks through worker copies of itself: the window's progress
// follows them, Cancel stops them, and a finished run is one file in the chosen format.
TEST_F(ConversionEndToEndTest, WorkersSpeakTheReadersRequestAndStopOnCancel)
{
    QByteArray text;
    for (int i = 0; i < 20; ++i)
        text +=
            "Sentence number " + QByteArray::number(i) + " is spoken by whichever worker is free. ";
    const QString voice = QStringLiteral("English (America)");
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancelled" : "finished");
        writeText(text);
        m_saveAnswer = m_dir.filePath(QStringLiteral("speech.mp3"));
        ConverterWindow window;
        window.setWorkerProgram(QStringLiteral(WAVEWRIGHT_PROGRAM));
        int shown = -1;
        QObject::connect(window.progressBar, &QProgressBar::valueChanged, &window, [&](int value) {
            if (value > 0 && value < 100 && shown < 0) {
                shown = value;
                if (cancel)
                    window.cancelButton->click();
            }
        });
        const ConverterWindow::Outcome outcome = window.run(standardLine(voice));
        EXPECT_GT(shown, 0);
        if (cancel) {
            EXPECT_EQ(outcome, ConverterWindow::Stopped);
            EXPECT_FALSE(QFileInfo::exists(m_saveAnswer));
            EXPECT_TRUE(QFileInfo::exists(m_text));
            EXPECT_TRUE(strayFiles().isEmpty()) << strayFiles().join(' ').toStdString();
        } else {
            EXPECT_EQ(outcome, ConverterWindow::Created);
            SF_INFO info{};
            SNDFILE *file = sf_open(QFile::encodeName(m_saveAnswer).constData(), SFM_READ, &info);
            ASSERT_NE(file, nullptr);
            sf_close(file);
            EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_MPEG);
            EXPECT_GT(info.frames, 22050 * 20);
            EXPECT_FALSE(QFileInfo::exists(m_text));
        }
    }
}

// A voice built into flite converts like any other voice of element 0.
TEST_F(ConversionEndToEndTest, BuiltInFliteVoiceWritesTheFile)
{
    ConverterWindow window;
    EXPECT_EQ(window.run(standardLine(QStringLiteral("flite slt (US English, female)"))),
              ConverterWindow::Created);
    const WavInfo wav = inspect(m_wav);
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(wav.rate, 22050);
    EXPECT_GT(wav.frames, 22050 / 2);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Wave file created.")});
}

// The reader hands over its document's title, author and chapters beside the text; "One
// file per chapter" in the save dialog makes a folder named after the chosen file, of tagged
// chapter files with their subtitles and a playlist, and both files the reader wrote go. As
// a narrated book, each chapter is a page of its own text.
TEST_F(ConversionEndToEndTest, ReadersChaptersBecomeOneFileEachWhenTheSaveDialogAsks)
{
    QTextDocument document;
    document.setMarkdown(QStringLiteral("# Morning\n\nThe old miller carried a basket of pears.\n\n"
                                        "# Evening\n\nThe night watchman rang the bell.\n"));
    DocumentMetadata::attach(&document, {QStringLiteral("Two Parts"), QStringLiteral("Ann Writer"),
                                         QStringLiteral("en")});
    QString command;
    ConversionRequest request;
    request.documentText = document.toPlainText();
    request.book = BookOutline::of(document, QStringLiteral("parts"));
    request.voiceName = QStringLiteral("English (America)");
    request.volume = 100;
    request.temporaryFolder = m_dir.path();
    request.openCommand = [&command](QString &line, int, const QString &) {
        command = line;
        return 0;
    };
    ASSERT_TRUE(ConversionLauncher::startConverter(request));
    const QString parameters = command.section(QStringLiteral("\" "), 1);
    const QString textFile = parameters.section(u'*', 1, 1);
    ASSERT_TRUE(QFileInfo::exists(BookOutline::pathBeside(textFile)));

    bool offered = false;
    QString answer = m_dir.filePath(QStringLiteral("Parts.opus"));
    SaveDialogService::setHandler([&](const SaveDialogService::Request &asked) {
        offered = asked.oneFilePerChapter != nullptr;
        if (offered)
            *asked.oneFilePerChapter = true;
        SaveDialogService::Answer chosen(answer);
        chosen.choice = 1; // SubRip
        return chosen;
    });
    ConverterWindow window;
    EXPECT_EQ(window.run(parameters), ConverterWindow::Created);
    EXPECT_TRUE(offered);
    const QDir folder(m_dir.filePath(QStringLiteral("Parts")));
    EXPECT_EQ(folder.entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{QStringLiteral("01 Morning.opus"), QStringLiteral("01 Morning.srt"),
                           QStringLiteral("02 Evening.opus"), QStringLiteral("02 Evening.srt"),
                           QStringLiteral("Parts.m3u8")}));
    QFile subtitles(folder.filePath(QStringLiteral("02 Evening.srt")));
    ASSERT_TRUE(subtitles.open(QIODevice::ReadOnly));
    EXPECT_TRUE(subtitles.readAll().contains("The night watchman rang the bell."));
    const AudioProbe evening = AudioProbe::of(folder.filePath(QStringLiteral("02 Evening.opus")));
    EXPECT_GT(evening.seconds, 1.0);
    EXPECT_EQ(evening.tags.value(QStringLiteral("title")), QStringLiteral("Evening"));
    EXPECT_EQ(evening.tags.value(QStringLiteral("album")), QStringLiteral("Two Parts"));
    EXPECT_EQ(evening.tags.value(QStringLiteral("artist")), QStringLiteral("Ann Writer"));
    EXPECT_EQ(evening.tags.value(QStringLiteral("track")), QStringLiteral("2"));
    EXPECT_FALSE(QFileInfo::exists(textFile));
    EXPECT_FALSE(QFileInfo::exists(BookOutline::pathBeside(textFile)));

    ASSERT_TRUE(ConversionLauncher::startConverter(request));
    answer = m_dir.filePath(QStringLiteral("Parts.epub"));
    ConverterWindow narrating;
    EXPECT_EQ(narrating.run(command.section(QStringLiteral("\" "), 1)), ConverterWindow::Created);
    QFile book(answer);
    ASSERT_TRUE(book.open(QIODevice::ReadOnly));
    ZipArchive archive;
    ASSERT_TRUE(archive.open(book.readAll()));
    const QString second =
        QString::fromUtf8(archive.read(QStringLiteral("OEBPS/chapter2.xhtml")).value_or(""));
    EXPECT_TRUE(second.contains(QStringLiteral("The night watchman rang the bell.</span>")))
        << second.toStdString();
    EXPECT_FALSE(
        QString::fromUtf8(archive.read(QStringLiteral("OEBPS/chapter1.xhtml")).value_or(""))
            .contains(QStringLiteral("watchman")));
}
