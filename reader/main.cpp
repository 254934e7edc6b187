#include "ReaderStartup.h"
#include "ShellPlatform.h"
#include "frmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    ShellPlatform::chooseDisplay(argc, argv);
    QApplication app(argc, argv);
    ShellPlatform::displayChosen();
    QApplication::setApplicationName(QStringLiteral("Parlance"));

    ReaderStartup::Options options;
    options.createMainWindow = [](ReaderShell &shell) -> std::unique_ptr<QWidget> {
        return std::make_unique<frmMain>(shell);
    };
    ReaderStartup startup(std::move(options));
    // A voice installed, or a second start that handed over to the running reader.
    if (!startup.StartProgram())
        return 0;
    return app.exec();
}
