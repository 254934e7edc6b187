#include "RegFileImporter.h"
#include "RegFileParser.h"
#include "RegFileWriter.h"
#include "RegistryAccess.h"
#include "RegistryKey.h"
#include "RegistrySnapshot.h"
#include "RegistryTestFixture.h"
#include "SqliteRegistryStore.h"

namespace {
constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;
const QString Header = QStringLiteral("Windows Registry Editor Version 5.00\n\n");

// Parses and applies; the error (with its line) when either step fails.
std::optional<RegFileError> import(SqliteRegistryStore &store, const QByteArray &file)
{
    RegFileParser parser(store);
    if (!parser.parse(file))
        return parser.error();
    RegFileImporter importer(store);
    if (!importer.apply(parser.operations()))
        return importer.error();
    return std::nullopt;
}
} // namespace

class RegFileImportTest : public RegistryTestFixture
{
protected:
    void SetUp() override
    {
        RegistryTestFixture::SetUp();
        m_store = std::make_shared<SqliteRegistryStore>(databasePath());
        RegistryStore::setCurrent(m_store);
    }

    // Every kind of value and name that a registry file has to carry.
    void fillWithAwkwardValues()
    {
        const QString key = QStringLiteral("Software\\Larkvane\\Voices\\Zoë [v2]; \"quoted\"");
        const QByteArray binary = QByteArray::fromHex(QByteArray("00ff10").repeated(70));
        const QList<std::pair<QString, RegistryValue>> values = {
            {QString(), {RegistryValue::Sz, "default"}},
            {"Path", {RegistryValue::Sz, "C:\\Voices\\\"zoe\"\\"}},
            {"Empty", {RegistryValue::Sz, {}}},
            {"With NUL", {RegistryValue::Sz, QByteArray("before\0after", 12)}},
            {"Two lines", {RegistryValue::Sz, "one\r\ntwo\n"}},
            {QStringLiteral("Ünïcode \\ \"name\" = ;x"),
             {RegistryValue::Sz, QStringLiteral("𝄞 Straße").toUtf8()}},
            {"Expand", {RegistryValue::ExpandSz, "%TEMP%\\voices"}},
            {"Expand with NUL end", {RegistryValue::ExpandSz, QByteArray("x\0", 2)}},
            {"List", {RegistryValue::MultiSz, QByteArray("one\0two\0\0", 9)}},
            {"Count", {RegistryValue::Dword, QByteArray("\x2a\0\0\x80", 4)}},
            {"Short dword", {RegistryValue::Dword, "\x01\x02\x03"}},
            {"Big", {RegistryValue::Qword, "\x01\x02\x03\x04\x05\x06\x07\x08"}},
            {"Blob", {RegistryValue::Binary, binary}},
            {"No data", {RegistryValue::Binary, {}}},
            {"None", {RegistryValue::None, "\x05"}},
            {"Custom", {0x20000, "\x07\x08"}},
        };
        for (const auto &[name, value] : values)
            setRaw(key, name, value);
        setRaw(QStringLiteral("Software\\Larkvane\\A\\B\\C"), QStringLiteral("Deep"),
               {RegistryValue::Sz, "1"});
        RegistryKey::create(HKLM, QStringLiteral("Software\\Larkvane\\Empty key"));
    }

    std::shared_ptr<SqliteRegistryStore> m_store;
};

TEST_F(RegFileImportTest, ValuesArriveAsTheReaderReadsThem)
{
    const QByteArray file =
        (Header + QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Larkvane\\Voices\\Zoë]\n"
                                 "@=\"Zoë\"\n"
                                 "\"Path\"=\"/opt/voices/zoë\"\n"
                                 "\"Flags\"=dword:00000003\n"))
            .toUtf8();
    EXPECT_FALSE(import(*m_store, file));
    const QString key = QStringLiteral("Software\\Larkvane\\Voices\\Zoë");
    EXPECT_EQ(RegistryAccess::readString(HKLM, key, QString()), QStringLiteral("Zoë"));
    EXPECT_EQ(RegistryAccess::readString(HKLM, key, "path"), QStringLiteral("/opt/voices/zoë"));
    // Not a string: the reader sees nothing, the value is still there with its type.
    EXPECT_EQ(RegistryAccess::readString(HKLM, key, "Flags"), QString());
    EXPECT_EQ(RegistryKey::open(HKLM, key).queryValue("Flags"),
              (RegistryValue{RegistryValue::Dword, QByteArray("\x03\0\0\0", 4)}));
}

