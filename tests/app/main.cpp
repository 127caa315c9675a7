// The widget tests need a QApplication; they run offscreen (QT_QPA_PLATFORM=offscreen).
#include "platform/Application.h"

#include <QApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    pindle::TQtApplication application(argc, argv);
    // Qt's file dialog keeps its history in the user's settings; tests keep theirs apart.
    QStandardPaths::setTestModeEnabled(true);
    pindle::Application().SetTitle("Pindle");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
