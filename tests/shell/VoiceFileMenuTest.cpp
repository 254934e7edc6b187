#include "FileDialogService.h"
#include "LayeredRegistryStore.h"
#include "MainWindow.h"
#include "MarkedWords.h"
#include "MessageBoxRecorder.h"
#include "RegistryAccess.h"
#include "RegistryStore.h"
#include "SqliteRegistryStore.h"
#include "TestVoiceFile.h"
#include "VoiceCatalogue.h"
#include "VoiceFileInstaller.h"

#include <QAction>
#include <QComboBox>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace {
const auto HKLM = RegistryRoot::LocalMachine;

// Every key and value under "Software", so that "nothing changed" can be compared.
QStringList registryDump(const QString &path = QStringLiteral("Software"))
{
    QStringList lines;
    const RegistryKey key = RegistryKey::open(HKLM, path);
    if (!key.isOpen())
        return lines;
    for (const QString &value :
         {QString(), QStringLiteral("InstallDir"), QStringLiteral("VoiceFile")})
        if (const QString text = RegistryAccess::readString(HKLM, path, value); !text.isEmpty())
            lines << path + QLatin1Char('=') + text;
    QStringList subKeys;
    RegistryAccess::listSubKeys(path, subKeys, false);
    for (qsizetype i = 1; i < subKeys.size(); ++i)
        lines << registryDump(path + QLatin1Char('\\') + subKeys[i]);
    return lines;
}

QByteArray digest(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

class VoiceFileMenuTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath("data")));
        qputenv("PARLANCE_MACHINE_REGISTRY", QFile::encodeName(m_dir.filePath("machine.sqlite")));
        RegistryStore::setCurrent(nullptr);
        VoiceCatalogue::cereVoices = {CereVoiceEntry()};
        FileDialogService::setHandler([this](const FileDialogService::Request &) {
            return m_answers.isEmpty() ? QString() : m_answers.takeFirst();
        });
    }
    void TearDown() override
    {
        FileDialogService::setHandler({});
        VoiceCatalogue::cereVoices = {CereVoiceEntry()};
        RegistryStore::setCurrent(nullptr);
        qunsetenv("PARLANCE_MACHINE_REGISTRY");
        qputenv("XDG_DATA_HOME", m_oldData);
    }

    QTemporaryDir m_dir;
    QByteArray m_oldData;
    QStringList m_answers;
};
} // namespace

