#include <QApplication>
#include <gtest/gtest.h>

// Every test executable gets a widget application: the speech control's timers, the
// dialogs and the main window all need one.
int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlance"));
    return RUN_ALL_TESTS();
}
