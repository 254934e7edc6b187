#include "EventRecorder.h"
#include "SpeechControl.h"
#include "SpeechError.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

namespace {
// A speech-dispatcher of the test's own, on a private socket with a private copy of the
// system's configuration, playing into the test script's sound server.
class DesktopSpeechDispatcher : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString conf = m_dir.filePath("conf");
        ASSERT_EQ(QProcess::execute("cp", {"-r", "/etc/speech-dispatcher", conf}), 0);
        start(conf);
    }
    void start(const QString &conf)
    {
        m_socket = m_dir.filePath("speechd.sock");
        m_dispatcher.setProcessChannelMode(QProcess::ForwardedChannels);
        m_dispatcher.start("speech-dispatcher", {"-s", "-t", "0", "-S", m_socket, "-C", conf, "-L",
                                                 m_dir.path(), "-P", m_dir.filePath("pid")});
        ASSERT_TRUE(m_dispatcher.waitForStarted());
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                QLocalSocket probe;
                probe.connectToServer(m_socket);
                return probe.waitForConnected(100);
            },
            20000));
        qputenv("SPEECHD_ADDRESS", "unix_socket:" + QFile::encodeName(m_socket));
    }
    void TearDown() override
    {
        qunsetenv("SPEECHD_ADDRESS");
        m_dispatcher.kill();
        m_dispatcher.waitForFinished();
    }

    QTemporaryDir m_dir;
    QString m_socket;
    QProcess m_dispatcher;
};

// The same with only speech-dispatcher's generic module, which runs espeak-ng as a command for
// each message and reports no word positions at all.
class DesktopGenericModule : public DesktopSpeechDispatcher
{
protected:
    void SetUp() override
    {
        const QDir conf(m_dir.filePath("generic"));
        ASSERT_TRUE(conf.mkpath("modules"));
        writeFile(conf.filePath("speechd.conf"),
                  "AddModule \"espeak-ng-generic\" \"sd_generic\" \"generic.conf\"\n"
                  "DefaultModule espeak-ng-generic\n");
        writeFile(conf.filePath("modules/generic.conf"),
                  "GenericExecuteSynth \"printf %s \\'$DATA\\' | espeak-ng -v $VOICE -s $RATE "
                  "--stdin\"\n"
                  "GenericRateAdd 175\nGenericRateMultiply 1\nGenericRateForceInteger 1\n"
                  "GenericLanguage \"en\" \"en-us\" \"utf-8\"\n"
                  "AddVoice \"en\" \"MALE1\" \"en-us\"\nDefaultVoice \"en-us\"\n");
        start(conf.path());
    }
    static void writeFile(const QString &path, const QByteArray &content)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
};
} // namespace

// Its voices come after the others, read with their words reported in order, refuse to
// write a file, and a dispatcher that dies during a reading ends that reading.
TEST_F(DesktopSpeechDispatcher, VoicesReadMarkWordsRefuseFilesAndSurviveItsDeath)
{
    SpeechControl element;
    QStringList names;
    for (int i = 0; i < element.voices().size(); ++i)
        names << element.voices().at(i).name;
    const QStringList dispatched = names.filter(QStringLiteral("speech-dispatcher espeak-ng "));
    ASSERT_FALSE(dispatched.isEmpty());
    EXPECT_GT(names.indexOf(dispatched.first()), names.indexOf(QRegularExpression("^flite ")));
    EXPECT_TRUE(names.last().startsWith(QStringLiteral("speech-dispatcher ")));
    // A voice per language, not one per language and variant.
    EXPECT_LT(dispatched.size(), 1000);
    const QStringList english = dispatched.filter(QStringLiteral("(en-US)"));
    ASSERT_FALSE(english.isEmpty()) << names.join('|').toStdString();

    element.selectVoice(english.first());
    EventRecorder recorder(element);
    element.speak(QStringLiteral("one two three <four> & five"));
    ASSERT_TRUE(recorder.waitForEnd());
    EXPECT_EQ(recorder.wordPositions(), (QList<int>{0, 4, 8, 14, 21, 23}));

    QFile text(m_dir.filePath("in.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("Not for a file.");
    text.close();
    try {
        element.speakToFile(text.fileName(), m_dir.filePath("out.wav"), -1);
        ADD_FAILURE() << "a speech-dispatcher voice wrote a file";
    } catch (const SpeechError &e) {
        EXPECT_TRUE(e.description.contains(QStringLiteral("speech-dispatcher")));
    }
    EXPECT_FALSE(QFile::exists(m_dir.filePath("out.wav")));

    recorder.onEvent = [&](const EventRecorder::Event &e) {
        if (e.kind == SpeechEvent::WordReached && e.position > 0 &&
            m_dispatcher.state() == QProcess::Running)
            m_dispatcher.kill();
    };
    const int ends = recorder.count(SpeechEvent::Ended);
    element.speak(QStringLiteral("This reading is cut short when the dispatcher goes away, "
                                 "long before it could reach its last word."));
    ASSERT_TRUE(recorder.waitForEnd(ends + 1));
    EXPECT_EQ(m_dispatcher.state(), QProcess::NotRunning);
    EXPECT_FALSE(element.isSpeaking());
    // The next reading ends at once instead of waiting for a dispatcher that is gone.
    element.speak(QStringLiteral("Anyone there?"));
    EXPECT_TRUE(recorder.waitForEnd(ends + 2));
}

// A voice whose module reports no word positions is listed as estimated, and its reading still
// moves through every sentence word by word and ends each on its last word.
TEST_F(DesktopGenericModule, WordsWithoutMarksAreEstimatedSentenceBySentence)
{
    SpeechControl element;
    int index = -1;
    for (int i = 0; i < element.voices().size(); ++i) {
        const SpeechVoice voice = element.voices().at(i);
        if (voice.name.startsWith(QStringLiteral("speech-dispatcher espeak-ng-generic")))
            index = i;
        else
            EXPECT_FALSE(voice.estimatedWords) << voice.name.toStdString();
    }
    ASSERT_GE(index, 0);
    const SpeechVoice generic = element.voices().at(index);
    EXPECT_TRUE(generic.estimatedWords);
    element.selectVoice(generic.name);

    const QString text = QStringLiteral("The old miller carried a basket of pears before the rain "
                                        "began. A tired traveller noticed the broken lantern. "
                                        "Nobody minded it at all.");
    QList<int> starts;
    for (int i = 0; i < text.size(); ++i)
        if (!text.at(i).isSpace() && (i == 0 || text.at(i - 1).isSpace()))
            starts << i;
    EventRecorder recorder(element);
    element.speak(text);
    ASSERT_TRUE(recorder.waitForEnd(1, 60000));
    const QList<int> heard = recorder.wordPositions();
    // In order, every one a word's start, most words of every sentence shown, and the last
    // word of each sentence (the end corrects the estimate) among them.
    EXPECT_TRUE(std::is_sorted(heard.begin(), heard.end()));
    for (const int position : heard)
        EXPECT_TRUE(starts.contains(position)) << position;
    EXPECT_GE(heard.size(), starts.size() * 2 / 3) << heard.size() << " of " << starts.size();
    for (const QString &last :
         {QStringLiteral("began."), QStringLiteral("lantern."), QStringLiteral("all.")})
        EXPECT_TRUE(heard.contains(int(text.indexOf(last)))) << last.toStdString();
    EXPECT_EQ(heard.last(), starts.last());
}
