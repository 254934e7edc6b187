#include "RegistryTool.h"

#include "RegFileImporter.h"
#include "RegFileParser.h"
#include "RegFileWriter.h"
#include "SqliteRegistryStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
const QString ProgramName = QStringLiteral("parlance-registry");

QString typeName(quint32 type)
{
    static const char *const names[] = {"REG_NONE",
                                        "REG_SZ",
                                        "REG_EXPAND_SZ",
                                        "REG_BINARY",
                                        "REG_DWORD",
                                        "REG_DWORD_BIG_ENDIAN",
                                        "REG_LINK",
                                        "REG_MULTI_SZ",
                                        "REG_RESOURCE_LIST",
                                        "REG_FULL_RESOURCE_DESCRIPTOR",
                                        "REG_RESOURCE_REQUIREMENTS_LIST",
                                        "REG_QWORD"};
    if (type < std::size(names))
        return QLatin1String(names[type]);
    return QStringLiteral("type 0x%1").arg(type, 0, 16);
}

// Text for a terminal: quoted, with the characters that would garble a line made visible.
QString shownText(const QString &text)
{
    QString shown = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            shown += QLatin1Char('\\') + c;
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown + QLatin1Char('"');
}

quint64 littleEndian(const QByteArray &data)
{
    quint64 number = 0;
    for (qsizetype i = data.size() - 1; i >= 0; --i)
        number = number << 8 | quint8(data.at(i));
    return number;
}
} // namespace

RegistryTool::RegistryTool(QIODevice &out, QIODevice &err) : m_out(out), m_err(err) {}

QString RegistryTool::usage()
{
    return QStringLiteral(
        "Usage: parlance-registry [--registry PATH] COMMAND ...\n"
        "\n"
        "Sets up the machine registry (HKEY_LOCAL_MACHINE) that Parlance reads its voices\n"
        "from.\n"
        "\n"
        "Commands:\n"
        "  import FILE         apply a registry file (\"-\" reads standard input); a file\n"
        "                      with a mistake changes nothing\n"
        "  export KEY [FILE]   write KEY and everything below it as a registry file;\n"
        "                      to FILE in UTF-16 with a byte-order mark, as the registry\n"
        "                      editor saves, else to standard output in UTF-8\n"
        "  list KEY            show the sub-keys and values of KEY\n"
        "\n"
        "KEY is written as in registry files: HKEY_LOCAL_MACHINE\\Software\\... (or HKLM\\...).\n"
        "Registry files are read in the \"Windows Registry Editor Version 5.00\" format\n"
        "(UTF-16 or UTF-8) and the \"REGEDIT4\" format.\n"
        "\n"
        "Options:\n"
        "  --registry PATH     the registry database; default: $PARLANCE_MACHINE_REGISTRY,\n"
        "                      else ~/.local/share/parlance/machine-registry.sqlite\n"
        "  -h, --help          show this text\n"
        "\n"
        "Exit status: 0 on success, 1 when the command failed, 2 for a wrong command line.\n");
}

void RegistryTool::print(QIODevice &device, const QString &text)
{
    device.write(text.toUtf8());
}

int RegistryTool::fail(const QString &message)
{
    print(m_err, ProgramName + QStringLiteral(": ") + message + QLatin1Char('\n'));
    return Failure;
}

int RegistryTool::usageError(const QString &message)
{
    print(m_err, ProgramName + QStringLiteral(": ") + message + QStringLiteral("\n\n") + usage());
    return UsageError;
}

