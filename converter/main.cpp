#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wavewright"));
    QWidget window;
    window.setWindowTitle(QStringLiteral("Wavewright"));
    window.show();
    return app.exec();
}
