#include "RegFileParser.h"

#include "RegistryStore.h"

#include <QStringDecoder>

namespace {
const QString Version5Header = QStringLiteral("Windows Registry Editor Version 5.00");
const QString Regedit4Header = QStringLiteral("REGEDIT4");

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// 1 to `maxDigits` hex digits and nothing else.
std::optional<quint32> parseHexNumber(const QString &text, int maxDigits)
{
    if (text.isEmpty() || text.size() > maxDigits)
        return std::nullopt;
    quint32 number = 0;
    for (const QChar c : text) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return std::nullopt;
        number = number << 4 | quint32(digit);
    }
    return number;
}

// Only blanks or a comment from `pos` to the end of the line.
bool onlyCommentFrom(const QString &line, qsizetype pos)
{
    while (pos < line.size() && line.at(pos).isSpace())
        ++pos;
    return pos == line.size() || line.at(pos) == QLatin1Char(';');
}

// A quoted name or text starting at `pos` (on the opening quote); `pos` ends up after the
// closing quote. Only \\ and \" are escapes: any other backslash is far more likely a path
// written without doubling its separators than an intended character, so it is refused.
std::optional<QString> readQuoted(const QString &line, qsizetype &pos, QString *problem)
{
    QString text;
    for (qsizetype i = pos + 1; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('"')) {
            pos = i + 1;
            return text;
        }
        if (c == QLatin1Char('\\')) {
            if (i + 1 == line.size())
                break;
            const QChar next = line.at(++i);
            if (next != QLatin1Char('\\') && next != QLatin1Char('"')) {
                *problem = QStringLiteral("unknown escape \"\\%1\" in quoted text (a backslash "
                                          "is written \"\\\\\")")
                               .arg(next);
                return std::nullopt;
            }
            text += next;
            continue;
        }
        text += c;
    }
    *problem = QStringLiteral("the quoted text has no closing quote");
    return std::nullopt;
}

bool isValidUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decoder(bytes);
    return !decoder.hasError();
}

QString fromAnsi(const QByteArray &bytes)
{
    // Files of the old format come from the ANSI code page; today they are mostly UTF-8.
    return isValidUtf8(bytes) ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}
} // namespace

RegFileParser::RegFileParser(const RegistryStore &store) : m_store(store) {}

bool RegFileParser::fail(int line, const QString &message)
{
    m_error = {line, message};
    m_operations.clear();
    return false;
}

bool RegFileParser::parse(const QByteArray &file)
{
    m_operations.clear();
    m_error = {};
    m_lines.clear();
    m_inKey = false;
    m_keyDeleted = false;
    m_keyPath.clear();
    return decode(file) && parseLines();
}

