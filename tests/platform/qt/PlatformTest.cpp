#include "platform/qt/Application.h"
#include "platform/qt/Desktop.h"
#include "platform/Exceptions.h"
#include "tests/support/FakeDesktop.h"

#include <QApplication>
#include <QAbstractFileIconProvider>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <optional>
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

class FileDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (const char* name : {"notes", "site.css", "x.txt"})
            Write(name, "a {}\r\n");
        Write("picture", "\x89PNG\r\n\x1a\n\0\0\0\rIHDR");  // an image by its bytes, not by its name
    }

    void Write(const char* name, const std::string& bytes) const
    {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    [[nodiscard]] std::string Path(const char* name) const
    {
        return dir.filePath(QString::fromLatin1(name)).toStdString();
    }

    // Runs the real dialog; `act` plays the user's part on it while it is open.
    std::optional<std::string> Run(bool save, const std::function<void(QFileDialog&)>& act)
    {
        TFileDialogSettings settings{Path("start.css"), save};
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            act(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        return Desktop().ExecuteFileDialog(nullptr, settings);
    }

    // Types a name into the dialog's name box and presses Enter.
    static void TypeAndAccept(QFileDialog& dialog, const std::string& typed)
    {
        auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        edit->setText(QString::fromStdString(typed));
        QTest::keyClick(edit, Qt::Key_Return);
    }

    QTemporaryDir dir;
};

TEST_F(FileDialog, AddsTheDefaultExtensionOnlyWhenTheNameAsTypedNamesNoFile)
{
    const struct {
        const char* Typed;
        const char* Chosen;
    } cases[] = {
        {"notes", "notes"},        // an existing file without an extension
        {"site", "site.css"},
        {"new", "new.css"},
        {"site.css", "site.css"},
        {"x.txt", "x.txt"},
        {"other.txt", "other.txt"},
    };
    for (const auto& c : cases) {
        const auto chosen = Run(false, [&](QFileDialog& dialog) { TypeAndAccept(dialog, c.Typed); });
        EXPECT_EQ(chosen, Path(c.Chosen)) << c.Typed;
    }
}

TEST_F(FileDialog, SaveAsksBeforeOverwritingTheFileTheNameComesTo)
{
    for (const auto& names : {std::pair{"site", "site.css"}, std::pair{"notes", "notes"}}) {
        const char* typed = names.first;  // a plain local: clang 14 cannot capture a structured binding
        const char* chosen = names.second;
        QString question;
        const auto result = Run(true, [&](QFileDialog& dialog) {
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                ASSERT_NE(box, nullptr);
                question = box->text();
                box->button(QMessageBox::Yes)->click();
            });
            TypeAndAccept(dialog, typed);
        });
        EXPECT_EQ(result, Path(chosen)) << typed;
        EXPECT_TRUE(question.contains(QString::fromLatin1(chosen))) << question.toStdString();
    }
}

TEST_F(FileDialog, NamesFileTypesFromTheNameWithoutReadingTheFile)
{
    Run(false, [&](QFileDialog& dialog) {
        QAbstractFileIconProvider* types = dialog.iconProvider();
        ASSERT_NE(types, nullptr);
        const auto type = [&](const QString& path) { return types->type(QFileInfo(path)).toStdString(); };
        EXPECT_EQ(type(QString::fromStdString(Path("picture"))), "File");
        EXPECT_EQ(type(QString::fromStdString(Path("site.css"))), "CSS stylesheet");
        EXPECT_EQ(type(dir.path()), "Folder");
    });
}

TEST_F(FileDialog, ShowsTheSizeTypeAndDateColumnsWhole)
{
    Run(false, [&](QFileDialog& dialog) {
        auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        auto* model = dialog.findChild<QFileSystemModel*>();
        ASSERT_NE(view, nullptr);
        ASSERT_NE(model, nullptr);
        const QModelIndex site = model->index(QString::fromStdString(Path("site.css")));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !model->data(site.siblingAtColumn(2)).toString().isEmpty(); }));
        const QHeaderView* header = view->header();
        EXPECT_LE(header->sectionViewportPosition(3) + header->sectionSize(3), view->viewport()->width());
        for (int column = 1; column < 4; ++column) {
            const QString text = model->data(site.siblingAtColumn(column)).toString();
            EXPECT_GT(header->sectionSize(column), view->fontMetrics().horizontalAdvance(text) + 8)
                << column << " " << text.toStdString();
        }
    });
}

}  // namespace
}  // namespace pindle
