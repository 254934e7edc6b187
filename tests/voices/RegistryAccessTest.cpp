#include "RegistryAccess.h"
#include "MessageBoxRecorder.h"
#include "RegistryKey.h"
#include "RegistryTestFixture.h"

#include <QDir>
#include <QFileInfo>

using namespace RegistryAccess;

namespace {
constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;
const QString Voice = QStringLiteral("Software\\Larkvane\\Voices\\CereVoice Heather 3.0.8");

QStringList texts(const MessageBoxRecorder &boxes)
{
    QStringList result;
    for (const auto &request : boxes.requests())
        result << request.text;
    return result;
}
} // namespace

class RegistryAccessTest : public RegistryTestFixture
{
};

TEST_F(RegistryAccessTest, OnlyPlainStringValuesReadAndTheyEndAtTheFirstNul)
{
    setRaw(Voice, QStringLiteral("Whole"), {RegistryValue::Sz, QByteArray("Heather")});
    setRaw(Voice, QStringLiteral("Terminated"), {RegistryValue::Sz, QByteArray("Heather\0", 8)});
    setRaw(Voice, QStringLiteral("Embedded"), {RegistryValue::Sz, QByteArray("Heath\0er\0", 9)});
    setRaw(Voice, QStringLiteral("Expand"), {RegistryValue::ExpandSz, QByteArray("%TEMP%\0", 7)});
    setRaw(Voice, QStringLiteral("Dword"), {RegistryValue::Dword, QByteArray("\x09\x04\0\0", 4)});
    setRaw(Voice, QStringLiteral("Multi"), {RegistryValue::MultiSz, QByteArray("a\0b\0\0", 5)});

    EXPECT_EQ(readString(HKLM, Voice, QStringLiteral("whole")), QStringLiteral("Heather"));
    EXPECT_EQ(readString(HKLM, Voice, QStringLiteral("Terminated")), QStringLiteral("Heather"));
    EXPECT_EQ(readString(HKLM, Voice, QStringLiteral("Embedded")), QStringLiteral("Heath"));
    for (const char *name : {"Expand", "Dword", "Multi", "Missing"})
        EXPECT_EQ(readString(HKLM, Voice, QLatin1String(name)), QString()) << name;
    EXPECT_EQ(readString(HKLM, Voice + QStringLiteral("\\Nowhere"), QStringLiteral("Whole")),
              QString());
    // A key that did not open reads as empty too.
    EXPECT_EQ(stringValue(RegistryKey(), QStringLiteral("Whole")), QString());
    EXPECT_EQ(trimAtNull(QStringLiteral("no nul")), QStringLiteral("no nul"));
}

TEST_F(RegistryAccessTest, SetRegStringMakesTheKeysAndStoresTheWholeText)
{
    const QString text = QStringLiteral("Zoë – Ελληνικά 😀");
    writeString(HKLM, Voice + QStringLiteral("\\Attributes"), QStringLiteral("Name"), text);
    writeString(HKLM, Voice, QString(), QStringLiteral("CereVoice Heather"));

    EXPECT_EQ(readString(HKLM, Voice + QStringLiteral("\\Attributes"), QStringLiteral("Name")),
              text);
    EXPECT_EQ(readString(HKLM, Voice, QString()), QStringLiteral("CereVoice Heather"));
    const auto stored = RegistryKey::open(HKLM, Voice).queryValue(QString());
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->type, quint32(RegistryValue::Sz));
    EXPECT_EQ(stored->data, QByteArray("CereVoice Heather"));
}

