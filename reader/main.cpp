#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlance"));
    QApplication::setApplicationDisplayName(QStringLiteral("Parlance"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Larkvane TTS Reader - Untitled"));
    window.resize(800, 600);
    window.show();
    return app.exec();
}
