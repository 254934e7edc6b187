#include "LoadNotice.h"

#include "MessageBoxService.h"
#include "ParagraphBreaker.h"
#include "formats/ResourceGate.h"
#include "rtf/RtfPictureBudget.h"

QStringList LoadNotice::take(QTextDocument *document)
{
    QStringList lines;
    if (RtfPictureBudget::takeLeftOut(document) > 0)
        lines.append(QString::fromLatin1(PicturesText));
    if (ParagraphBreaker::takeBreaks(document) > 0)
        lines.append(QString::fromLatin1(ParagraphsText));
    const QStringList leftOut = ResourceGate::takeLeftOut(document);
    if (!leftOut.isEmpty()) {
        lines.append(QString::fromLatin1(LeftOutText));
        for (const QString &name : leftOut)
            lines.append(QStringLiteral("    ") + name);
    }
    return lines;
}

void LoadNotice::tell(QTextDocument *document)
{
    const QStringList lines = take(document);
    if (!lines.isEmpty())
        MessageBoxService::show(lines.join(QLatin1Char('\n')), MessageBoxService::Ok,
                                MessageBoxService::Information);
}
