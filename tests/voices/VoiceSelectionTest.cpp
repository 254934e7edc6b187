#include "VoiceSelection.h"

#include "MessageBoxRecorder.h"
#include "RegistryAccess.h"
#include "RegistryStore.h"
#include "RegistryTestFixture.h"
#include "ScriptedEngine.h"
#include "SpeechControl.h"
#include "SpeechError.h"
#include "VoiceCatalogue.h"
#include "VoiceListDelegate.h"

#include <QComboBox>
#include <QFile>
#include <QStringList>
#include <QTest>
#include <future>
#include <sqlite3.h>
#include <thread>

using VoiceCatalogue::cereVoices;
using SC = SpeechControl;

namespace {
CereVoiceEntry entry(const QString &tokenKey, const QString &voiceDir)
{
    CereVoiceEntry voice;
    voice.tokenKey = tokenKey;
    voice.engineDir = QStringLiteral("/opt/cereproc/engine");
    voice.voiceDir = voiceDir;
    return voice;
}

QStringList items(const QComboBox &list)
{
    QStringList names;
    for (int i = 0; i < list.count(); ++i)
        names << list.itemText(i);
    return names;
}
} // namespace

// A window's worth of voice state: the array with a scripted element 0, the active index
// and the list, and a catalogue set by the test instead of read from the registry.
class VoiceSelectionTest : public RegistryTestFixture
{
protected:
    void SetUp() override
    {
        RegistryTestFixture::SetUp();
        auto engine = std::make_unique<ScriptedEngine>(441);
        m_scripted = engine.get();
        m_scripted->setVoices({QStringLiteral("Scripted One"), QStringLiteral("Scripted Two"),
                               QStringLiteral("CereVoice Imposter")});
        m_elements.push_back(std::make_unique<SC>(0, std::move(engine)));
        cereVoices = {CereVoiceEntry()};
        VoiceSelection::Hooks hooks;
        hooks.buildCatalogue = [this] {
            if (m_catalogueFails)
                throw SpeechError(53, QStringLiteral("The catalogue is unreadable."));
        };
        hooks.attachElement = [this](SC &element) { m_attached << element.index(); };
        hooks.showSpeedAndVolume = [this] { ++m_pitchSpeed; };
        m_voices = std::make_unique<VoiceSelection>(m_elements, m_engineIndex, &m_list, hooks);
    }

    void TearDown() override
    {
        m_voices.reset();
        m_elements.clear();
        cereVoices = {CereVoiceEntry()};
        RegistryTestFixture::TearDown();
    }

    void catalogueOfTwo()
    {
        cereVoices = {CereVoiceEntry(), entry("CereVoice Anna 3.0.8", tempPath("anna")),
                      entry("CereVoice Bella 3.0.8", tempPath("bella"))};
    }

    SC &element(int i) { return *m_elements.at(std::size_t(i)); }

    VoiceSelection::Elements m_elements;
    qint16 m_engineIndex = 0;
    QComboBox m_list;
    ScriptedEngine *m_scripted = nullptr;
    std::unique_ptr<VoiceSelection> m_voices;
    QList<int> m_attached;
    int m_pitchSpeed = 0;
    bool m_catalogueFails = false;
};

