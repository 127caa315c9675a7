// The widget tests need a QApplication; they run offscreen (QT_QPA_PLATFORM=offscreen).
#include "platform/qt/Application.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    pindle::TQtApplication application(argc, argv);
    pindle::Application().SetTitle("Pindle");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