bool RegFileParser::decode(const QByteArray &file)
{
    QByteArray body = file;
    std::optional<QStringDecoder::Encoding> utf16;
    if (body.startsWith("\xff\xfe")) {
        utf16 = QStringDecoder::Utf16LE;
        body.remove(0, 2);
    } else if (body.startsWith("\xfe\xff")) {
        utf16 = QStringDecoder::Utf16BE;
        body.remove(0, 2);
    } else if (body.startsWith("\xef\xbb\xbf")) {
        body.remove(0, 3);
    } else if (body.size() >= 2 && body.at(0) != 0 && body.at(1) == 0) {
        // UTF-16 that lost its byte-order mark: the header's first letter, then a zero.
        utf16 = QStringDecoder::Utf16LE;
    }

    QString text;
    if (utf16) {
        QStringDecoder decoder(*utf16, QStringDecoder::Flag::ConvertInitialBom);
        text = decoder(body);
        if (body.size() % 2 != 0) {
            m_lines = text.split(QLatin1Char('\n'));
            return fail(int(m_lines.size()),
                        QStringLiteral("the file ends in the middle of a UTF-16 character"));
        }
    } else if (isValidUtf8(body)) {
        text = QString::fromUtf8(body);
    } else if (body.startsWith(Regedit4Header.toLatin1())) {
        text = QString::fromLatin1(body);
    } else {
        const QList<QByteArray> lines = body.split('\n');
        for (int i = 0; i < lines.size(); ++i) {
            if (!isValidUtf8(lines.at(i)))
                return fail(i + 1, QStringLiteral("the text is neither UTF-8 nor UTF-16"));
        }
        return fail(int(lines.size()), QStringLiteral("the text is neither UTF-8 nor UTF-16"));
    }

    m_lines = text.split(QLatin1Char('\n'));
    for (QString &line : m_lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return true;
}

bool RegFileParser::parseLines()
{
    const QString header = m_lines.value(0).trimmed();
    if (header == Version5Header) {
        m_format = Format::Version5;
    } else if (header.compare(Regedit4Header, Qt::CaseInsensitive) == 0) {
        m_format = Format::Regedit4;
    } else {
        return fail(1, QStringLiteral("not a registry file: the first line must be \"%1\" or "
                                      "\"%2\"")
                           .arg(Version5Header, Regedit4Header));
    }

    for (m_index = 1; m_index < m_lines.size(); ++m_index) {
        const QString line = m_lines.at(m_index).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        bool ok = false;
        if (line.startsWith(QLatin1Char('[')))
            ok = parseKeyLine(line);
        else if (line.startsWith(QLatin1Char('"')) || line.startsWith(QLatin1Char('@')))
            ok = parseValueLine(line);
        else
            ok = fail(lineNumber(), QStringLiteral("expected a key in brackets, a value or a "
                                                   "comment, found \"%1\"")
                                        .arg(line.left(40)));
        if (!ok)
            return false;
    }
    return true;
}

std::optional<QString> RegFileParser::machineKeyPath(const QString &name, QString *problem)
{
    const qsizetype separator = name.indexOf(QLatin1Char('\\'));
    const QString root = separator < 0 ? name : name.left(separator);
    QString path = separator < 0 ? QString() : name.mid(separator + 1);

    static const QStringList machine = {QStringLiteral("HKEY_LOCAL_MACHINE"),
                                        QStringLiteral("HKLM")};
    static const QStringList others = {QStringLiteral("HKEY_CURRENT_USER"),
                                       QStringLiteral("HKCU"),
                                       QStringLiteral("HKEY_CLASSES_ROOT"),
                                       QStringLiteral("HKCR"),
                                       QStringLiteral("HKEY_USERS"),
                                       QStringLiteral("HKU"),
                                       QStringLiteral("HKEY_CURRENT_CONFIG"),
                                       QStringLiteral("HKCC"),
                                       QStringLiteral("HKEY_PERFORMANCE_DATA"),
                                       QStringLiteral("HKEY_DYN_DATA")};
    if (!machine.contains(root, Qt::CaseInsensitive)) {
        if (others.contains(root, Qt::CaseInsensitive))
            *problem = QStringLiteral("%1 is not kept here: this registry holds "
                                      "HKEY_LOCAL_MACHINE only")
                           .arg(root);
        else
            *problem = QStringLiteral("\"%1\" is not a root key (key names begin with "
                                      "HKEY_LOCAL_MACHINE\\)")
                           .arg(root);
        return std::nullopt;
    }

    // One trailing separator is accepted, as the registry itself accepts it.
    if (path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    if (path.isEmpty())
        return QString();
    // Messages show the start of a name only: a hostile one may be tens of kilobytes.
    const QString shown = name.size() > 80 ? name.left(80) + QStringLiteral("...") : name;
    const QStringList segments = path.split(QLatin1Char('\\'));
    if (segments.size() > RegistryStore::MaxKeyDepth) {
        *problem = QStringLiteral("the key \"%1\" is %2 levels deep; keys nest at most %3 levels")
                       .arg(shown)
                       .arg(segments.size())
                       .arg(RegistryStore::MaxKeyDepth);
        return std::nullopt;
    }
    for (const QString &segment : segments) {
        if (segment.isEmpty()) {
            *problem = QStringLiteral("empty key name in \"%1\"").arg(shown);
            return std::nullopt;
        }
        if (segment.size() > RegistryStore::MaxKeyNameLength) {
            *problem = QStringLiteral("key name longer than %1 characters in \"%2\"")
                           .arg(RegistryStore::MaxKeyNameLength)
                           .arg(shown);
            return std::nullopt;
        }
    }
    return path;
}

bool RegFileParser::parseKeyLine(const QString &line)
{
    // Key names may hold "]" themselves, so the line has to end with the closing bracket.
    if (!line.endsWith(QLatin1Char(']')))
        return fail(lineNumber(), QStringLiteral("a key line must end with \"]\""));
    QString name = line.mid(1, line.size() - 2);
    const bool deletion = name.startsWith(QLatin1Char('-'));
    if (deletion)
        name.remove(0, 1);
    QString problem;
    const auto path = machineKeyPath(name, &problem);
    if (!path)
        return fail(lineNumber(), problem);
    if (deletion && path->isEmpty())
        return fail(lineNumber(), QStringLiteral("the root key cannot be deleted"));

    RegFileOperation operation;
    operation.kind = deletion ? RegFileOperation::DeleteKey : RegFileOperation::CreateKey;
    operation.line = lineNumber();
    operation.keyPath = *path;
    m_operations.append(operation);
    m_inKey = true;
    m_keyDeleted = deletion;
    m_keyPath = *path;
    return true;
}

bool RegFileParser::parseValueLine(const QString &line)
{
    if (!m_inKey)
        return fail(lineNumber(), QStringLiteral("a value before the first key"));
    // The registry editor skips such values; refusing them is clearer than losing them.
    if (m_keyDeleted)
        return fail(lineNumber(), QStringLiteral("a value under a key that the file deletes"));

    RegFileOperation operation;
    operation.line = lineNumber();
    operation.keyPath = m_keyPath;
    qsizetype pos = 0;
    if (line.startsWith(QLatin1Char('@'))) {
        pos = 1;
    } else {
        QString problem;
        const auto name = readQuoted(line, pos, &problem);
        if (!name)
            return fail(lineNumber(), problem);
        operation.valueName = *name;
    }
    while (pos < line.size() && line.at(pos).isSpace())
        ++pos;
    if (pos == line.size() || line.at(pos) != QLatin1Char('='))
        return fail(lineNumber(), QStringLiteral("expected \"=\" after the value name"));
    ++pos;
    while (pos < line.size() && line.at(pos).isSpace())
        ++pos;

    if (!parseData(line.mid(pos), operation))
        return false;
    m_operations.append(operation);
    return true;
}

bool RegFileParser::parseData(const QString &data, RegFileOperation &operation)
{
    const int line = lineNumber();
    if (data.startsWith(QLatin1Char('-'))) {
        if (!onlyCommentFrom(data, 1))
            return fail(line, QStringLiteral("unexpected text after \"=-\""));
        operation.kind = RegFileOperation::DeleteValue;
        return true;
    }

    operation.kind = RegFileOperation::SetValue;
    if (data.startsWith(QLatin1Char('"'))) {
        qsizetype pos = 0;
        QString problem;
        const auto text = readQuoted(data, pos, &problem);
        if (!text)
            return fail(line, problem);
        if (!onlyCommentFrom(data, pos))
            return fail(line, QStringLiteral("unexpected text after the closing quote"));
        operation.value = {RegistryValue::Sz, m_store.encodeString(*text)};
        return true;
    }

    if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        QString digits = data.mid(6);
        const qsizetype comment = digits.indexOf(QLatin1Char(';'));
        if (comment >= 0)
            digits.truncate(comment);
        digits = digits.trimmed();
        const auto number = parseHexNumber(digits, 8);
        if (!number)
            return fail(line, QStringLiteral("a dword needs 1 to 8 hex digits, found \"%1\"")
                                  .arg(digits.left(20)));
        // Little-endian, as the registry keeps a double word.
        QByteArray bytes(4, '\0');
        for (int i = 0; i < 4; ++i)
            bytes[i] = char(*number >> (8 * i) & 0xff);
        operation.value = {RegistryValue::Dword, bytes};
        return true;
    }

    if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
        quint32 type = RegistryValue::Binary;
        qsizetype colon = 3;
        if (data.mid(3).startsWith(QLatin1Char('('))) {
            const qsizetype close = data.indexOf(QLatin1Char(')'), 4);
            const auto number =
                close < 0 ? std::nullopt : parseHexNumber(data.mid(4, close - 4), 8);
            if (!number)
                return fail(line, QStringLiteral("hex(n) needs a type of 1 to 8 hex digits"));
            type = *number;
            colon = close + 1;
        }
        if (colon >= data.size() || data.at(colon) != QLatin1Char(':'))
            return fail(line, QStringLiteral("expected \":\" after \"%1\"").arg(data.left(colon)));
        QByteArray bytes;
        if (!readHexBytes(data.mid(colon + 1), bytes))
            return false;
        if (type == RegistryValue::Sz || type == RegistryValue::ExpandSz ||
            type == RegistryValue::MultiSz) {
            const int firstLine = operation.line;
            const auto text = storeStringData(type, bytes);
            if (!text)
                return fail(firstLine, QStringLiteral("hex(%1) text of a version 5.00 file is "
                                                      "UTF-16 and needs an even number of bytes")
                                           .arg(type, 0, 16));
            bytes = *text;
        }
        operation.value = {type, bytes};
        return true;
    }

    return fail(line, QStringLiteral("unknown value data \"%1\" (expected \"text\", dword:, "
                                     "hex:, hex(n): or -)")
                          .arg(data.left(20)));
}

