#include "VoiceCatalogue.h"
#include "MessageBoxRecorder.h"
#include "RegistryAccess.h"
#include "RegistryKey.h"
#include "RegistryTestFixture.h"
#include "SqliteRegistryStore.h"

#include <QFile>

using namespace VoiceCatalogue;
using RegistryAccess::readString;
using RegistryAccess::writeString;

namespace {
constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;

QStringList tokenKeys()
{
    QStringList keys;
    for (qsizetype i = 1; i < cereVoices.size(); ++i)
        keys << cereVoices[i].tokenKey;
    return keys;
}
} // namespace

class VoiceCatalogueTest : public RegistryTestFixture
{
protected:
    void SetUp() override
    {
        RegistryTestFixture::SetUp();
        cereProcEngines = {CereProcEngine()};
        cereVoices = {CereVoiceEntry()};
    }

    static void addEngine(const QString &keyName, const QString &installDir)
    {
        writeString(HKLM, CereProcKey + keyName, QStringLiteral("InstallDir"), installDir);
    }

    // A token laid out as a voice package registers it: display text as the default value,
    // the display text per language, the engine's class id and the descriptive attributes.
    static void addToken(const QString &place, const QString &tokenName, const QString &voiceFile,
                         const QString &language = QStringLiteral("809"))
    {
        const QString key = place + tokenName;
        const QString attributes = key + QStringLiteral("\\Attributes");
        const QString display = tokenName + QStringLiteral(" - English");
        writeString(HKLM, key, QString(), display);
        writeString(HKLM, key, language, display);
        writeString(HKLM, key, QStringLiteral("CLSID"),
                    QStringLiteral("{2B5B9A1B-93F6-4D2C-9C4B-5C2B1A6D7E10}"));
        const QString voiceName = tokenName.section(QLatin1Char(' '), 1, 1);
        const std::pair<const char *, QString> values[] = {
            {"Age", QStringLiteral("Adult")},
            {"Gender", QStringLiteral("Female")},
            {"Language", language},
            {"Name", tokenName},
            {"Vendor", QStringLiteral("CereProc")},
            {"VoiceFile", voiceFile},
            {"VoiceName", voiceName},
        };
        for (const auto &[name, value] : values)
            writeString(HKLM, attributes, QLatin1String(name), value);
    }
};

TEST_F(VoiceCatalogueTest, CatalogueListsUsableCereVoicesOnTheNewestEngine)
{
    addEngine(QStringLiteral("CereVoice Engine 3.0.8"), QStringLiteral("/opt/cereproc/3.0.8"));
    addEngine(QStringLiteral("CereVoice Engine 3.1.0"), QStringLiteral("/opt/cereproc/3.1.0"));
    const QString heather = makeFile(QStringLiteral("voices/heather/heather.voice"));
    const QString sarah = makeFile(QStringLiteral("voices/sarah/sarah.voice"));
    addToken(PrivateVoicesKey, QStringLiteral("CereVoice Sarah 3.1.0"), sarah);
    addToken(PrivateVoicesKey, QStringLiteral("CereVoice Heather 3.0.8"), heather);
    addToken(PrivateVoicesKey, QStringLiteral("cerevoice william 3.0.1"), sarah);
    // Not taken: another maker, no space after the maker's name, a deleted or missing file.
    addToken(PrivateVoicesKey, QStringLiteral("Acme Kate"), heather);
    addToken(PrivateVoicesKey, QStringLiteral("CereVoiceDaisy 3.0.8"), heather);
    addToken(PrivateVoicesKey, QStringLiteral("CereVoice Gone 3.0.8"),
             tempPath(QStringLiteral("voices/gone.voice")));
    addToken(PrivateVoicesKey, QStringLiteral("CereVoice Nofile 3.0.8"), QString());
    addToken(PrivateVoicesKey, QStringLiteral("CereVoice Folder 3.0.8"), tempPath("voices"));

    loadCereVoices();

    ASSERT_EQ(cereProcEngines.size(), 3);
    EXPECT_EQ(cereProcEngines[1].tokenKey, QStringLiteral("CereVoice Engine 3.0.8"));
    EXPECT_EQ(cereProcEngines[1].version, QStringLiteral("3.0.8"));
    EXPECT_EQ(cereProcEngines[2].installDir, QStringLiteral("/opt/cereproc/3.1.0"));
    EXPECT_EQ(tokenKeys(), (QStringList{"CereVoice Heather 3.0.8", "CereVoice Sarah 3.1.0",
                                        "cerevoice william 3.0.1"}));
    EXPECT_EQ(cereVoices[0].tokenKey, QString());

    const CereVoiceEntry &voice = cereVoices[1];
    EXPECT_EQ(voice.engineDir, QStringLiteral("/opt/cereproc/3.1.0"));
    EXPECT_EQ(voice.voiceFile, heather);
    EXPECT_EQ(voice.voiceDir, tempPath(QStringLiteral("voices/heather")));
    EXPECT_EQ(voice.shortName, QStringLiteral("3.0.8"));
    EXPECT_EQ(voice.voiceName, QStringLiteral("Heather"));
    EXPECT_EQ(voice.name, QStringLiteral("CereVoice Heather 3.0.8"));
    EXPECT_EQ(voice.gender, QStringLiteral("Female"));
    EXPECT_EQ(voice.age, QStringLiteral("Adult"));
    EXPECT_EQ(voice.language, QStringLiteral("809"));
    EXPECT_EQ(voice.vendor, QStringLiteral("CereProc"));
    EXPECT_EQ(voice.clsid, QStringLiteral("{2B5B9A1B-93F6-4D2C-9C4B-5C2B1A6D7E10}"));
    for (qsizetype i = 2; i < cereVoices.size(); ++i)
        EXPECT_EQ(cereVoices[i].engineDir, voice.engineDir);

    // Rebuilding starts from empty tables rather than adding to them.
    loadCereVoices();
    EXPECT_EQ(cereVoices.size(), 4);
    EXPECT_EQ(cereProcEngines.size(), 3);
}

