#include "app/MainForm.h"
#include "app/Splash.h"
#include "platform/qt/Application.h"
#include "tests/support/FakeDesktop.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QEventLoop>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

namespace pindle {
namespace {

void DeletePostponed()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(Splash, IsABorderlessBlackWindowTwoPixelsLargerThanItsPicture)
{
    TfrmSplash splash;
    EXPECT_EQ(splash.Image1->pixmap().size(), QSize(350, 200));
    EXPECT_EQ(splash.Image1->pos(), QPoint(1, 1));
    EXPECT_EQ(splash.size(), QSize(352, 202));
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(splash.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(splash.Label2->text(), "The Quillmere Web Tools are free & you are welcome to redistribute them.");
    EXPECT_EQ(splash.Label5->text(), "For information visit:");
    EXPECT_EQ(splash.lblWebSite->text(), QString::fromLatin1(ProductWebAddress));
    EXPECT_EQ(splash.lblWebSite->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(splash.lblWebSite->font().underline());
    // The test program carries no version block, so the field reads empty.
    EXPECT_EQ(splash.lblVersion->text(), "Version ");
}

TEST(Splash, ClickOnTheAddressOpensItAndAnyOtherClickClosesTheWindow)
{
    test::TFakeDesktop desktop;
    QPointer<TfrmSplash> splash = new TfrmSplash();
    frmSplash = splash;
    splash->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(splash));

    QTest::mouseClick(splash->lblWebSite, Qt::LeftButton);
    QTest::mouseClick(splash->lblWebSite, Qt::LeftButton);
    EXPECT_EQ(desktop.Opened, (std::vector<std::string>{ProductWebAddress, ProductWebAddress}));
    EXPECT_TRUE(splash->isVisible());

    QTest::mouseClick(splash->Label3, Qt::LeftButton);
    EXPECT_EQ(frmSplash, nullptr);
    DeletePostponed();
    EXPECT_TRUE(splash.isNull());  // a closed splash window frees itself
}

// Start-up closes the splash window before the message loop runs; it must still be freed once the loop
// runs, and not stay behind hidden (a screen reader lists a hidden window with all its labels).
TEST(Splash, ClosedBeforeTheMessageLoopRunsIsFreedOnceItRuns)
{
    ASSERT_EQ(QThread::currentThread()->loopLevel(), 0);
    QPointer<TfrmSplash> splash = new TfrmSplash();
    splash->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(splash));
    splash->close();
    ASSERT_FALSE(splash.isNull());
    EXPECT_FALSE(splash->isVisible());
    QEventLoop loop;
    QTimer::singleShot(50, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_TRUE(splash.isNull());
}

TEST(About, ShowsANewModalSplashWindowEachTime)
{
    test::TFakeDesktop desktop;
    TMainForm form;
    int shown = 0;
    int destroyed = 0;
    for (int round = 0; round < 2; ++round) {
        QTimer::singleShot(0, [&] {
            ASSERT_NE(frmSplash, nullptr);
            EXPECT_TRUE(frmSplash->isModal());
            EXPECT_TRUE(frmSplash->isVisible());
            QObject::connect(frmSplash, &QObject::destroyed, [&] { ++destroyed; });
            ++shown;
            QTest::mouseClick(frmSplash->Label2, Qt::LeftButton);
        });
        form.About1->trigger();  // returns when the box has closed
        EXPECT_EQ(frmSplash, nullptr);
        DeletePostponed();
        EXPECT_EQ(destroyed, round + 1);
    }
    EXPECT_EQ(shown, 2);
}

// The keyboard: Esc, Enter and Space close the About box from wherever the focus is but the web
// address, which they open instead, leaving the box open; Tab goes from the box to the address.
TEST(About, KeysCloseTheBoxOrOpenTheAddressWhereTheFocusIs)
{
    test::TFakeDesktop desktop;
    TMainForm form;
    const struct {
        Qt::Key Key;
        bool OnAddress;
    } cases[] = {
        {Qt::Key_Escape, false}, {Qt::Key_Return, false}, {Qt::Key_Space, false},
        {Qt::Key_Return, true},  {Qt::Key_Space, true},   {Qt::Key_Escape, true},
    };
    for (const auto& c : cases) {
        bool stayed = false;
        bool focusedFirst = false;
        QTimer::singleShot(0, [&] {
            TfrmSplash* box = frmSplash;
            ASSERT_NE(box, nullptr);
            EXPECT_TRUE(QTest::qWaitForWindowActive(box));
            focusedFirst = box->focusWidget() == box;
            if (c.OnAddress) {
                QTest::keyClick(box, Qt::Key_Tab);
                EXPECT_EQ(box->focusWidget(), box->lblWebSite);
            }
            QTest::keyClick(box->focusWidget(), c.Key);
            stayed = frmSplash == box;
            if (stayed)
                box->close();
        });
        const std::size_t opened = desktop.Opened.size();
        form.About1->trigger();
        DeletePostponed();
        EXPECT_TRUE(focusedFirst) << c.Key;
        const bool opens = c.OnAddress && c.Key != Qt::Key_Escape;
        EXPECT_EQ(stayed, opens) << c.Key << " on the address: " << c.OnAddress;
        EXPECT_EQ(desktop.Opened.size(), opened + (opens ? 1 : 0)) << c.Key;
    }
}

}  // namespace
}  // namespace pindle
