#include "EngineTools.h"

#include "DialogRunner.h"
#include "MessageBoxRecorder.h"
#include "RegistryAccess.h"
#include "RegistryTestFixture.h"
#include "ScriptedEngine.h"
#include "SpeechControl.h"
#include "VoiceCatalogue.h"
#include "VoiceSelection.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>

namespace {
// A scripted engine that also has the settings and pronunciation dialogs.
class DialogEngine : public ScriptedEngine
{
public:
    bool hasDialog(int id) const override
    {
        return id == 13 || id == 0; // settings, pronunciation
    }
    QList<EngineSetting> settingList() const override
    {
        EngineSetting pitch;
        pitch.key = QStringLiteral("pitch");
        pitch.label = QStringLiteral("Pitch");
        return {pitch};
    }
};

const QStringList Voices{
    "VW Kate",  "VW Paul",    "vw kate", "Cepstral David", "Crystal NATT 11.4x",
    "ATT Mike", "Plain Voice"};
} // namespace

// Element 0 offers voices named after the makers the pronunciation command knows; what the
// commands open, show and say is recorded.
class EngineToolsTest : public RegistryTestFixture
{
protected:
    void SetUp() override
    {
        RegistryTestFixture::SetUp();
        m_previousFolder = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
        VoiceCatalogue::cereVoices = {CereVoiceEntry()};
        DialogRunner::setHandler([this](QDialog &dialog) {
            m_dialogs << QString::fromLatin1(dialog.metaObject()->className());
            return int(QDialog::Rejected);
        });
    }

    void TearDown() override
    {
        m_tools.reset();
        m_voices.reset();
        m_elements.clear();
        DialogRunner::setHandler({});
        QDir::setCurrent(m_previousFolder);
        RegistryTestFixture::TearDown();
    }

    void useEngine(std::unique_ptr<ScriptedEngine> engine)
    {
        engine->setVoices(Voices);
        m_elements.clear();
        m_elements.push_back(std::make_unique<SpeechControl>(0, std::move(engine)));
        VoiceSelection::Hooks hooks;
        hooks.buildCatalogue = [] {};
        m_voices = std::make_unique<VoiceSelection>(m_elements, m_engineIndex, &m_list, hooks);
        m_tools = std::make_unique<EngineTools>(
            *m_voices, [this](QString &command, int showStyle, const QString &) {
                m_opened << command;
                EXPECT_EQ(showStyle, 1);
                return 42;
            });
    }

    struct Outcome
    {
        QStringList opened, dialogs, messages;
    };

    template <typename Command> Outcome run(const QString &voice, Command command)
    {
        m_voices->setVoice(voice);
        EXPECT_EQ(m_voices->currentVoice(), voice);
        m_opened.clear();
        m_dialogs.clear();
        MessageBoxRecorder boxes;
        ((*m_tools).*command)();
        Outcome outcome{m_opened, m_dialogs, {}};
        for (const auto &request : boxes.requests())
            outcome.messages << request.text;
        return outcome;
    }

    QString inFolder(const QString &relative) const
    {
        return QDir::toNativeSeparators(m_dir.path() + QLatin1Char('/') + relative);
    }

    QString m_previousFolder;
    VoiceSelection::Elements m_elements;
    qint16 m_engineIndex = 0;
    QComboBox m_list;
    std::unique_ptr<VoiceSelection> m_voices;
    std::unique_ptr<EngineTools> m_tools;
    QStringList m_opened, m_dialogs;
};

TEST_F(EngineToolsTest, PronunciationToolFollowsTheFirstMatchingRule)
{
    useEngine(std::make_unique<DialogEngine>());
    const auto pronounce = &EngineTools::editPronunciation;
    const QString noSettings = EngineTools::NoSettingsText;
    const QString pronunciationDialog = QStringLiteral("PronunciationDialog");
    RegistryAccess::writeString(RegistryRoot::LocalMachine, EngineTools::NaturalVoicesKey,
                                QStringLiteral("PathDir"), QStringLiteral("/opt/natural voices/"));

    // The makers' own dictionary editors, found below the working folder.
    EXPECT_EQ(run("VW Kate", pronounce).opened,
              QStringList{inFolder(QStringLiteral("Kate/lib/UserDicEng.exe"))});
    EXPECT_EQ(run("VW Paul", pronounce).opened,
              QStringList{inFolder(QStringLiteral("Paul/lib/UserDicEng.exe"))});
    // The name must match exactly: another case falls through to the engine's dialog.
    Outcome lower = run("vw kate", pronounce);
    EXPECT_TRUE(lower.opened.isEmpty());
    EXPECT_EQ(lower.dialogs, QStringList{pronunciationDialog});
    // Cepstral voices are told there is nothing, even though this engine has a dialog.
    Outcome cepstral = run("Cepstral David", pronounce);
    EXPECT_EQ(cepstral.messages, QStringList{noSettings});
    EXPECT_TRUE(cepstral.dialogs.isEmpty());
    // "att " and "1.4" anywhere, in any case; the stored folder's separator is not doubled.
    Outcome natural = run("Crystal NATT 11.4x", pronounce);
    EXPECT_EQ(natural.opened, QStringList{QDir::toNativeSeparators(
                                  QStringLiteral("/opt/natural voices/bin/WinDictEdit.exe"))});
    EXPECT_TRUE(natural.dialogs.isEmpty() && natural.messages.isEmpty());
    // Without "1.4" the Natural Voices rule does not apply.
    EXPECT_EQ(run("ATT Mike", pronounce).dialogs, QStringList{pronunciationDialog});
    EXPECT_EQ(run("Plain Voice", pronounce).dialogs, QStringList{pronunciationDialog});

    // Without the engine's folder the Natural Voices rule does nothing at all.
    RegistryAccess::writeString(RegistryRoot::LocalMachine, EngineTools::NaturalVoicesKey,
                                QStringLiteral("PathDir"), QString());
    Outcome missing = run("Crystal NATT 11.4x", pronounce);
    EXPECT_TRUE(missing.opened.isEmpty() && missing.dialogs.isEmpty() &&
                missing.messages.isEmpty());
}

TEST_F(EngineToolsTest, EngineWithoutDialogsIsReportedOnce)
{
    useEngine(std::make_unique<ScriptedEngine>());
    const Outcome pronounce = run("Plain Voice", &EngineTools::editPronunciation);
    EXPECT_EQ(pronounce.messages, QStringList{EngineTools::NoSettingsText});
    const Outcome advanced = run("Cepstral David", &EngineTools::showEngineSettings);
    EXPECT_EQ(advanced.messages, QStringList{EngineTools::NoSettingsText});
}

TEST_F(EngineToolsTest, EngineSettingsAreAskedOfTheActiveEngineForEveryVoice)
{
    useEngine(std::make_unique<DialogEngine>());
    // The Cepstral rule belongs to the pronunciation command only.
    for (const QString &voice : {QStringLiteral("Cepstral David"), QStringLiteral("VW Kate")}) {
        const Outcome advanced = run(voice, &EngineTools::showEngineSettings);
        EXPECT_EQ(advanced.dialogs, QStringList{QStringLiteral("EngineSettingsDialog")})
            << voice.toStdString();
        EXPECT_TRUE(advanced.messages.isEmpty() && advanced.opened.isEmpty());
    }
}
