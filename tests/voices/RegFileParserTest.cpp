#include "RegFileParser.h"
#include "RegistryStore.h"
#include "RegistryTestFixture.h"

#include <QStringEncoder>

namespace {
using Op = RegFileOperation;

QByteArray utf16Le(const QString &text)
{
    QStringEncoder encoder(QStringEncoder::Utf16LE);
    return encoder(text);
}

// As the registry editor saves: byte-order mark, UTF-16LE, CRLF.
QByteArray asSavedByTheEditor(const QString &text)
{
    QString crlf = text;
    crlf.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return QByteArray("\xff\xfe") + utf16Le(crlf);
}

QString describe(const Op &op)
{
    static const char *const kinds[] = {"create", "delete-key", "set", "delete-value"};
    return QStringLiteral("%1 %2 [%3] \"%4\" %5:%6")
        .arg(op.line)
        .arg(QLatin1String(kinds[op.kind]), op.keyPath, op.valueName)
        .arg(op.value.type)
        .arg(QString::fromLatin1(op.value.data.toHex(' ')));
}

QStringList describe(const QList<Op> &ops)
{
    QStringList lines;
    for (const Op &op : ops)
        lines.append(describe(op));
    return lines;
}

QByteArray dword(quint32 n)
{
    QByteArray bytes;
    for (int i = 0; i < 4; ++i)
        bytes.append(char(n >> (8 * i)));
    return bytes;
}
} // namespace

class RegFileParserTest : public RegistryTestFixture
{
protected:
    std::optional<QList<Op>> parse(const QByteArray &file)
    {
        RegFileParser parser(*RegistryStore::current());
        if (!parser.parse(file)) {
            m_error = parser.error();
            EXPECT_TRUE(parser.operations().isEmpty());
            return std::nullopt;
        }
        return parser.operations();
    }
    RegFileError m_error;
};

TEST_F(RegFileParserTest, ReadsEveryKindOfLine)
{
    const QString file =
        QStringLiteral("Windows Registry Editor Version 5.00\n"
                       "\n"
                       "; a comment\n"
                       "[HKEY_LOCAL_MACHINE\\Software\\Larkvane\\Voices\\Zoë]\n"
                       "@=\"Zoë \\\"the voice\\\"\"\n"
                       "\"Path\" = \"C:\\\\Voices\\\\zoe;1\" ; comment after a value\n"
                       "\"Count\"=dword:0000002A\n"
                       "\"Small\"=dword:7\n"
                       "\"Blob\"=hex:de,ad,\\\n"
                       "  be,\\\n"
                       "; a comment inside the value\n"
                       "  ef\n"
                       "\"Empty\"=hex:\n"
                       "\"Expand\"=hex(2):25,00,54,00,4d,00,50,00,25,00,00,00\n"
                       "\"List\"=hex(7):61,00,00,00,62,00,00,00,00,00\n"
                       "\"Big\"=hex(b):01,02,03,04,05,06,07,08\n"
                       "\"Odd\"=HEX(20000):ff\n"
                       "\"Gone\"=-\n"
                       "@=-\n"
                       "[-HKLM\\Software\\Old\\]\n"
                       "[hklm]\n");

    const auto ops = parse(file.toUtf8());
    ASSERT_TRUE(ops) << m_error.toString().toStdString();
    const QString key = QStringLiteral("Software\\Larkvane\\Voices\\Zoë");
    const QList<Op> expected = {
        {Op::CreateKey, 4, key, {}, {}},
        {Op::SetValue,
         5,
         key,
         {},
         {RegistryValue::Sz, QStringLiteral("Zoë \"the voice\"").toUtf8()}},
        {Op::SetValue, 6, key, "Path", {RegistryValue::Sz, "C:\\Voices\\zoe;1"}},
        {Op::SetValue, 7, key, "Count", {RegistryValue::Dword, dword(42)}},
        {Op::SetValue, 8, key, "Small", {RegistryValue::Dword, dword(7)}},
        {Op::SetValue, 9, key, "Blob", {RegistryValue::Binary, "\xde\xad\xbe\xef"}},
        {Op::SetValue, 13, key, "Empty", {RegistryValue::Binary, {}}},
        // The store keeps strings in its own layout, without the terminating NUL...
        {Op::SetValue, 14, key, "Expand", {RegistryValue::ExpandSz, "%TMP%"}},
        // ...but a list keeps the NULs that separate and end its strings.
        {Op::SetValue, 15, key, "List", {RegistryValue::MultiSz, QByteArray("a\0b\0\0", 5)}},
        {Op::SetValue, 16, key, "Big", {RegistryValue::Qword, "\x01\x02\x03\x04\x05\x06\x07\x08"}},
        {Op::SetValue, 17, key, "Odd", {0x20000, "\xff"}},
        {Op::DeleteValue, 18, key, "Gone", {}},
        {Op::DeleteValue, 19, key, {}, {}},
        {Op::DeleteKey, 20, "Software\\Old", {}, {}},
        {Op::CreateKey, 21, {}, {}, {}},
    };
    EXPECT_EQ(describe(*ops), describe(expected));
}

