// The main of the widget test programs: a QApplication on the offscreen platform unless one is named.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // ctest also runs the programs to list their tests, outside the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
