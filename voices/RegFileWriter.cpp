#include "RegFileWriter.h"

#include <QStringEncoder>

namespace {
constexpr int MaxLineLength = 80;

QString fullName(const QString &keyPath)
{
    return keyPath.isEmpty() ? QStringLiteral("HKEY_LOCAL_MACHINE")
                             : QStringLiteral("HKEY_LOCAL_MACHINE\\") + keyPath;
}

bool hasLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

QString quoted(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QByteArray utf16(const QString &text)
{
    QStringEncoder encoder(QStringEncoder::Utf16LE);
    return encoder(text);
}
} // namespace

RegFileWriter::RegFileWriter(RegistryStore &store) : m_store(store) {}

bool RegFileWriter::write(const QString &keyPath)
{
    m_lines = {QStringLiteral("Windows Registry Editor Version 5.00"), QString()};
    m_error.clear();
    m_warnings.clear();
    const auto key = m_store.openKey(RegistryRoot::LocalMachine, keyPath);
    if (!key) {
        m_error = QStringLiteral("no such key: %1").arg(fullName(keyPath));
        return false;
    }
    const bool ok = writeKey(*key, storedSpelling(keyPath));
    m_store.closeKey(*key);
    return ok;
}

QString RegFileWriter::storedSpelling(const QString &keyPath)
{
    QString path;
    QString parentPath;
    const QString trimmed = keyPath.endsWith(QLatin1Char('\\')) ? keyPath.chopped(1) : keyPath;
    if (trimmed.isEmpty())
        return QString();
    for (const QString &segment : trimmed.split(QLatin1Char('\\'))) {
        QString spelling = segment;
        if (const auto parent = m_store.openKey(RegistryRoot::LocalMachine, parentPath)) {
            for (int i = 0;; ++i) {
                const auto name = m_store.enumKey(*parent, i);
                if (!name)
                    break;
                if (name->compare(segment, Qt::CaseInsensitive) == 0) {
                    spelling = *name;
                    break;
                }
            }
            m_store.closeKey(*parent);
        }
        path = path.isEmpty() ? spelling : path + QLatin1Char('\\') + spelling;
        parentPath = path;
    }
    return path;
}

QString RegFileWriter::text() const
{
    return m_lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

bool RegFileWriter::writeKey(RegistryStore::Handle key, const QString &keyPath)
{
    if (hasLineBreak(keyPath)) {
        m_error = QStringLiteral("the key name %1 holds a line break").arg(quoted(keyPath));
        return false;
    }
    m_lines.append(QLatin1Char('[') + fullName(keyPath) + QLatin1Char(']'));
    // The default value first, where the registry editor puts it.
    if (const auto value = m_store.queryValue(key, QString()))
        writeValue(keyPath, QString(), *value);
    for (int i = 0;; ++i) {
        const auto name = m_store.enumValue(key, i);
        if (!name)
            break;
        if (name->isEmpty())
            continue;
        const auto value = m_store.queryValue(key, *name);
        if (value && !writeValue(keyPath, *name, *value))
            return false;
    }
    m_lines.append(QString());

    QStringList names;
    for (int i = 0;; ++i) {
        const auto name = m_store.enumKey(key, i);
        if (!name)
            break;
        names.append(*name);
    }
    for (const QString &name : names) {
        const QString path = keyPath.isEmpty() ? name : keyPath + QLatin1Char('\\') + name;
        // A key that another process deleted meanwhile is simply no longer there.
        const auto subKey = m_store.openKey(RegistryRoot::LocalMachine, path);
        if (!subKey)
            continue;
        const bool ok = writeKey(*subKey, path);
        m_store.closeKey(*subKey);
        if (!ok)
            return false;
    }
    return true;
}

QString RegFileWriter::textOf(const QString &keyPath, const QString &name, const QByteArray &data)
{
    const QString text = m_store.decodeString(data);
    if (m_store.encodeString(text) != data)
        m_warnings.append(QStringLiteral("%1 of %2 is not valid text; it was written with "
                                         "replacement characters")
                              .arg(name.isEmpty() ? QStringLiteral("the default value")
                                                  : QStringLiteral("the value ") + quoted(name),
                                   fullName(keyPath)));
    return text;
}

bool RegFileWriter::writeValue(const QString &keyPath, const QString &name,
                               const RegistryValue &value)
{
    if (hasLineBreak(name)) {
        m_error = QStringLiteral("the value name %1 of %2 holds a line break")
                      .arg(quoted(name), fullName(keyPath));
        return false;
    }
    const QString prefix = (name.isEmpty() ? QStringLiteral("@") : quoted(name)) + QLatin1Char('=');
    const QChar nul(u'\0');
    switch (value.type) {
    case RegistryValue::Sz: {
        const QString text = textOf(keyPath, name, value.data);
        if (!text.contains(nul) && !hasLineBreak(text))
            m_lines.append(prefix + quoted(text));
        else
            appendHex(prefix + QStringLiteral("hex(1):"), utf16(text + nul));
        break;
    }
    case RegistryValue::ExpandSz:
        appendHex(prefix + QStringLiteral("hex(2):"),
                  utf16(textOf(keyPath, name, value.data) + nul));
        break;
    case RegistryValue::MultiSz:
        appendHex(prefix + QStringLiteral("hex(7):"), utf16(textOf(keyPath, name, value.data)));
        break;
    case RegistryValue::Dword:
        if (value.data.size() == 4) {
            quint32 number = 0;
            for (int i = 3; i >= 0; --i)
                number = number << 8 | quint8(value.data.at(i));
            m_lines.append(prefix +
                           QStringLiteral("dword:%1").arg(number, 8, 16, QLatin1Char('0')));
        } else {
            appendHex(prefix + QStringLiteral("hex(4):"), value.data);
        }
        break;
    case RegistryValue::Binary:
        appendHex(prefix + QStringLiteral("hex:"), value.data);
        break;
    default:
        appendHex(prefix + QStringLiteral("hex(%1):").arg(value.type, 0, 16), value.data);
        break;
    }
    return true;
}

void RegFileWriter::appendHex(const QString &prefix, const QByteArray &bytes)
{
    QString line = prefix;
    bool lineHasBytes = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        QString piece = QStringLiteral("%1").arg(quint8(bytes.at(i)), 2, 16, QLatin1Char('0'));
        if (i + 1 < bytes.size())
            piece += QLatin1Char(',');
        // Room for the piece and the continuation backslash.
        if (lineHasBytes && line.size() + piece.size() + 1 > MaxLineLength) {
            m_lines.append(line + QLatin1Char('\\'));
            line = QStringLiteral("  ");
        }
        line += piece;
        lineHasBytes = true;
    }
    m_lines.append(line);
}

QByteArray RegFileWriter::toUtf16File(const QString &text)
{
    QString lines = text;
    lines.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return QByteArray("\xff\xfe", 2) + utf16(lines);
}

QByteArray RegFileWriter::toUtf8(const QString &text)
{
    return text.toUtf8();
}