TEST_F(RegistryAccessTest, EnumSubKeysFillsAOneBasedListAndAppends)
{
    for (const char *name : {"Sarah", "heather", "Kate"})
        RegistryKey::create(HKLM, QStringLiteral("Software\\First\\") + QLatin1String(name));
    for (const char *name : {"Two", "One"})
        RegistryKey::create(HKLM, QStringLiteral("Software\\Second\\") + QLatin1String(name));

    QStringList names{QStringLiteral("left"), QStringLiteral("over")};
    listSubKeys(QStringLiteral("Software\\Missing"), names, false);
    EXPECT_EQ(names, QStringList{QString()});

    names = QStringList{QString(), QStringLiteral("kept")};
    listSubKeys(QStringLiteral("Software\\Missing"), names, true);
    EXPECT_EQ(names, (QStringList{QString(), "kept"}));

    listSubKeys(QStringLiteral("Software\\First"), names, false);
    listSubKeys(QStringLiteral("Software\\Second"), names, true);
    EXPECT_EQ(names, (QStringList{QString(), "heather", "Kate", "Sarah", "One", "Two"}));
}

TEST_F(RegistryAccessTest, DeleteKeyTreeTakesTheKeyAndEverythingBelowSilently)
{
    MessageBoxRecorder boxes;
    writeString(HKLM, QStringLiteral("Software\\A"), QStringLiteral("Keep"), QStringLiteral("1"));
    writeString(HKLM, QStringLiteral("Software\\A\\C"), QString(), QStringLiteral("sibling"));
    for (const char *path : {"B", "B\\Attributes", "B\\x\\y\\z", "B\\x\\w", "B\\Other"})
        writeString(HKLM, QStringLiteral("Software\\A\\") + QLatin1String(path),
                    QStringLiteral("V"), QStringLiteral("v"));

    deleteKeyTree(HKLM, QStringLiteral("Software\\A\\B\\"));

    EXPECT_TRUE(boxes.requests().isEmpty()) << texts(boxes).join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(keyExists(QStringLiteral("Software\\A\\B")));
    QStringList left;
    listSubKeys(QStringLiteral("Software\\A"), left, false);
    EXPECT_EQ(left, (QStringList{QString(), "C"}));
    EXPECT_EQ(readString(HKLM, QStringLiteral("Software\\A"), QStringLiteral("Keep")),
              QStringLiteral("1"));

    // A top-level path is deleted straight under the root.
    writeString(HKLM, QStringLiteral("Top\\Leaf"), QString(), QStringLiteral("x"));
    deleteKeyTree(HKLM, QStringLiteral("Top"));
    EXPECT_FALSE(keyExists(QStringLiteral("Top")));
    EXPECT_TRUE(keyExists(QStringLiteral("Software\\A\\C")));
    EXPECT_TRUE(boxes.requests().isEmpty());
}

TEST_F(RegistryAccessTest, DeletingUnderAMissingParentSaysSoTwiceAndDeletesNothing)
{
    MessageBoxRecorder boxes;
    writeString(HKLM, QStringLiteral("Software\\A\\B"), QString(), QStringLiteral("x"));

    deleteKeyTree(HKLM, QStringLiteral("Software\\Missing\\B"));

    EXPECT_EQ(texts(boxes), (QStringList{QStringLiteral("Error opening key 'Software\\Missing\\B'"),
                                         QStringLiteral("Error opening parent key")}));
    for (const auto &request : boxes.requests()) {
        EXPECT_EQ(request.buttons, MessageBoxService::Ok);
        EXPECT_EQ(request.icon, MessageBoxService::NoIcon);
    }
    EXPECT_TRUE(keyExists(QStringLiteral("Software\\A\\B")));

    boxes.clear();
    deleteSubKeys(HKLM, QStringLiteral("Software\\Nowhere"));
    EXPECT_EQ(texts(boxes), QStringList{QStringLiteral("Error opening key 'Software\\Nowhere'")});
}

TEST_F(RegistryAccessTest, TempDirEndsInASeparatorReadyForAFileName)
{
    const QString folder = temporaryFolder();
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_TRUE(folder.endsWith(QDir::separator()));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(QDir(folder).canonicalPath(), QDir(QDir::tempPath()).canonicalPath());
}