TEST_F(RegFileParserTest, EveryEncodingGivesTheSameChanges)
{
    const QString text = QStringLiteral("Windows Registry Editor Version 5.00\n"
                                        "\n"
                                        "[HKEY_LOCAL_MACHINE\\Software\\日本\\Zoë]\n"
                                        "\"Näme\"=\"Straße 𝄞\"\n"
                                        "\"Expand\"=hex(2):7a,00,eb,00,00,00\n"
                                        "\"Blob\"=hex:00,\\\n"
                                        "  ff\n");
    const auto reference = parse(text.toUtf8());
    ASSERT_TRUE(reference) << m_error.toString().toStdString();
    ASSERT_EQ(reference->size(), 4);
    EXPECT_EQ(reference->at(1).value.data, QStringLiteral("Straße 𝄞").toUtf8());
    EXPECT_EQ(reference->at(2).value.data, QStringLiteral("zë").toUtf8());

    QString crlf = text;
    crlf.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    const QList<QByteArray> encodings = {
        asSavedByTheEditor(text),
        utf16Le(crlf),                              // lost its byte-order mark
        QByteArray("\xef\xbb\xbf") + text.toUtf8(), // UTF-8 with a byte-order mark
        crlf.toUtf8(),                              // UTF-8 with CRLF
        QByteArray("\xfe\xff") + QStringEncoder(QStringEncoder::Utf16BE)(text),
    };
    for (const QByteArray &file : encodings) {
        const auto ops = parse(file);
        ASSERT_TRUE(ops) << m_error.toString().toStdString();
        EXPECT_EQ(describe(*ops), describe(*reference)) << file.left(8).toHex().toStdString();
    }
}

TEST_F(RegFileParserTest, OldFormatKeepsItsTextInTheAnsiCodePage)
{
    // Latin-1 é (0xe9) in a string, and expanded text as single bytes, not UTF-16.
    const QByteArray file = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\X]\r\n"
                            "\"Name\"=\"caf\xe9\"\r\n"
                            "\"Expand\"=hex(2):25,54,4d,50,25,00\r\n";
    const auto ops = parse(file);
    ASSERT_TRUE(ops) << m_error.toString().toStdString();
    ASSERT_EQ(ops->size(), 3);
    EXPECT_EQ(ops->at(1).value.data, QStringLiteral("café").toUtf8());
    EXPECT_EQ(ops->at(2).value, (RegistryValue{RegistryValue::ExpandSz, "%TMP%"}));

    // The same file in UTF-8, as it is mostly written today.
    const auto utf8 =
        parse(QStringLiteral("REGEDIT4\n[HKLM\\Software\\X]\n\"Name\"=\"café\"\n").toUtf8());
    ASSERT_TRUE(utf8);
    EXPECT_EQ(utf8->at(1).value.data, QStringLiteral("café").toUtf8());
}

