#include "VoiceFileInstaller.h"

#include "FliteVoiceFile.h"
#include "RegistryAccess.h"
#include "VoiceCatalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using RegistryAccess::readString;
using RegistryAccess::writeString;

const QString VoiceFileInstaller::EngineKeyName = QStringLiteral("flite 2.2");

namespace {
constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;

QString attributesOf(const QString &tokenName)
{
    return VoiceCatalogue::PrivateVoicesKey + tokenName + QStringLiteral("\\Attributes");
}

bool keyExists(const QString &path)
{
    return RegistryKey::open(HKLM, path).isOpen();
}
} // namespace

QString VoiceFileInstaller::voicesFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/parlance/voices");
}

QString VoiceFileInstaller::tokenNameFor(const QString &path)
{
    // The catalogue takes only tokens with "CereVoice " in their name, and the element
    // lists the voice as "CereVoice " and the file's base name.
    return QStringLiteral("CereVoice ") + QFileInfo(path).completeBaseName();
}

VoiceFileInstaller::Outcome VoiceFileInstaller::add(const QString &path)
{
    Outcome outcome;
    const QFileInfo source(path);
    const QString shown = source.fileName();
    QString reason;
    if (!source.isFile()) {
        outcome.message = QStringLiteral("The voice file \"%1\" does not exist.").arg(path);
        return outcome;
    }
    if (!FliteVoiceFile::check(path, &reason)) {
        outcome.message =
            QStringLiteral("\"%1\" is not a usable voice file (%2). It was not added.")
                .arg(shown, reason);
        return outcome;
    }
    const QString baseName = source.completeBaseName();
    const QString tokenName = tokenNameFor(path);
    // A name that is a key path would write into (and on removal delete) other keys.
    if (baseName.trimmed().isEmpty() || baseName.contains(QLatin1Char('\\'))) {
        outcome.message =
            QStringLiteral("\"%1\" cannot be added: rename the file first.").arg(shown);
        return outcome;
    }
    const QString existing = readString(HKLM, attributesOf(tokenName), QStringLiteral("VoiceFile"));
    if (!existing.isEmpty() && QFileInfo(existing).isFile()) {
        outcome.message = tokenName + QStringLiteral(" was already installed.");
        return outcome;
    }

    const QString folder = voicesFolder() + QLatin1Char('/') + baseName;
    const QString target = folder + QLatin1Char('/') + baseName + QStringLiteral(".flitevox");
    if (source.absoluteFilePath() != QFileInfo(target).absoluteFilePath()) {
        QDir(folder).removeRecursively();
        if (!QDir().mkpath(folder) || !QFile::copy(path, target)) {
            QDir(folder).removeRecursively();
            outcome.message =
                QStringLiteral("\"%1\" could not be copied into %2.").arg(shown, voicesFolder());
            return outcome;
        }
    }

    // Without an engine entry the catalogue lists no voice file at all.
    QStringList engines;
    RegistryAccess::listSubKeys(VoiceCatalogue::CereProcKey.chopped(1), engines, false);
    if (engines.size() <= 1)
        writeString(HKLM, VoiceCatalogue::CereProcKey + EngineKeyName, QStringLiteral("InstallDir"),
                    voicesFolder());
    const QString token = VoiceCatalogue::PrivateVoicesKey + tokenName;
    writeString(HKLM, token, QString(), tokenName);
    writeString(HKLM, token, QStringLiteral("CLSID"), QString());
    const QList<std::pair<const char *, QString>> attributes = {{"Age", QString()},
                                                                {"Gender", QString()},
                                                                {"Language", QStringLiteral("409")},
                                                                {"Name", baseName},
                                                                {"Vendor", QStringLiteral("flite")},
                                                                {"VoiceName", baseName},
                                                                {"VoiceFile", target}};
    for (const auto &[name, value] : attributes)
        writeString(HKLM, attributesOf(tokenName), QLatin1String(name), value);

    // Writes report nothing; what reads back is what the catalogue will see.
    if (readString(HKLM, attributesOf(tokenName), QStringLiteral("VoiceFile")) != target) {
        RegistryAccess::deleteKeyTree(HKLM, token);
        QDir(folder).removeRecursively();
        outcome.message =
            QStringLiteral("\"%1\" could not be added: the voice registry could not be written.")
                .arg(shown);
        return outcome;
    }
    outcome.added = true;
    outcome.tokenName = tokenName;
    return outcome;
}

bool VoiceFileInstaller::remove(const QString &tokenName, QString *message)
{
    const QString token = VoiceCatalogue::PrivateVoicesKey + tokenName;
    if (!tokenName.contains(QStringLiteral("CereVoice "), Qt::CaseInsensitive) ||
        tokenName.contains(QLatin1Char('\\')) || !keyExists(token)) {
        if (message)
            *message = QStringLiteral("%1 is not a voice file that can be removed.").arg(tokenName);
        return false;
    }
    const QString voiceFile =
        readString(HKLM, attributesOf(tokenName), QStringLiteral("VoiceFile"));
    RegistryAccess::deleteKeyTree(HKLM, token);
    if (keyExists(token)) {
        if (message)
            *message = QStringLiteral("%1 belongs to the voices installed for all users and "
                                      "cannot be removed here.")
                           .arg(tokenName);
        return false;
    }
    // Only our own copy goes; a file registered from elsewhere belongs to whoever put it there.
    const QFileInfo file(voiceFile);
    if (file.isFile() && QFileInfo(file.absolutePath()).absolutePath() ==
                             QFileInfo(voicesFolder()).absoluteFilePath())
        QDir(file.absolutePath()).removeRecursively();
    return true;
}
