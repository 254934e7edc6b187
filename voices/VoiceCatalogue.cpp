#include "VoiceCatalogue.h"

#include "MessageBoxService.h"
#include "RegistryAccess.h"
#include "StandardErrorHandler.h"

#include <QFileInfo>
#include <functional>
#include <limits>
#include <utility>

using RegistryAccess::readString;

namespace VoiceCatalogue {

QList<CereProcEngine> cereProcEngines{CereProcEngine()};
QList<CereVoiceEntry> cereVoices{CereVoiceEntry()};

namespace {
constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;

// The key paths above without their final separator: the keys whose sub-keys are listed.
QString withoutSeparator(const QString &path)
{
    return path.endsWith(QLatin1Char('\\')) ? path.chopped(1) : path;
}

QString lastWord(const QString &text)
{
    return text.section(QLatin1Char(' '), -1);
}

// A version such as "3.1.0" compares as the number its digits make without the dots (310),
// taken from the leading digits only; anything else counts as 0.
qint64 versionNumber(const QString &version)
{
    QString digits = version;
    digits.remove(QLatin1Char('.'));
    qint64 number = 0;
    for (const QChar c : std::as_const(digits)) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        const int digit = c.digitValue();
        if (number > (std::numeric_limits<qint64>::max() - digit) / 10)
            return std::numeric_limits<qint64>::max();
        number = number * 10 + digit;
    }
    return number;
}

// The install folder of the engine with the highest version; the first one on a tie, and
// empty when no engine has a version above 0.
QString chosenEngineDir()
{
    qint64 best = 0;
    QString engineDir;
    for (qsizetype i = 1; i < cereProcEngines.size(); ++i) {
        const qint64 version = versionNumber(cereProcEngines[i].version);
        if (version > best) {
            best = version;
            engineDir = cereProcEngines[i].installDir;
        }
    }
    return engineDir;
}

// The voice file's folder. The stored path is the platform's own: "\" separates on
// Windows, "/" here, so either counts. A file directly under the root has no folder.
QString voiceDirOf(const QString &voiceFile)
{
    const qsizetype separator =
        std::max(voiceFile.lastIndexOf(QLatin1Char('\\')), voiceFile.lastIndexOf(QLatin1Char('/')));
    return separator > 0 ? voiceFile.left(separator) : QString();
}

bool isExistingFile(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

QString attribute(const QString &tokenName, const QString &name)
{
    return readString(HKLM, PrivateVoicesKey + tokenName + QStringLiteral("\\Attributes"), name);
}

void reportFailedInstall(const QString &text)
{
    MessageBoxService::show(text, MessageBoxService::Ok, MessageBoxService::Exclamation);
}
} // namespace

void loadCereProcEngines()
{
    StandardErrorHandler onError(QStringLiteral(": GetCereProcEngines"));
    QStringList keys;
    if (!onError.run(1, [&] { cereProcEngines = {CereProcEngine()}; }))
        return;
    if (!onError.run(
            2, [&] { RegistryAccess::listSubKeys(withoutSeparator(CereProcKey), keys, false); }))
        return;
    if (keys.size() <= 1)
        return;
    if (!onError.run(4, [&] { cereProcEngines.resize(keys.size()); }))
        return;
    for (qsizetype i = 1; i < keys.size() && i < cereProcEngines.size(); ++i) {
        CereProcEngine &engine = cereProcEngines[i];
        if (!onError.run(5, [&] { engine.tokenKey = keys[i]; }) ||
            !onError.run(6, [&] { engine.version = lastWord(keys[i]); }) || !onError.run(7, [&] {
                engine.installDir =
                    readString(HKLM, CereProcKey + keys[i], QStringLiteral("InstallDir"));
            }))
            return;
    }
}

void loadCereVoices()
{
    StandardErrorHandler onError(QStringLiteral(": GetCereVoices"));
    if (!onError.run(1, [] { loadCereProcEngines(); }) ||
        !onError.run(2, [] { cereVoices = {CereVoiceEntry()}; }))
        return;
    // Without an engine nothing could run the voices.
    if (cereProcEngines.size() <= 1)
        return;
    QStringList tokens;
    if (!onError.run(3, [&] {
            RegistryAccess::listSubKeys(withoutSeparator(PrivateVoicesKey), tokens, false);
        }))
        return;

    for (qsizetype t = 1; t < tokens.size(); ++t) {
        const QString tokenName = tokens[t];
        if (!tokenName.contains(QStringLiteral("CereVoice "), Qt::CaseInsensitive))
            continue;
        QString voiceFile;
        if (!onError.run(4, [&] { voiceFile = attribute(tokenName, QStringLiteral("VoiceFile")); }))
            return;
        // A voice whose file was removed would fail on first use; leave it out.
        if (!isExistingFile(voiceFile))
            continue;

        if (!onError.run(5, [] { cereVoices.append(CereVoiceEntry()); }))
            return;
        const qsizetype i = cereVoices.size() - 1;
        const auto fill = [&](int line, QString CereVoiceEntry::*field,
                              const std::function<QString()> &value) {
            return onError.run(line, [&] { cereVoices[i].*field = value(); });
        };
        const auto attributeOf = [&](const char *name) {
            return [&tokenName, name] { return attribute(tokenName, QLatin1String(name)); };
        };
        if (!fill(6, &CereVoiceEntry::tokenKey, [&] { return tokenName; }) ||
            !fill(7, &CereVoiceEntry::shortName, [&] { return lastWord(tokenName); }) ||
            !fill(8, &CereVoiceEntry::age, attributeOf("Age")) ||
            !fill(9, &CereVoiceEntry::clsid,
                  [&] {
                      return readString(HKLM, PrivateVoicesKey + tokenName,
                                        QStringLiteral("CLSID"));
                  }) ||
            !fill(10, &CereVoiceEntry::engineDir, [] { return chosenEngineDir(); }) ||
            !fill(11, &CereVoiceEntry::name, attributeOf("Name")) ||
            !fill(12, &CereVoiceEntry::gender, attributeOf("Gender")) ||
            !fill(13, &CereVoiceEntry::language, attributeOf("Language")) ||
            !fill(14, &CereVoiceEntry::voiceName, attributeOf("VoiceName")) ||
            !fill(15, &CereVoiceEntry::vendor, attributeOf("Vendor")) ||
            !fill(16, &CereVoiceEntry::voiceFile, [&] { return voiceFile; }) ||
            !fill(17, &CereVoiceEntry::voiceDir,
                  [&] { return voiceDirOf(cereVoices[i].voiceFile); }))
            return;
    }
}

void copyTokenValue(const QString &subPath, const QString &valueName)
{
    const QString text = readString(HKLM, SpeechTokensKey + subPath, valueName);
    RegistryAccess::writeString(HKLM, PrivateVoicesKey + subPath, valueName, text);
}

void installVoice(const QString &tokenName)
{
    if (tokenName.isEmpty()) {
        reportFailedInstall(QStringLiteral("No voice was named to install."));
        return;
    }
    // A token is one key name; a path here would reach into (and then delete) other keys.
    if (tokenName.contains(QLatin1Char('\\'))) {
        reportFailedInstall(tokenName +
                            QStringLiteral(" could not be installed: no voice token of that "
                                           "name was found."));
        return;
    }
    const QString token = SpeechTokensKey + tokenName;
    const QString attributes = tokenName + QStringLiteral("\\Attributes");

    if (!readString(HKLM, token, QString()).isEmpty()) {
        QList<std::pair<QString, QString>> copied;
        const auto copy = [&](const QString &subPath, const QString &valueName) {
            copyTokenValue(subPath, valueName);
            copied.append({subPath, valueName});
        };
        copy(tokenName, QString());
        if (!readString(HKLM, token, QStringLiteral("409")).isEmpty())
            copy(tokenName, QStringLiteral("409"));
        const QString language =
            readString(HKLM, SpeechTokensKey + attributes, QStringLiteral("Language"));
        if (language != QStringLiteral("409") && !readString(HKLM, token, language).isEmpty())
            copy(tokenName, language);
        copy(tokenName, QStringLiteral("CLSID"));
        for (const char *name : {"Age", "Country_ID", "Gender", "Language", "Language_ID", "Name",
                                 "Vendor", "VendorPreferred", "VoiceFile", "VoiceName"})
            copy(attributes, QString::fromLatin1(name));

        // The token is removed from the system's list only once its copy is in place:
        // a registry that could not be written must not cost the user the voice.
        for (const auto &[subPath, valueName] : std::as_const(copied)) {
            const QString source = readString(HKLM, SpeechTokensKey + subPath, valueName);
            const RegistryKey written = RegistryKey::open(HKLM, PrivateVoicesKey + subPath);
            if (!written.queryValue(valueName) ||
                readString(HKLM, PrivateVoicesKey + subPath, valueName) != source) {
                reportFailedInstall(tokenName +
                                    QStringLiteral(" could not be installed: the voice registry "
                                                   "could not be written."));
                return;
            }
        }
        RegistryAccess::deleteKeyTree(HKLM, token);
        return;
    }

    if (isExistingFile(attribute(tokenName, QStringLiteral("VoiceFile")))) {
        MessageBoxService::show(tokenName + QStringLiteral(" was already installed."));
        return;
    }
    reportFailedInstall(tokenName + QStringLiteral(" could not be installed: no voice token of "
                                                   "that name was found."));
}

} // namespace VoiceCatalogue