// A voice file added from the menu is listed first, chosen and read with; a damaged one is
// refused by name and leaves the registry as it was; the voice can be removed again.
TEST_F(VoiceFileMenuTest, AddedVoiceFileIsChosenAndReadsDamagedOneIsRefusedAndRemoveUndoes)
{
    const QString good = TestVoiceFile::write(m_dir.filePath("downloads"), "nova");
    ASSERT_FALSE(good.isEmpty());
    const QString broken = m_dir.filePath("downloads/broken.flitevox");
    {
        QFile file(broken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(TestVoiceFile::data().left(TestVoiceFile::data().size() / 2));
    }
    MainWindow w;
    auto *add = w.findChild<QAction *>(QStringLiteral("addVoiceAction"));
    auto *remove = w.findChild<QAction *>(QStringLiteral("removeVoiceAction"));
    ASSERT_TRUE(add && remove);
    const int standardVoices = w.voiceList->count();
    MessageBoxRecorder boxes(MessageBoxService::ResultYes);

    const QStringList before = registryDump();
    m_answers << broken;
    add->trigger();
    ASSERT_EQ(boxes.requests().size(), 1);
    EXPECT_TRUE(boxes.requests()[0].text.contains(QStringLiteral("broken.flitevox")));
    EXPECT_EQ(registryDump(), before);
    EXPECT_EQ(w.voiceList->count(), standardVoices);

    boxes.clear();
    m_answers << good;
    add->trigger();
    EXPECT_TRUE(boxes.requests().isEmpty());
    ASSERT_EQ(w.voiceList->count(), standardVoices + 1);
    EXPECT_EQ(w.voiceList->itemText(0), QStringLiteral("CereVoice nova"));
    EXPECT_EQ(w.voiceList->currentText(), QStringLiteral("CereVoice nova"));
    EXPECT_EQ(w.engineIndex, 1);
    const QString copy = VoiceFileInstaller::voicesFolder() + "/nova/nova.flitevox";
    EXPECT_EQ(
        RegistryAccess::readString(
            HKLM, VoiceCatalogue::PrivateVoicesKey + "CereVoice nova\\Attributes", "VoiceFile"),
        copy);

    const QString text = QStringLiteral("New voices read too");
    QStringList marked;
    ASSERT_NO_FATAL_FAILURE(readCollectingMarks(w, text, &marked));
    // The first word may be marked before the window counts the reading as started.
    const QStringList words{"New", "voices", "read", "too"};
    ASSERT_GE(marked.size(), 3);
    EXPECT_EQ(marked, words.mid(words.size() - marked.size()));

    remove->trigger();
    EXPECT_EQ(w.voiceList->count(), standardVoices);
    EXPECT_EQ(w.engineIndex, 0);
    EXPECT_EQ(w.voiceList->currentText(), w.currentVoice());
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_TRUE(QFileInfo::exists(good));
}

// A machine registry installed for all users stays as it is: the user's additions go into
// a store of their own, and the catalogue reads both.
TEST_F(VoiceFileMenuTest, ReadOnlySystemStoreGetsThePerUserLayer)
{
    const QString systemPath = m_dir.filePath("system.sqlite");
    RegistryStore::setCurrent(std::make_shared<SqliteRegistryStore>(systemPath));
    const QString anna = TestVoiceFile::write(m_dir.filePath("system-voices/anna"), "anna");
    RegistryAccess::writeString(HKLM, VoiceCatalogue::CereProcKey + "CereVoice Engine 3.2.0",
                                "InstallDir", m_dir.filePath("engine"));
    RegistryAccess::writeString(
        HKLM, VoiceCatalogue::PrivateVoicesKey + "CereVoice Anna\\Attributes", "VoiceFile", anna);
    RegistryStore::setCurrent(nullptr);
    const QByteArray systemBytes = digest(systemPath);

    RegistryStore::setCurrent(std::make_shared<LayeredRegistryStore>(
        std::make_shared<SqliteRegistryStore>(systemPath, SqliteRegistryStore::Access::ReadOnly),
        std::make_shared<SqliteRegistryStore>(SqliteRegistryStore::userLayerPath())));
    const VoiceFileInstaller::Outcome added =
        VoiceFileInstaller::add(TestVoiceFile::write(m_dir.filePath("downloads"), "zoe"));
    ASSERT_TRUE(added.added) << added.message.toStdString();

    VoiceCatalogue::loadCereVoices();
    ASSERT_EQ(VoiceCatalogue::cereVoices.size(), 3);
    EXPECT_EQ(VoiceCatalogue::cereVoices[1].tokenKey, QStringLiteral("CereVoice Anna"));
    EXPECT_EQ(VoiceCatalogue::cereVoices[2].tokenKey, QStringLiteral("CereVoice zoe"));
    // The existing engine entry serves the new voice; none was added beside it.
    QStringList engines;
    RegistryAccess::listSubKeys(VoiceCatalogue::CereProcKey.chopped(1), engines, false);
    EXPECT_EQ(engines, (QStringList{QString(), "CereVoice Engine 3.2.0"}));

    QString message;
    EXPECT_FALSE(VoiceFileInstaller::remove("CereVoice Anna", &message));
    EXPECT_TRUE(message.contains(QStringLiteral("all users")));
    EXPECT_TRUE(VoiceFileInstaller::remove("CereVoice zoe"));
    VoiceCatalogue::loadCereVoices();
    EXPECT_EQ(VoiceCatalogue::cereVoices.size(), 2);
    EXPECT_EQ(digest(systemPath), systemBytes);
}
