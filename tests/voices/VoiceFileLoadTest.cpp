#include "EventRecorder.h"
#include "MessageBoxRecorder.h"
#include "RegistryTestFixture.h"
#include "SpeechControl.h"
#include "TestVoiceFile.h"
#include "VoiceSelection.h"
#include "modCereproc.h"
#include "modRegistry.h"

#include <QComboBox>

using modCereproc::CereVoices;
using modRegistry::SetRegString;
using SC = SpeechControl;

// The whole path from the machine registry to speech: two voice files registered as an
// installer registers them, the catalogue built from the registry, one element per voice
// on flite, and element 0 on espeak-ng.
class VoiceFileLoadTest : public RegistryTestFixture
{
protected:
    void SetUp() override
    {
        RegistryTestFixture::SetUp();
        // Readings here need no real time.
        qputenv("PARLANCE_AUDIO", "null:40");
        CereVoices = {CereVoiceEntry()};
        SetRegString(RegistryRoot::LocalMachine,
                     modCereproc::CereProcKey + QStringLiteral("CereVoice Engine 3.2.0"),
                     QStringLiteral("InstallDir"), tempPath(QStringLiteral("engine")));
    }

    void TearDown() override
    {
        m_voices.reset();
        m_elements.clear();
        CereVoices = {CereVoiceEntry()};
        RegistryTestFixture::TearDown();
    }

    // Writes <name>.flitevox into its own folder and registers it as a private voice token.
    void install(const QString &tokenName, const QString &name)
    {
        const QString file = TestVoiceFile::write(tempPath(QStringLiteral("voices/") + name), name);
        ASSERT_FALSE(file.isEmpty());
        const QString attributes =
            modCereproc::PrivateVoicesKey + tokenName + QStringLiteral("\\Attributes");
        SetRegString(RegistryRoot::LocalMachine, modCereproc::PrivateVoicesKey + tokenName,
                     QString(), tokenName);
        SetRegString(RegistryRoot::LocalMachine, attributes, QStringLiteral("VoiceFile"), file);
        SetRegString(RegistryRoot::LocalMachine, attributes, QStringLiteral("Name"), tokenName);
    }

    void load()
    {
        m_elements.push_back(std::make_unique<SC>(0));
        m_voices = std::make_unique<VoiceSelection>(m_elements, m_engineIndex, &m_list);
        m_voices->LoadSynthesis();
    }

    VoiceSelection::Elements m_elements;
    qint16 m_engineIndex = 0;
    QComboBox m_list;
    std::unique_ptr<VoiceSelection> m_voices;
};

TEST_F(VoiceFileLoadTest, RegisteredVoiceFilesAndStandardVoicesAreListedAndSpeak)
{
    install(QStringLiteral("CereVoice Anna 3.2.0"), QStringLiteral("anna"));
    install(QStringLiteral("CereVoice Bella 3.2.0"), QStringLiteral("bella"));
    MessageBoxRecorder boxes;
    load();
    EXPECT_TRUE(boxes.requests().isEmpty());

    ASSERT_EQ(m_elements.size(), 3u);
    ASSERT_GT(m_list.count(), 2);
    EXPECT_EQ(m_list.itemText(0), QStringLiteral("CereVoice Anna 3.2.0"));
    EXPECT_EQ(m_list.itemText(1), QStringLiteral("CereVoice Bella 3.2.0"));
    // The rest are espeak-ng's voices, as many as element 0 lists.
    EXPECT_EQ(m_list.count() - 2, m_elements[0]->countResources(SC::ResourceVoice));
    EXPECT_EQ(m_elements[1]->stringProperty(SC::PropertyVoiceName),
              QStringLiteral("CereVoice anna"));
    EXPECT_EQ(m_elements[2]->stringProperty(SC::PropertyVoiceName),
              QStringLiteral("CereVoice bella"));
    EXPECT_EQ(m_elements[2]->stringProperty(SC::PropertyEngineFolder),
              tempPath(QStringLiteral("engine")));

    m_list.setCurrentIndex(1);
    m_voices->List1_Click();
    ASSERT_EQ(m_engineIndex, 2);

    // The voice file speaks through the active element and reports its words.
    SC &active = *m_elements[std::size_t(m_engineIndex)];
    EventRecorder events(active, false);
    const QString text = QStringLiteral("Voices from files read aloud");
    active.speak(text);
    ASSERT_TRUE(events.waitForEnd());
    EXPECT_EQ(events.count(SC::EventSpeechStarted), 1);
    EXPECT_EQ(events.wordPositions(), (QList<int>{0, 7, 12, 18, 23}));

    // And back to a standard voice of element 0.
    const QString standard = m_list.itemText(2);
    m_voices->SetVoice(standard);
    EXPECT_EQ(m_engineIndex, 0);
    EXPECT_EQ(m_voices->GetCurVoice(), standard);
}
