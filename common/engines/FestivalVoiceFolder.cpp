#include "FestivalVoiceFolder.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>

// Festival's data folder, compiled into its library (festival/festival.h, which brings the
// whole std namespace along with it).
extern const char *festival_datadir;

namespace {

struct Language
{
    const char *name; // as voices proclaim it
    const char *tag;
    const char *shown;
};

// The languages Festival's voices are made for. English voices say their accent apart.
constexpr Language Languages[] = {
    {"english", "en", "English"},
    {"american", "en-us", "US English"},
    {"british", "en-gb", "British English"},
    {"scottish", "en-gb", "Scottish English"},
    {"spanish", "es", "Spanish"},
    {"italian", "it", "Italian"},
    {"german", "de", "German"},
    {"french", "fr", "French"},
    {"finnish", "fi", "Finnish"},
    {"czech", "cs", "Czech"},
    {"welsh", "cy", "Welsh"},
    {"russian", "ru", "Russian"},
    {"polish", "pl", "Polish"},
    {"portuguese", "pt", "Portuguese"},
    {"dutch", "nl", "Dutch"},
    {"hindi", "hi", "Hindi"},
    {"marathi", "mr", "Marathi"},
    {"telugu", "te", "Telugu"},
    {"japanese", "ja", "Japanese"},
    {"mandarin", "zh", "Chinese"},
};

const Language *languageNamed(const QString &name)
{
    for (const Language &language : Languages)
        if (name == QLatin1String(language.name))
            return &language;
    return nullptr;
}

QString proclaimed(const QByteArray &proclamation, const char *field)
{
    const QRegularExpression pattern(
        QStringLiteral("\\(\\s*%1\\s+([A-Za-z_]+)\\s*\\)").arg(QLatin1String(field)));
    return pattern.match(QString::fromUtf8(proclamation)).captured(1).toLower();
}

// How a voice makes its sound, as its identifier ends.
QString method(const QList<QByteArray> &parts)
{
    static const QHash<QByteArray, QString> methods{
        {"hts", QStringLiteral("HTS")},
        {"diphone", QStringLiteral("diphone")},
        {"clunits", QStringLiteral("unit selection")},
        {"multisyn", QStringLiteral("unit selection")},
        {"cg", QStringLiteral("ClusterGen")},
    };
    return parts.isEmpty() ? QString() : methods.value(parts.last());
}

// The speaker's short name: "cmu_us_slt_arctic_hts" is slt, "kal_diphone" kal.
QString speaker(QList<QByteArray> parts)
{
    if (!method(parts).isEmpty())
        parts.removeLast();
    parts.removeAll("arctic");
    return parts.isEmpty() ? QString() : QString::fromUtf8(parts.last());
}

} // namespace

QString FestivalVoiceFolder::standard()
{
    const QString data = QString::fromLocal8Bit(festival_datadir);
    // Without Festival's own start-up files a voice could be listed but never spoken.
    if (!QFile::exists(data + QStringLiteral("/init.scm")))
        return {};
    return data + QStringLiteral("/voices");
}

FestivalVoiceFolder::Voice FestivalVoiceFolder::describe(const QByteArray &id,
                                                         const QByteArray &script)
{
    const QList<QByteArray> parts = id.split('_');
    const qsizetype at = script.indexOf("(proclaim_voice");
    const QByteArray proclamation = at >= 0 ? script.mid(at, 4096) : QByteArray();
    const Language *language = languageNamed(proclaimed(proclamation, "language"));
    if (language && QLatin1String(language->name) == QLatin1String("english"))
        if (const Language *accent = languageNamed(proclaimed(proclamation, "dialect")))
            language = accent;

    QStringList details;
    if (language)
        details << QLatin1String(language->shown);
    const QString gender = proclaimed(proclamation, "gender");
    if (!gender.isEmpty())
        details << gender;
    if (!method(parts).isEmpty())
        details << method(parts);

    Voice voice;
    voice.id = id;
    const QString who = speaker(parts);
    voice.name = QStringLiteral("festival ") + (who.isEmpty() ? QString::fromUtf8(id) : who);
    if (!details.isEmpty())
        voice.name += QStringLiteral(" (%1)").arg(details.join(QStringLiteral(", ")));
    if (language)
        voice.language = QLatin1String(language->tag);
    return voice;
}

QList<FestivalVoiceFolder::Voice> FestivalVoiceFolder::find(const QString &folder)
{
    QList<Voice> voices;
    if (folder.isEmpty())
        return voices;
    const QDir top(folder);
    for (const QString &language : top.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir group(top.filePath(language));
        for (const QString &id : group.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile script(
                group.filePath(id + QStringLiteral("/festvox/") + id + QStringLiteral(".scm")));
            // A voice's script is small; anything else in its place is no voice of ours.
            if (!script.open(QIODevice::ReadOnly) || script.size() > (1 << 20))
                continue;
            voices.append(describe(id.toUtf8(), script.readAll()));
        }
    }
    std::sort(voices.begin(), voices.end(),
              [](const Voice &a, const Voice &b) { return a.id < b.id; });
    // Two voices of one speaker ("slt" in HTS and in unit selection) are told apart by their
    // details; should those agree too, by Festival's own names.
    QHash<QString, int> count;
    for (const Voice &voice : voices)
        ++count[voice.name];
    for (Voice &voice : voices)
        if (count.value(voice.name) > 1)
            voice.name = QStringLiteral("festival ") + QString::fromUtf8(voice.id);
    return voices;
}
