#include "ConverterCommandLine.h"

#include <QRegularExpression>
#include <QStringList>
#include <cmath>
#include <limits>

ConverterCommandLine ConverterCommandLine::parse(const QString &commandLine)
{
    ConverterCommandLine result;
    if (!commandLine.contains(QLatin1Char('*')))
        return result;

    QStringList fields = commandLine.split(QLatin1Char('*'));
    for (QString &field : fields)
        field = field.trimmed();

    if (fields.size() == 4) {
        result.kind = StandardVoice;
        result.engineName = fields.at(0);
        result.fileToOpen = fields.at(1);
        result.speed = number(fields.at(2));
        result.volume = number(fields.at(3));
    } else if (fields.size() == 5) {
        result.kind = CereVoice;
        result.engineName = QStringLiteral("CereProc");
        result.enginePath = fields.at(0);
        result.languagePath = fields.at(1);
        result.fileToOpen = fields.at(2);
        result.speed = number(fields.at(3));
        result.volume = number(fields.at(4));
    } else {
        result.kind = InvalidOptions;
    }
    return result;
}

int ConverterCommandLine::number(const QString &text)
{
    static const QRegularExpression leading(
        QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?"));
    const QRegularExpressionMatch match = leading.match(text);
    if (!match.hasMatch())
        return 0;
    bool ok = false;
    const double value = match.captured(0).trimmed().toDouble(&ok);
    // Beyond a double's range the number comes back infinite; below it, as 0.
    if (std::isnan(value) || (!ok && !std::isinf(value)))
        return 0;
    const double rounded = std::nearbyint(value);
    if (rounded >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (rounded <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(rounded);
}