TEST_F(RegFileParserTest, AMistakeIsReportedWithItsLine)
{
    const QString header = QStringLiteral("Windows Registry Editor Version 5.00\n\n");
    const QString key = QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\X]\n\"Good\"=\"1\"\n");
    struct Case
    {
        QString text;
        int line;
        const char *says;
    };
    const QList<Case> cases = {
        {QStringLiteral("REGEDIT5\n") + key, 1, "first line must be"},
        {header + QStringLiteral("\"Early\"=\"1\"\n"), 3, "before the first key"},
        {header + key + QStringLiteral("\"Path\"=\"C:\\Voices\"\n"), 5, "unknown escape"},
        {header + key + QStringLiteral("\"Open\"=\"text\n"), 5, "no closing quote"},
        {header + key + QStringLiteral("\"Open=\"text\"\n"), 5, "expected \"=\""},
        {header + key + QStringLiteral("\"N\"=\"t\" junk\n"), 5, "after the closing quote"},
        {header + key + QStringLiteral("\"N\"=dword:123456789\n"), 5, "1 to 8 hex digits"},
        {header + key + QStringLiteral("\"N\"=hex:01,\\\n  02,\\\n  0g\n"), 7, "not a hex byte"},
        {header + key + QStringLiteral("\"N\"=hex:01,,02\n"), 5, "not a hex byte"},
        {header + key + QStringLiteral("\"N\"=hex:01,\\"), 5, "past the end of the file"},
        {header + key + QStringLiteral("\"N\"=hex(2):41,00,\\\n  42\n"), 5, "even number"},
        {header + key + QStringLiteral("\"N\"=str:\"x\"\n"), 5, "unknown value data"},
        {header + key + QStringLiteral("[HKEY_CURRENT_USER\\Software]\n"), 5,
         "HKEY_LOCAL_MACHINE only"},
        {header + key + QStringLiteral("[HKEY_LOCAL\\Software]\n"), 5, "not a root key"},
        {header + key + QStringLiteral("[HKLM\\Software\\\\X]\n"), 5, "empty key name"},
        {header + key + QStringLiteral("[HKLM\\") + QString(256, 'k') + "]\n", 5, "255"},
        {header + key + QStringLiteral("[HKLM\\") +
             QStringList(10000, QStringLiteral("k")).join('\\') + "]\n",
         5, "10000 levels deep"},
        {header + key + QStringLiteral("[HKLM\\Software\n"), 5, "must end with"},
        {header + key + QStringLiteral("[-HKEY_LOCAL_MACHINE]\n"), 5, "root key cannot"},
        {header + QStringLiteral("[-HKLM\\Software\\X]\n\"N\"=\"1\"\n"), 4, "the file deletes"},
        {header + key + QStringLiteral("Software=1\n"), 5, "expected a key"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_FALSE(parse(c.text.toUtf8()));
        EXPECT_EQ(m_error.line, c.line) << m_error.toString().toStdString();
        EXPECT_TRUE(m_error.message.contains(QLatin1String(c.says)))
            << m_error.toString().toStdString();
        // A long name is never echoed whole.
        EXPECT_LT(m_error.message.size(), 200);
        // The same file saved by the registry editor fails on the same line.
        EXPECT_FALSE(parse(asSavedByTheEditor(c.text)));
        EXPECT_EQ(m_error.line, c.line);
    }

    // Bytes that are neither UTF-8 nor UTF-16, on line 5 of a version 5.00 file.
    EXPECT_FALSE(parse((header + key).toUtf8() + "\"N\"=\"caf\xe9\"\n"));
    EXPECT_EQ(m_error.line, 5);
    EXPECT_FALSE(parse(QByteArray("\xff\xfe") + utf16Le(header + key) + "A"));
    EXPECT_TRUE(m_error.message.contains(QLatin1String("UTF-16")));
}