bool RegFileParser::readHexBytes(QString piece, QByteArray &bytes)
{
    for (;;) {
        const qsizetype comment = piece.indexOf(QLatin1Char(';'));
        if (comment >= 0)
            piece.truncate(comment);
        piece = piece.trimmed();
        const bool continued = piece.endsWith(QLatin1Char('\\'));
        if (continued)
            piece.chop(1);

        const QStringList tokens = piece.split(QLatin1Char(','));
        for (qsizetype i = 0; i < tokens.size(); ++i) {
            const QString token = tokens.at(i).trimmed();
            // A comma may end a line (before its backslash) or the data.
            if (token.isEmpty() && i == tokens.size() - 1)
                continue;
            const auto byte = parseHexNumber(token, 2);
            if (!byte)
                return fail(lineNumber(),
                            QStringLiteral("\"%1\" is not a hex byte").arg(token.left(20)));
            bytes.append(char(*byte));
        }
        if (!continued)
            return true;

        // Comment lines may sit between the lines of one value.
        do {
            if (++m_index >= m_lines.size())
                return fail(int(m_lines.size()),
                            QStringLiteral("the hex data goes on past the end of the file"));
        } while (m_lines.at(m_index).trimmed().startsWith(QLatin1Char(';')));
        piece = m_lines.at(m_index);
    }
}

std::optional<QByteArray> RegFileParser::storeStringData(quint32 type, const QByteArray &bytes)
{
    QString text;
    if (m_format == Format::Version5) {
        if (bytes.size() % 2 != 0)
            return std::nullopt;
        QStringDecoder decoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::ConvertInitialBom);
        text = decoder(bytes);
    } else {
        text = fromAnsi(bytes);
    }
    // A list keeps all its NULs: they separate and end its strings.
    if (type != RegistryValue::MultiSz && text.endsWith(QChar(u'\0')))
        text.chop(1);
    return m_store.encodeString(text);
}
