#include "platform/Application.h"
#include "platform/Desktop.h"
#include "platform/Exceptions.h"
#include "tests/support/FakeDesktop.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QLayout>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <new>

#include <stdexcept>

namespace pindle {
namespace {

TEST(ErrorBox, AppendsAFullStopOnlyAfterCharactersThatSortAfterIt)
{
    const struct {
        std::string Message;
        std::string Shown;
    } cases[] = {
        {"File not found", "File not found."},
        {"I/O error 5", "I/O error 5."},          // digits sort after "."
        {"Disk full.", "Disk full."},
        {"What?", "What?."},                      // "?" sorts after "."
        {"Stop!", "Stop!"},                       // "!" sorts before "."
        {"a,", "a,"},
        {"a-", "a-"},
        {"a/", "a/."},
        {"caf\xE9", "caf\xE9."},                  // bytes above 127 compare as unsigned
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorBoxText(c.Message), c.Shown) << c.Message;
}

TEST(ErrorBox, DispatcherShowsAnErrorOfACommandAndGoesOn)
{
    test::TFakeDesktop desktop;
    bool after = false;
    Application().Run([] { throw EInOutError("File access denied", 13); });
    Application().Run([] { throw std::runtime_error("bad thing"); });
    Application().Run([] { throw std::bad_alloc(); });
    Application().Run([&] { after = true; });
    ASSERT_EQ(desktop.Messages.size(), 3U);
    EXPECT_EQ(desktop.Messages[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(desktop.Messages[0].Caption, "Pindle");
    EXPECT_EQ(desktop.Messages[0].Text, "File access denied.");
    EXPECT_EQ(desktop.Messages[1].Text, "bad thing.");
    EXPECT_EQ(desktop.Messages[2].Text, "Out of memory.");
    EXPECT_TRUE(after);
}

TEST(ErrorBox, AnErrorInAnyEventHandlerIsShownAndTheLoopGoesOn)
{
    struct TFailing : QObject {
        bool event(QEvent* e) override
        {
            if (e->type() == QEvent::User)
                throw EConvertError("'zz' is not a valid integer value");
            return QObject::event(e);
        }
    } failing;
    test::TFakeDesktop desktop;
    QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents(&failing, QEvent::User);
    ASSERT_EQ(desktop.Messages.size(), 1U);
    EXPECT_EQ(desktop.Messages[0].Caption, "Pindle");
    EXPECT_EQ(desktop.Messages[0].Text, "'zz' is not a valid integer value.");
}

TEST(Hints, SplitAtTheFirstBar)
{
    const struct {
        const char* Hint;
        const char* Short;
        const char* Long;
    } cases[] = {
        {"Save|Save the current stylesheet", "Save", "Save the current stylesheet"},
        {"Show the HTML code", "Show the HTML code", "Show the HTML code"},
        {"|Add the selected system font", "", "Add the selected system font"},
        {"a|b|c", "a", "b|c"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetShortHint(c.Hint), c.Short) << c.Hint;
        EXPECT_EQ(GetLongHint(c.Hint), c.Long) << c.Hint;
    }
}

TEST(Idle, ComesWhenTheEventLoopRunsEmpty)
{
    Application().HookIdle();
    int idles = 0;
    QObject context;
    QObject::connect(&Application(), &TApplication::Idle, &context, [&] { ++idles; });
    QEventLoop loop;
    QTimer::singleShot(50, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_GE(idles, 1);
}

// A desktop's own order of dialog buttons.
class TButtonLayoutStyle final : public QProxyStyle {
public:
    explicit TButtonLayoutStyle(QDialogButtonBox::ButtonLayout layout) : layout_(layout) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == QStyle::SH_DialogButtonLayout)
            return layout_;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

private:
    QDialogButtonBox::ButtonLayout layout_;
};

// The captions of the box's buttons from left to right, joined by "|".
std::string ButtonOrder(const QDialogButtonBox& buttons)
{
    QStringList order;
    for (int i = 0; i < buttons.layout()->count(); ++i) {
        if (const auto* button = qobject_cast<const QPushButton*>(buttons.layout()->itemAt(i)->widget()))
            order << button->text();
    }
    return order.join(QLatin1Char('|')).toStdString();
}

TEST(ConfirmBox, ShowsYesBeforeNoWhateverTheDesktopsButtonOrder)
{
    for (const auto layout : {QDialogButtonBox::WinLayout, QDialogButtonBox::MacLayout,
                              QDialogButtonBox::KdeLayout, QDialogButtonBox::GnomeLayout}) {
        TButtonLayoutStyle style(layout);
        std::string order;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            auto* buttons = box->findChild<QDialogButtonBox*>();
            ASSERT_NE(buttons, nullptr);
            buttons->setStyle(&style);
            order = ButtonOrder(*buttons);
            box->escapeButton()->click();
        });
        const int answer = Desktop().MessageBox(nullptr, TMsgDlgType::mtConfirmation, "Confirm", "Sure?");
        EXPECT_EQ(order, "&Yes|&No") << "layout " << layout;
        EXPECT_EQ(answer, mrNo) << "layout " << layout;
    }
}

}  // namespace
}  // namespace pindle
