#include "frmConvert.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wavewright"));
    // The reader passes its parameter string as one argument. Typed by hand it may arrive
    // in pieces; joined with spaces it reads as it was typed.
    const QString commandLine = QCoreApplication::arguments().mid(1).join(QLatin1Char(' '));
    frmConvert form;
    return form.Form_Load(commandLine);
}