int RegistryTool::run(const QStringList &arguments)
{
    QStringList words;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (optionsEnded || argument == QLatin1String("-") ||
            !argument.startsWith(QLatin1Char('-'))) {
            words.append(argument);
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            print(m_out, usage());
            return Success;
        } else if (argument == QLatin1String("--registry")) {
            if (++i == arguments.size() || arguments.at(i).isEmpty())
                return usageError(QStringLiteral("--registry needs a database path"));
            m_database = arguments.at(i);
        } else if (argument.startsWith(QLatin1String("--registry="))) {
            m_database = argument.mid(11);
            if (m_database.isEmpty())
                return usageError(QStringLiteral("--registry needs a database path"));
        } else {
            return usageError(QStringLiteral("unknown option \"%1\"").arg(argument));
        }
    }

    if (words.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString command = words.takeFirst();
    if (command == QLatin1String("import")) {
        if (words.size() != 1)
            return usageError(QStringLiteral("import takes one FILE"));
    } else if (command == QLatin1String("export")) {
        if (words.size() != 1 && words.size() != 2)
            return usageError(QStringLiteral("export takes a KEY and at most one FILE"));
    } else if (command == QLatin1String("list")) {
        if (words.size() != 1)
            return usageError(QStringLiteral("list takes one KEY"));
    } else {
        return usageError(QStringLiteral("unknown command \"%1\"").arg(command));
    }

    if (m_database.isEmpty())
        m_database = SqliteRegistryStore::defaultPath();
    if (m_database.isEmpty())
        return fail(QStringLiteral("no registry database: set PARLANCE_MACHINE_REGISTRY or "
                                   "give --registry PATH"));

    if (command == QLatin1String("import"))
        return importFile(words.at(0));
    if (command == QLatin1String("export"))
        return exportKey(words.at(0), words.value(1));
    return listKey(words.at(0));
}

std::optional<QString> RegistryTool::keyPath(const QString &keyName)
{
    QString problem;
    const auto path = RegFileParser::machineKeyPath(keyName, &problem);
    if (!path)
        fail(problem);
    return path;
}

bool RegistryTool::databaseExists()
{
    // Reading never creates the database; a missing one is more likely a wrong path than
    // an empty registry, so say so instead of listing nothing.
    if (QFileInfo::exists(m_database))
        return true;
    fail(QStringLiteral("there is no registry database \"%1\" (nothing was imported into it "
                        "yet)")
             .arg(m_database));
    return false;
}

QString RegistryTool::damage(SqliteRegistryStore &store) const
{
    const QString problem = store.diagnose();
    if (problem.isEmpty())
        return {};
    return QStringLiteral("the registry database \"%1\" is damaged or not a registry: %2")
        .arg(m_database, problem);
}

int RegistryTool::importFile(const QString &file)
{
    const bool fromStdin = file == QLatin1String("-");
    const QString label = fromStdin ? QStringLiteral("standard input") : file;
    QFile input;
    bool opened = false;
    if (fromStdin) {
        opened = input.open(stdin, QIODevice::ReadOnly);
    } else {
        input.setFileName(file);
        opened = input.open(QIODevice::ReadOnly);
    }
    if (!opened)
        return fail(QStringLiteral("cannot read \"%1\": %2").arg(label, input.errorString()));
    const QByteArray contents = input.readAll();

    SqliteRegistryStore store(m_database);
    RegFileParser parser(store);
    if (!parser.parse(contents))
        return fail(
            QStringLiteral("%1: %2. Nothing was imported.").arg(label, parser.error().toString()));
    RegFileImporter importer(store);
    if (!importer.apply(parser.operations()))
        return fail(QStringLiteral("%1: %2. Nothing was imported.")
                        .arg(label, importer.error().toString()));
    print(m_out, QStringLiteral("Imported %1 into \"%2\".\n").arg(label, m_database));
    return Success;
}

