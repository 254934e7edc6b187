#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// One adjustable value of an engine's settings dialog. Values are whole numbers: a number in
// [minimum, maximum], or, when `choices` is not empty, the index of the chosen entry.
struct EngineSetting
{
    QString key;   // stable name under which the value is stored per voice
    QString label; // what the dialog shows
    int minimum = 0;
    int maximum = 100;
    int defaultValue = 0;
    QStringList choices;
    QString suffix; // unit shown after a number, e.g. " %"

    // A percentage between `minimum` and `maximum`.
    static EngineSetting percentage(const QString &key, const QString &label, int minimum,
                                    int maximum, int defaultValue)
    {
        EngineSetting setting;
        setting.key = key;
        setting.label = label;
        setting.minimum = minimum;
        setting.maximum = maximum;
        setting.defaultValue = defaultValue;
        setting.suffix = QStringLiteral(" %");
        return setting;
    }

    int clamp(int value) const
    {
        if (!choices.isEmpty())
            return value >= 0 && value < choices.size() ? value : defaultValue;
        return qBound(minimum, value, maximum);
    }
};

// Setting values by key; a key that is missing means the setting's default.
using EngineSettingValues = QMap<QString, int>;