TEST_F(RegFileImportTest, DeletionsTakeWholeTreesAndSingleValues)
{
    setRaw("Software\\Old\\Sub\\Deeper", "x", {RegistryValue::Sz, "1"});
    setRaw("Software\\Old\\Sub2", "x", {RegistryValue::Sz, "1"});
    setRaw("Software\\Old", "y", {RegistryValue::Sz, "1"});
    setRaw("Software\\Keep", QString(), {RegistryValue::Sz, "default"});
    setRaw("Software\\Keep", "Drop", {RegistryValue::Dword, QByteArray(4, 0)});
    setRaw("Software\\Keep", "Stay", {RegistryValue::Sz, "1"});

    const QByteArray file = (Header + QStringLiteral("[-HKEY_LOCAL_MACHINE\\software\\OLD]\n"
                                                     "[-HKEY_LOCAL_MACHINE\\Software\\Never]\n"
                                                     "[HKEY_LOCAL_MACHINE\\Software\\Keep]\n"
                                                     "\"drop\"=-\n"
                                                     "@=-\n"
                                                     "\"Never there\"=-\n"))
                                .toUtf8();
    const auto error = import(*m_store, file);
    EXPECT_FALSE(error) << error->toString().toStdString();
    EXPECT_EQ(registrySnapshot(*m_store),
              (QStringList{"[]", "[Software]", "[Software\\Keep]", "Stay = 1: 31"}));
}

TEST_F(RegFileImportTest, AFileThatFailsChangesNothing)
{
    fillWithAwkwardValues();
    const QStringList before = registrySnapshot(*m_store);
    const QString goodLines = QStringLiteral("[-HKEY_LOCAL_MACHINE\\Software\\Larkvane\\A]\n"
                                             "[HKEY_LOCAL_MACHINE\\Software\\New\\Key]\n"
                                             "\"Value\"=\"1\"\n"
                                             "[HKEY_LOCAL_MACHINE\\Software\\Larkvane\\Voices]\n"
                                             "@=\"changed\"\n");

    // A mistake in the text, found before anything is written.
    auto error = import(*m_store, (Header + goodLines + "\"Bad\"=dword:xyz\n").toUtf8());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->line, 8);
    EXPECT_EQ(registrySnapshot(*m_store), before);

    // A change that the database itself refuses (a value name beyond the registry's limit)
    // after the good ones: they are rolled back with it.
    const QString tooLong = QString(16384, QLatin1Char('n'));
    error = import(*m_store,
                   (Header + goodLines + "\"ok\"=\"1\"\n\"" + tooLong + "\"=\"1\"\n").toUtf8());
    ASSERT_TRUE(error);
    EXPECT_EQ(error->line, 9);
    EXPECT_TRUE(error->message.contains(QLatin1String("cannot write")))
        << error->toString().toStdString();
    EXPECT_EQ(registrySnapshot(*m_store), before);

    // The good lines alone do go in.
    EXPECT_FALSE(import(*m_store, (Header + goodLines).toUtf8()));
    EXPECT_NE(registrySnapshot(*m_store), before);
    EXPECT_FALSE(keyExists("Software\\Larkvane\\A"));
    EXPECT_TRUE(valueExists("Software\\New\\Key", "Value"));
}

TEST_F(RegFileImportTest, ExportThenImportGivesTheSameRegistry)
{
    fillWithAwkwardValues();
    const QStringList original = registrySnapshot(*m_store);
    RegFileWriter writer(*m_store);
    ASSERT_TRUE(writer.write(QString())) << writer.error().toStdString();
    EXPECT_TRUE(writer.warnings().isEmpty());
    const QString text = writer.text();
    for (const QString &line : text.split(QLatin1Char('\n')))
        EXPECT_LE(line.size(), 80) << line.toStdString();

    const QList<QByteArray> files = {RegFileWriter::toUtf16File(text), RegFileWriter::toUtf8(text)};
    for (const QByteArray &file : files) {
        SqliteRegistryStore copy(tempPath(QStringLiteral("copy-%1.sqlite").arg(file.size())));
        const auto error = import(copy, file);
        ASSERT_FALSE(error) << error->toString().toStdString();
        EXPECT_EQ(registrySnapshot(copy), original);
    }
    // Importing its own export into the registry changes nothing.
    ASSERT_FALSE(import(*m_store, RegFileWriter::toUtf16File(text)));
    EXPECT_EQ(registrySnapshot(*m_store), original);

    // One key exports with what is below it and nothing else.
    ASSERT_TRUE(writer.write(QStringLiteral("software\\larkvane\\a")));
    EXPECT_EQ(writer.text(),
              Header + QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Larkvane\\A]\n\n"
                                      "[HKEY_LOCAL_MACHINE\\Software\\Larkvane\\A\\B]\n\n"
                                      "[HKEY_LOCAL_MACHINE\\Software\\Larkvane\\A\\B\\C]\n"
                                      "\"Deep\"=\"1\"\n\n"));
    EXPECT_FALSE(writer.write(QStringLiteral("Software\\Missing")));
}

TEST_F(RegFileImportTest, WhatAFileCannotCarryIsNotWrittenSilently)
{
    // A line break in a name would end its line early and turn the rest into other keys.
    setRaw("Software\\X", "two\nlines", {RegistryValue::Sz, "1"});
    RegFileWriter writer(*m_store);
    EXPECT_FALSE(writer.write("Software"));
    EXPECT_TRUE(writer.error().contains(QLatin1String("line break")));

    // String data that is not text goes out with replacement characters, and says so.
    setRaw("Software\\Y", "Broken", {RegistryValue::Sz, "caf\xe9"});
    ASSERT_TRUE(writer.write("Software\\Y"));
    ASSERT_EQ(writer.warnings().size(), 1);
    EXPECT_TRUE(writer.warnings().at(0).contains(QLatin1String("Broken")));
}
