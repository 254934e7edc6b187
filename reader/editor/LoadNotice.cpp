#include "LoadNotice.h"

#include "MessageBoxService.h"
#include "ParagraphBreaker.h"
#include "rtf/RtfPictureBudget.h"

#include <QStringList>

void LoadNotice::tell(QTextDocument *document)
{
    QStringList lines;
    if (RtfPictureBudget::takeLeftOut(document) > 0)
        lines.append(QString::fromLatin1(PicturesText));
    if (ParagraphBreaker::takeBreaks(document) > 0)
        lines.append(QString::fromLatin1(ParagraphsText));
    if (!lines.isEmpty())
        MessageBoxService::show(lines.join(QLatin1Char('\n')), MessageBoxService::Ok,
                                MessageBoxService::Information);
}
