#include "frmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlance"));
    QApplication::setApplicationDisplayName(QStringLiteral("Parlance"));
    frmMain window;
    window.show();
    return app.exec();
}