TEST_F(VoiceCatalogueTest, WithoutAnEngineNoVoiceIsListed)
{
    addToken(PrivateVoicesKey, QStringLiteral("CereVoice Heather 3.0.8"),
             makeFile(QStringLiteral("heather.voice")));
    CereVoiceEntry stale;
    stale.tokenKey = QStringLiteral("CereVoice Stale 1.0");
    cereVoices.append(stale);
    loadCereVoices();
    EXPECT_EQ(cereProcEngines.size(), 1);
    EXPECT_EQ(cereVoices.size(), 1);
}

TEST_F(VoiceCatalogueTest, TheEngineWithTheLargestDotlessVersionWins)
{
    const QString file = makeFile(QStringLiteral("heather.voice"));
    addToken(PrivateVoicesKey, QStringLiteral("CereVoice Heather 3.0.8"), file);
    struct Case
    {
        QStringList engines;
        QString expected;
    };
    // 3.0.10 reads as 3010 and beats 3.1.0 (310); the first of equal versions wins; an
    // engine without a number in its version is never chosen.
    const Case cases[] = {
        {{"CereVoice Engine 3.0.8", "CereVoice Engine 3.1.0"}, "CereVoice Engine 3.1.0"},
        {{"CereVoice Engine 3.0.10", "CereVoice Engine 3.1.0"}, "CereVoice Engine 3.0.10"},
        {{"A Engine 3.1.0", "B Engine 3.1.0"}, "A Engine 3.1.0"},
        {{"CereVoice Engine beta", "CereVoice Engine"}, ""},
        {{"CereVoice Engine 2x", "CereVoice Engine v9"}, "CereVoice Engine 2x"},
    };
    MessageBoxRecorder boxes;
    for (const Case &c : cases) {
        if (keyExists(CereProcKey))
            RegistryAccess::deleteKeyTree(HKLM, CereProcKey);
        for (const QString &engine : c.engines)
            addEngine(engine, QStringLiteral("/opt/") + engine);
        loadCereVoices();
        ASSERT_EQ(cereVoices.size(), 2) << c.engines.join(", ").toStdString();
        EXPECT_EQ(cereVoices[1].engineDir,
                  c.expected.isEmpty() ? QString() : QStringLiteral("/opt/") + c.expected)
            << c.engines.join(", ").toStdString();
    }
    EXPECT_TRUE(boxes.requests().isEmpty());
}