TEST_F(VoiceSelectionTest, LoadListsCatalogueVoicesFirstAndConfiguresOneElementPerEntry)
{
    catalogueOfTwo();
    // An entry without a key name still gets its element, so indexes keep matching.
    cereVoices.append(entry(QStringLiteral("  "), tempPath("blank")));
    m_scripted->setEstimatedVoices({QStringLiteral("Scripted Two")});
    m_voices->loadVoices();

    EXPECT_EQ(items(m_list), (QStringList{"CereVoice Anna 3.0.8", "CereVoice Bella 3.0.8",
                                          "Scripted One", "Scripted Two", "CereVoice Imposter"}));
    ASSERT_EQ(m_elements.size(), 4u);
    EXPECT_EQ(m_attached, (QList<int>{1, 2, 3}));
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(element(i).index(), i);
        EXPECT_EQ(element(i).voiceFolder(), cereVoices[i].voiceDir);
        EXPECT_EQ(element(i).engineFolder(), cereVoices[i].engineDir);
    }
    EXPECT_EQ(m_pitchSpeed, 1);
    // The list says which voices' marked words are estimates; their names stay plain.
    for (int i = 2; i < 5; ++i) {
        const bool estimated = m_list.itemText(i) == QLatin1String("Scripted Two");
        EXPECT_EQ(m_list.itemData(i, VoiceListDelegate::EstimatedWordsRole).toBool(), estimated);
        EXPECT_EQ(m_list.itemData(i, Qt::ToolTipRole).toString().contains("estimate"), estimated);
    }
    // Loading chooses no voice: element 0 stays active with the engine's own choice.
    EXPECT_EQ(m_engineIndex, 0);
    EXPECT_TRUE(m_voices->currentCereVoice().isEmpty());
    EXPECT_EQ(m_voices->currentVoice(), QStringLiteral("Scripted One"));

    // A second load refills the list and keeps the elements it made.
    SC *first = &element(1);
    m_voices->loadVoices();
    EXPECT_EQ(m_list.count(), 5);
    EXPECT_EQ(m_elements.size(), 4u);
    EXPECT_EQ(&element(1), first);
    EXPECT_EQ(m_attached.size(), 3);
}

TEST_F(VoiceSelectionTest, ListChoiceSwitchesElementsByNameAndKeepsTheInvariant)
{
    catalogueOfTwo();
    m_voices->loadVoices();
    const int pitchSpeedAfterLoad = m_pitchSpeed;

    m_list.setCurrentIndex(1);
    m_voices->voiceChosen();
    EXPECT_EQ(m_engineIndex, 2);
    EXPECT_EQ(m_voices->currentCereVoice(), QStringLiteral("CereVoice Bella 3.0.8"));
    EXPECT_EQ(m_voices->currentVoice(), QStringLiteral("CereVoice Bella 3.0.8"));
    EXPECT_EQ(m_pitchSpeed, pitchSpeedAfterLoad + 1);

    m_voices->setVoice(QStringLiteral("CereVoice Anna 3.0.8"));
    EXPECT_EQ(m_engineIndex, 1);

    // Back to a standard voice: index and name are reset before element 0 gets the name.
    m_list.setCurrentText(QStringLiteral("Scripted Two"));
    m_voices->voiceChosen();
    EXPECT_EQ(m_engineIndex, 0);
    EXPECT_TRUE(m_voices->currentCereVoice().isEmpty());
    EXPECT_EQ(element(0).voiceName(), QStringLiteral("Scripted Two"));
    EXPECT_EQ(m_voices->currentVoice(), QStringLiteral("Scripted Two"));
}

TEST_F(VoiceSelectionTest, NamesWithoutACatalogueEntryFallBackToElementZero)
{
    catalogueOfTwo();
    m_voices->loadVoices();
    MessageBoxRecorder boxes;
    m_voices->setVoice(QStringLiteral("CereVoice Anna 3.0.8"));
    ASSERT_EQ(m_engineIndex, 1);

    // "CereVoice" in the name is not enough: only a catalogue key selects an element.
    m_voices->setVoice(QStringLiteral("CereVoice Imposter"));
    EXPECT_EQ(m_engineIndex, 0);
    EXPECT_TRUE(m_voices->currentCereVoice().isEmpty());
    EXPECT_EQ(m_voices->currentVoice(), QStringLiteral("CereVoice Imposter"));

    // Key names compare exactly.
    m_voices->setVoice(QStringLiteral("cerevoice anna 3.0.8"));
    EXPECT_EQ(m_engineIndex, 0);

    // A name element 0 does not know leaves its voice and raises no message.
    m_voices->setVoice(QStringLiteral("No Such Voice"));
    EXPECT_EQ(m_engineIndex, 0);
    EXPECT_EQ(m_voices->currentVoice(), QStringLiteral("CereVoice Imposter"));
    EXPECT_TRUE(boxes.requests().isEmpty());
}