int RegistryTool::exportKey(const QString &keyName, const QString &file)
{
    const auto path = keyPath(keyName);
    if (!path)
        return Failure;
    if (!databaseExists())
        return Failure;
    SqliteRegistryStore store(m_database, SqliteRegistryStore::Access::ReadOnly);
    RegFileWriter writer(store);
    if (!writer.write(*path)) {
        if (const QString problem = damage(store); !problem.isEmpty())
            return fail(problem);
        return fail(writer.error());
    }
    for (const QString &warning : writer.warnings())
        print(m_err, ProgramName + QStringLiteral(": warning: ") + warning + QLatin1Char('\n'));

    if (file.isEmpty()) {
        m_out.write(RegFileWriter::toUtf8(writer.text()));
        return Success;
    }
    // Written aside and renamed into place: a failed export never leaves half a file.
    QSaveFile output(file);
    if (!output.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write \"%1\": %2").arg(file, output.errorString()));
    output.write(RegFileWriter::toUtf16File(writer.text()));
    if (!output.commit())
        return fail(QStringLiteral("cannot write \"%1\": %2").arg(file, output.errorString()));
    return Success;
}

int RegistryTool::listKey(const QString &keyName)
{
    const auto path = keyPath(keyName);
    if (!path)
        return Failure;
    if (!databaseExists())
        return Failure;
    SqliteRegistryStore store(m_database, SqliteRegistryStore::Access::ReadOnly);
    const auto key = store.openKey(RegistryRoot::LocalMachine, *path);
    const QString stored = key ? RegFileWriter(store).storedSpelling(*path) : *path;
    const QString fullName = stored.isEmpty() ? QStringLiteral("HKEY_LOCAL_MACHINE")
                                              : QStringLiteral("HKEY_LOCAL_MACHINE\\") + stored;
    if (!key) {
        // A damaged file reads as an empty registry to the reader; here it must not pass
        // for a missing key.
        if (const QString problem = damage(store); !problem.isEmpty())
            return fail(problem);
        return fail(QStringLiteral("no such key: %1").arg(fullName));
    }

    QString text = fullName + QLatin1Char('\n');
    QStringList subKeys;
    for (int i = 0;; ++i) {
        const auto name = store.enumKey(*key, i);
        if (!name)
            break;
        subKeys.append(QStringLiteral("  ") + *name);
    }
    text += QStringLiteral("Sub-keys: %1\n").arg(subKeys.size());
    for (const QString &line : subKeys)
        text += line + QLatin1Char('\n');

    QStringList values;
    for (int i = 0;; ++i) {
        const auto name = store.enumValue(*key, i);
        if (!name)
            break;
        const auto value = store.queryValue(*key, *name);
        if (!value)
            continue;
        const QString shownName = name->isEmpty() ? QStringLiteral("@") : shownText(*name);
        const QString line = QStringLiteral("  %1  %2  %3")
                                 .arg(shownName, typeName(value->type), describe(store, *value));
        // The default value first, as in a registry file.
        if (name->isEmpty())
            values.prepend(line);
        else
            values.append(line);
    }
    text += QStringLiteral("Values: %1\n").arg(values.size());
    for (const QString &line : values)
        text += line + QLatin1Char('\n');
    store.closeKey(*key);
    print(m_out, text);
    return Success;
}

QString RegistryTool::describe(const RegistryStore &store, const RegistryValue &value) const
{
    const QByteArray &data = value.data;
    switch (value.type) {
    case RegistryValue::Sz:
    case RegistryValue::ExpandSz:
        return shownText(store.decodeString(data));
    case RegistryValue::MultiSz: {
        QStringList items = store.decodeString(data).split(QChar(u'\0'));
        while (!items.isEmpty() && items.last().isEmpty())
            items.removeLast();
        for (QString &item : items)
            item = shownText(item);
        return items.join(QStringLiteral(", "));
    }
    case RegistryValue::Dword:
    case RegistryValue::Qword:
        if (data.size() == (value.type == RegistryValue::Dword ? 4 : 8)) {
            const quint64 number = littleEndian(data);
            return QStringLiteral("0x%1 (%2)")
                .arg(number, int(data.size()) * 2, 16, QLatin1Char('0'))
                .arg(number);
        }
        break;
    default:
        break;
    }
    if (data.isEmpty())
        return QStringLiteral("(no data)");
    return QString::fromLatin1(data.toHex(' '));
}