TEST_F(VoiceCatalogueTest, InstallMovesTheTokenIntoThePrivateRegistry)
{
    MessageBoxRecorder boxes;
    addEngine(QStringLiteral("CereVoice Engine 3.1.0"), QStringLiteral("/opt/cereproc"));
    const QString file = makeFile(QStringLiteral("heather.voice"));
    const QString name = QStringLiteral("CereVoice Heather 3.0.8");
    const QString source = SpeechTokensKey + name;
    addToken(SpeechTokensKey, name, file);
    // A package that leaves out "Age" and adds an attribute of its own.
    RegistryKey::open(HKLM, source + QStringLiteral("\\Attributes")).deleteValue("Age");
    writeString(HKLM, source + QStringLiteral("\\Attributes"), QStringLiteral("Extra"), "x");
    addToken(SpeechTokensKey, QStringLiteral("CereVoice Sarah 3.1.0"), file, QStringLiteral("409"));

    installVoice(name);
    installVoice(QStringLiteral("CereVoice Sarah 3.1.0"));

    EXPECT_TRUE(boxes.requests().isEmpty());
    const QString copy = PrivateVoicesKey + name;
    EXPECT_EQ(readString(HKLM, copy, QString()), name + QStringLiteral(" - English"));
    EXPECT_EQ(readString(HKLM, copy, QStringLiteral("809")), name + QStringLiteral(" - English"));
    EXPECT_FALSE(valueExists(copy, QStringLiteral("409")));
    EXPECT_FALSE(readString(HKLM, copy, QStringLiteral("CLSID")).isEmpty());
    const QString attributes = copy + QStringLiteral("\\Attributes");
    for (const char *attribute : {"Age", "Country_ID", "Gender", "Language", "Language_ID", "Name",
                                  "Vendor", "VendorPreferred", "VoiceFile", "VoiceName"})
        EXPECT_TRUE(valueExists(attributes, QLatin1String(attribute))) << attribute;
    EXPECT_EQ(readString(HKLM, attributes, QStringLiteral("Age")), QString());
    EXPECT_EQ(readString(HKLM, attributes, QStringLiteral("VoiceFile")), file);
    EXPECT_FALSE(valueExists(attributes, QStringLiteral("Extra")));
    EXPECT_EQ(readString(HKLM, PrivateVoicesKey + QStringLiteral("CereVoice Sarah 3.1.0"),
                         QStringLiteral("409")),
              QStringLiteral("CereVoice Sarah 3.1.0 - English"));

    // The system no longer lists the voices; the reader does.
    QStringList tokens;
    RegistryAccess::listSubKeys(SpeechTokensKey.chopped(1), tokens, false);
    EXPECT_EQ(tokens, QStringList{QString()});
    loadCereVoices();
    EXPECT_EQ(tokenKeys(), (QStringList{name, "CereVoice Sarah 3.1.0"}));
}

TEST_F(VoiceCatalogueTest, InstallingAnInstalledVoiceSaysSoAndChangesNothing)
{
    MessageBoxRecorder boxes;
    const QString name = QStringLiteral("CereVoice Heather 3.0.8");
    addToken(PrivateVoicesKey, name, makeFile(QStringLiteral("heather.voice")));
    const QByteArray before = [this] {
        QFile file(databasePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();

    installVoice(name);

    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_EQ(boxes.requests()[0].text,
              QStringLiteral("CereVoice Heather 3.0.8 was already installed."));
    EXPECT_EQ(boxes.requests()[0].buttons, MessageBoxService::Ok);
    QFile file(databasePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

TEST_F(VoiceCatalogueTest, AnInstallationThatCannotHappenIsReportedAndLosesNothing)
{
    MessageBoxRecorder boxes;
    const auto lastText = [&] {
        return boxes.requests().isEmpty() ? QString() : boxes.requests().last().text;
    };
    // Found nowhere, or only as a private token whose voice file is gone.
    installVoice(QStringLiteral("CereVoice Nobody 3.0.8"));
    EXPECT_EQ(lastText(), QStringLiteral("CereVoice Nobody 3.0.8 could not be installed: no voice "
                                         "token of that name was found."));
    EXPECT_FALSE(keyExists(PrivateVoicesKey + QStringLiteral("CereVoice Nobody 3.0.8")));
    addToken(PrivateVoicesKey, QStringLiteral("CereVoice Gone 3.0.8"), tempPath("gone.voice"));
    installVoice(QStringLiteral("CereVoice Gone 3.0.8"));
    EXPECT_TRUE(
        lastText().startsWith(QStringLiteral("CereVoice Gone 3.0.8 could not be installed")));

    // Neither an empty name nor a path may reach the token list itself.
    writeString(HKLM, SpeechTokensKey, QString(), QStringLiteral("token list"));
    addToken(SpeechTokensKey, QStringLiteral("CereVoice Heather 3.0.8"), makeFile("h.voice"));
    installVoice(QString());
    EXPECT_EQ(lastText(), QStringLiteral("No voice was named to install."));
    installVoice(QStringLiteral("CereVoice Heather 3.0.8\\Attributes\\.."));
    EXPECT_TRUE(keyExists(SpeechTokensKey + QStringLiteral("CereVoice Heather 3.0.8\\Attributes")));
    EXPECT_FALSE(keyExists(PrivateVoicesKey + QStringLiteral("CereVoice Heather 3.0.8")));
    EXPECT_EQ(boxes.requests().size(), 4);

    // A registry that cannot be written keeps the token where it was.
    boxes.clear();
    RegistryStore::setCurrent(std::make_shared<SqliteRegistryStore>(
        databasePath(), SqliteRegistryStore::Access::ReadOnly));
    installVoice(QStringLiteral("CereVoice Heather 3.0.8"));
    EXPECT_EQ(lastText(),
              QStringLiteral("CereVoice Heather 3.0.8 could not be installed: the voice "
                             "registry could not be written."));
    EXPECT_EQ(
        readString(HKLM, SpeechTokensKey + QStringLiteral("CereVoice Heather 3.0.8"), QString()),
        QStringLiteral("CereVoice Heather 3.0.8 - English"));
}