TEST_F(VoiceSelectionTest, ChoosingTheVoiceInUseLeavesTheReadingAlone)
{
    m_voices->loadVoices();
    element(0).speak(QStringLiteral("word ").repeated(2000));
    ASSERT_TRUE(element(0).isSpeaking());

    m_voices->setVoice(QStringLiteral("Scripted One"));
    EXPECT_TRUE(element(0).isSpeaking());
    m_voices->setVoice(QStringLiteral("Scripted Two"));
    EXPECT_FALSE(element(0).isSpeaking());
    EXPECT_EQ(m_voices->currentVoice(), QStringLiteral("Scripted Two"));
}

TEST_F(VoiceSelectionTest, FailuresReachTheStandardBoxWithTheProcedureNamed)
{
    MessageBoxRecorder boxes(MessageBoxService::ResultIgnore);
    // No element 5: asking for its voice fails four times, the fourth time asks.
    m_engineIndex = 5;
    EXPECT_EQ(m_voices->currentVoice(), QString());
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_TRUE(boxes.requests()[0].text.startsWith(
        QStringLiteral("Error 9: \nThere is no speech control element 5.")));
    EXPECT_TRUE(boxes.requests()[0].text.endsWith(QStringLiteral(" in Parlance: GetCurVoice")));

    // Ignored, the switch goes on and lands on element 0.
    boxes.clear();
    m_voices->setVoice(QStringLiteral("Scripted Two"));
    ASSERT_EQ(boxes.requests().size(), 2);
    EXPECT_TRUE(boxes.requests()[1].text.endsWith(
        QStringLiteral(" in Parlance: SetVoice idx 5: Scripted Two")));
    EXPECT_EQ(m_engineIndex, 0);
    EXPECT_EQ(m_voices->currentVoice(), QStringLiteral("Scripted Two"));

    // A catalogue that cannot be read is reported; element 0's voices are listed anyway.
    boxes.clear();
    m_catalogueFails = true;
    m_voices->loadVoices();
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_TRUE(boxes.requests()[0].text.endsWith(QStringLiteral(" in Parlance: LoadSynthesis")));
    EXPECT_EQ(m_list.count(), 3);

    // Abort leaves the switch before anything changed (one answer for the voice in use,
    // one for the stop).
    boxes.clear();
    boxes.queueAnswer(MessageBoxService::ResultAbort);
    boxes.queueAnswer(MessageBoxService::ResultAbort);
    m_engineIndex = 7;
    m_voices->setVoice(QStringLiteral("Scripted One"));
    EXPECT_EQ(boxes.requests().size(), 2);
    EXPECT_EQ(m_engineIndex, 7);
    EXPECT_TRUE(m_voices->currentCereVoice().isEmpty());
}

TEST_F(VoiceSelectionTest, ARegistryLockedAtStartIsReadOnceTheLockGoes)
{
    // An installed voice, in the registry another writer is holding locked.
    using RegistryAccess::writeString;
    const QString token = QStringLiteral("CereVoice Anna 3.1.0");
    writeString(RegistryRoot::LocalMachine, VoiceCatalogue::CereProcKey + "CereVoice Engine 3.1.0",
                "InstallDir", tempPath("engine"));
    writeString(RegistryRoot::LocalMachine,
                VoiceCatalogue::PrivateVoicesKey + token + "\\Attributes", "VoiceFile",
                makeFile("anna/anna.voice"));
    RegistryStore::setCurrent(nullptr);
    sqlite3 *writer = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(databasePath()).constData(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

    // The writer lets go once the window is up, or after ten seconds: a window that waited
    // for the lock would then read the voice during its start.
    std::promise<void> windowUp;
    std::thread holder([&writer, up = windowUp.get_future()] {
        up.wait_for(std::chrono::seconds(10));
        sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(writer);
    });
    VoiceSelection::Hooks hooks;
    hooks.createElement = [](int index) {
        return std::make_unique<SC>(index, std::make_unique<ScriptedEngine>(441));
    };
    VoiceSelection voices(m_elements, m_engineIndex, &m_list, hooks);
    voices.loadVoices();
    const QStringList atStart = items(m_list);
    windowUp.set_value();
    holder.join();

    EXPECT_FALSE(atStart.contains(token));
    EXPECT_TRUE(atStart.contains("Scripted One"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return items(m_list).contains(token); }, 20000));
}
