// The HiDPI tests: the widget tests' offscreen screen, scaled by two before the application starts.
#include "platform/qt/Application.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", "2");
    pindle::TQtApplication application(argc, argv);
    pindle::Application().SetTitle("Pindle");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
