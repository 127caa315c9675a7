#include "colour/Colors.h"
#include "colour/widget/FnpComboColor.h"
#include "dialogs/Style.h"
#include "dialogs/StyleTransfer.h"
#include "tests/support/FakeDesktop.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace pindle {
namespace {

using Strings = std::vector<std::string>;

TEST(StyleTransferText, SplitsAndJoinsFontFamilies)
{
    const struct {
        const char* text;
        Strings names;
        const char* written;
    } cases[] = {
        {"Arial, Times New Roman ,serif", {"Arial", "Times New Roman", "serif"}, "Arial,Times New Roman,serif"},
        {"a,,b,", {"a", "b"}, "a,b"},
        {"", {}, ""},
        {" , ,", {}, ""},
        {"\"Comic Sans, MS\",x", {"\"Comic Sans", "MS\"", "x"}, "\"Comic Sans,MS\",x"},
        {"\tmono\t", {"mono"}, "mono"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitFontFamily(c.text), c.names) << c.text;
        EXPECT_EQ(JoinFontFamily(c.names), c.written) << c.text;
    }
    // Entries added by hand are joined as they stand: an empty last entry leaves a trailing ",".
    EXPECT_EQ(JoinFontFamily({"a", "b", ""}), "a,b,");
    EXPECT_EQ(JoinFontFamily({" x ", "y"}), "x ,y");
    EXPECT_EQ(JoinFontFamily({""}), "");
}

TStyleRow MakeRow(std::string caption, std::array<std::string, 11> subItems)
{
    TStyleRow row;
    row.Caption = std::move(caption);
    row.SubItems = std::move(subItems);
    return row;
}

class EditStyleTest : public ::testing::Test {
protected:
    ~EditStyleTest() override { TStyleDlg::SetModalHook(nullptr); }

    // Runs EditStyle with the user's part played by `act` before pressing Ok (or Cancel).
    bool Edit(TStyleRow& row, const std::function<void(TStyleDlg&)>& act = {}, int button = mrOk)
    {
        TStyleDlg::SetModalHook([&](TStyleDlg& d) {
            if (act)
                act(d);
            if (button != mrOk)
                return button;
            d.btnOkClick();
            return d.result() == mrOk ? mrOk : mrCancel;
        });
        return EditStyle(dialog, row);
    }

    test::TFakeDesktop desktop;
    TStyleDlg dialog;
};

// A row's bytes are shown and written back in the document's encoding; Ok refuses text that a
// Windows-1252 document cannot hold, naming it, and leaves the row alone.
TEST_F(EditStyleTest, ShowsAndWritesTextInTheDocumentsEncoding)
{
    const struct {
        TTextEncoding encoding;
        std::string comment;  // as the row holds it
        QString shown;
        QString typed;        // appended to the comment in the dialog
        std::string written;  // empty: refused
    } cases[] = {
        {TTextEncoding::Utf8, "Caf\xC3\xA9", QString::fromUtf8("Café"), QString::fromUtf8(" €日"),
         "Caf\xC3\xA9 \xE2\x82\xAC\xE6\x97\xA5"},
        {TTextEncoding::Windows1252, "Caf\xE9", QString::fromUtf8("Café"), QString::fromUtf8(" €–"),
         "Caf\xE9 \x80\x96"},
        {TTextEncoding::Windows1252, "Caf\xE9", QString::fromUtf8("Café"), QString::fromUtf8(" €日本"), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        desktop.Messages.clear();
        dialog.SetEncoding(c.encoding);
        TStyleRow row = MakeRow("h1", {"", "", "", "", "", "", "", "", "", "", c.comment});
        const TStyleRow before = row;
        const bool confirmed = Edit(row, [&](TStyleDlg& d) {
            EXPECT_EQ(d.edtComment->text(), c.shown);
            d.edtComment->setText(d.edtComment->text() + c.typed);
        });
        if (c.written.empty()) {
            EXPECT_FALSE(confirmed);
            EXPECT_EQ(row.SubItems[scComment], before.SubItems[scComment]);
            ASSERT_EQ(desktop.Messages.size(), 1U);
            EXPECT_NE(desktop.Messages[0].Text.find("cannot hold \"\xE6\x97\xA5\xE6\x9C\xAC\""), std::string::npos)
                << desktop.Messages[0].Text;
        } else {
            EXPECT_TRUE(confirmed);
            EXPECT_EQ(row.SubItems[scComment], c.written);
        }
    }
}

TEST_F(EditStyleTest, LoadsEveryTextIntoItsControl)
{
    TStyleRow row = MakeRow("h1.title", {"Arial, serif", "12pt", "BOLD", "Italic", "underline", "14pt",
                                         "1pt", "2pt", "#ff0000", "#808080", "a comment"});
    dialog.PageControl1->setCurrentIndex(2);
    Edit(row, [](TStyleDlg& d) {
        EXPECT_EQ(d.edtHTMLTag->text(), "h1");
        EXPECT_EQ(d.edtStyleName->text(), "title");
        EXPECT_EQ(d.FontFamilyEntries(), (Strings{"Arial", "serif"}));
        EXPECT_EQ(d.edtFontSize->text(), "12pt");
        EXPECT_EQ(d.cboFontWeight->currentText(), "bold");
        EXPECT_EQ(d.cboFontStyle->currentText(), "italic");
        EXPECT_EQ(d.cboFontDecoration->currentText(), "underline");
        EXPECT_EQ(d.edtLineHeight->text(), "14pt");
        EXPECT_EQ(d.edtLetterSp->text(), "1pt");
        EXPECT_EQ(d.edtWordSp->text(), "2pt");
        EXPECT_TRUE(d.cbxForeground->isChecked());
        EXPECT_EQ(d.fccForeground->currentText(), "Red");
        EXPECT_TRUE(d.cbxBackground->isChecked());
        EXPECT_EQ(d.fccBackground->currentText(), "Dark gray");
        EXPECT_EQ(d.edtComment->text(), "a comment");
        EXPECT_EQ(d.PageControl1->currentIndex(), 0);
        EXPECT_EQ(d.focusWidget(), d.edtHTMLTag);
    });
}

TEST_F(EditStyleTest, OkWritesTheRowBackInItsNormalForms)
{
    const struct {
        TStyleRow in;
        TStyleRow out;
    } cases[] = {
        {MakeRow("p.note", {}), MakeRow("p.note", {})},
        {MakeRow("a.b.c", {"x"}), MakeRow("a.b.c", {"x"})},
        {MakeRow("p.", {}), MakeRow("p", {})},
        {MakeRow("p.   ", {}), MakeRow("p", {})},
        {MakeRow(" p . n ", {}), MakeRow(" p . n ", {})},
        {MakeRow("h1", {"Arial, Times New Roman ,serif", "12pt", "BOLD", "ITALIC", "Line-Through", "1.5",
                        "normal", "3pt", "#ff0000", "#C0C0C0", " note "}),
         MakeRow("h1", {"Arial,Times New Roman,serif", "12pt", "bold", "italic", "line-through", "1.5",
                        "normal", "3pt", "#FF0000", "#C0C0C0", " note "})},
        {MakeRow("em", {"a,,b,", "", "normal", "", "none", "", "", "", "#FF8080FF", "", ""}),
         MakeRow("em", {"a,b", "", "normal", "", "none", "", "", "", "#FF8080", "", ""})},
    };
    for (const auto& c : cases) {
        TStyleRow row = c.in;
        EXPECT_TRUE(Edit(row));
        EXPECT_EQ(row, c.out) << c.in.Caption;
    }
    EXPECT_TRUE(desktop.Messages.empty());
}

TEST_F(EditStyleTest, CancelLeavesTheRowAsItWas)
{
    const TStyleRow original = MakeRow("p.x", {"a ,b", "", "bolder", "", "", "", "", "", "#ff0000", "red", ""});
    for (int button : {mrCancel, mrNone}) {
        TStyleRow row = original;
        EXPECT_FALSE(Edit(
            row, [](TStyleDlg& d) { d.edtHTMLTag->setText(QStringLiteral("changed")); }, button));
        EXPECT_EQ(row, original);
    }
}

TEST_F(EditStyleTest, ACaptionStartingWithADotIsRefusedUntilATagIsTyped)
{
    TStyleRow row = MakeRow(".x", {});
    TStyleDlg::SetModalHook([](TStyleDlg& d) {
        EXPECT_TRUE(d.edtHTMLTag->text().isEmpty());
        d.btnOkClick();
        EXPECT_NE(d.result(), mrOk);
        d.edtHTMLTag->setText(QStringLiteral("div"));
        d.btnOkClick();
        return d.result();
    });
    EXPECT_TRUE(EditStyle(dialog, row));
    EXPECT_EQ(row.Caption, "div.x");
    EXPECT_EQ(desktop.Messages.size(), 1U);
}

// Texts the controls cannot show survive an Ok that does not touch those controls.
TEST_F(EditStyleTest, UntouchedControlsKeepTextsTheyCannotShow)
{
    const TStyleRow original =
        MakeRow("p", {"", "", "bolder", "slanted", "wavy", "", "", "", "#123456", "red", "still loaded"});
    TStyleRow row = original;
    EXPECT_TRUE(Edit(row, [](TStyleDlg& d) {
        // A rejected colour stops nothing: the controls after it load as usual.
        EXPECT_TRUE(d.cbxBackground->isChecked());
        EXPECT_EQ(d.edtComment->text(), "still loaded");
        EXPECT_EQ(d.focusWidget(), d.edtHTMLTag);
        EXPECT_EQ(d.cboFontWeight->currentIndex(), -1);
    }));
    EXPECT_EQ(row, original);
}

TEST_F(EditStyleTest, DeliberateChoicesReplaceTextsTheControlsCouldNotShow)
{
    TStyleRow row = MakeRow("p", {"", "", "bolder", "slanted", "", "", "", "", "#123456", "red", ""});
    EXPECT_TRUE(Edit(row, [](TStyleDlg& d) {
        d.cboFontWeight->setFocus();
        QTest::keyClick(d.cboFontWeight, Qt::Key_Down);  // from nothing to the first entry below
        d.cbxForeground->click();                        // clear the foreground
        QTest::keyClick(d.fccBackground, Qt::Key_Down);  // pick a background from an empty selection
    }));
    EXPECT_EQ(row.SubItems[scFontWeight], dialog.cboFontWeight->currentText().toStdString());
    EXPECT_NE(row.SubItems[scFontWeight], "bolder");
    EXPECT_EQ(row.SubItems[scFontStyle], "slanted");
    EXPECT_EQ(row.SubItems[scColor], "");
    const std::string background = ColorToHex(dialog.fccBackground->SelectedColor());
    EXPECT_EQ(row.SubItems[scBgColor], "#" + background);
    EXPECT_NE(dialog.fccBackground->SelectedColor(), -1);
}

TEST_F(EditStyleTest, TickingAColourBoxWithoutAChoiceWritesWhiteOrTheLastSelection)
{
    TStyleRow row = MakeRow("p", {});
    EXPECT_TRUE(Edit(row, [](TStyleDlg& d) { d.cbxForeground->click(); }));
    EXPECT_EQ(row.SubItems[scColor], "#FFFFFF");

    // A named colour sets the selection; a later row whose colour the list lacks shows no entry
    // selected, so once the user re-ticks its box it writes what an empty selection writes, not the
    // earlier row's colour.
    row = MakeRow("p", {"", "", "", "", "", "", "", "", "#008000", "", ""});
    EXPECT_TRUE(Edit(row));
    row = MakeRow("p", {"", "", "", "", "", "", "", "", "#123456", "", ""});
    EXPECT_TRUE(Edit(row, [](TStyleDlg& d) {
        d.cbxForeground->click();
        d.cbxForeground->click();
    }));
    EXPECT_EQ(row.SubItems[scColor], "#FFFFFF");
}

// A colour no entry has shows the combo box's blank face, not the colour the previous row left
// selected; its text still survives an untouched Ok. An empty colour text leaves the selection as
// it was, under a clear check box.
TEST_F(EditStyleTest, AColourNoEntryHasShowsNoEntrySelected)
{
    for (const char* colour : {"#123456", "red", "#12345"}) {
        TStyleRow previous = MakeRow("p", {"", "", "", "", "", "", "", "", "#FF8080", "#FF8080", ""});
        EXPECT_TRUE(Edit(previous));
        ASSERT_NE(dialog.fccForeground->SelectedColor(), -1);
        TStyleRow row = MakeRow("p", {"", "", "", "", "", "", "", "", colour, colour, ""});
        const TStyleRow original = row;
        EXPECT_TRUE(Edit(row, [](TStyleDlg& d) {
            for (TFnpComboColor* combo : {d.fccForeground, d.fccBackground}) {
                EXPECT_EQ(combo->currentIndex(), -1);
                EXPECT_EQ(combo->SelectedColor(), -1);
            }
            EXPECT_TRUE(d.cbxForeground->isChecked());
            EXPECT_TRUE(d.cbxBackground->isChecked());
        })) << colour;
        EXPECT_EQ(row, original) << colour;
    }
    TStyleRow named = MakeRow("p", {"", "", "", "", "", "", "", "", "#008000", "", ""});
    EXPECT_TRUE(Edit(named));
    TStyleRow empty = MakeRow("p", {});
    EXPECT_TRUE(Edit(empty, [](TStyleDlg& d) {
        EXPECT_FALSE(d.cbxForeground->isChecked());
        EXPECT_EQ(d.fccForeground->SelectedColor(), HexToColor("#008000"));
    }));
    EXPECT_EQ(empty.SubItems[scColor], "");
}

TEST_F(EditStyleTest, ProgrammaticLoadingDoesNotCountAsTouching)
{
    // The second load must forget the first row's kept texts, and loading must not mark controls.
    TStyleRow first = MakeRow("p", {"", "", "bolder", "", "", "", "", "", "red", "", ""});
    EXPECT_TRUE(Edit(first));
    TStyleRow second = MakeRow("p", {"", "", "bold", "", "", "", "", "", "", "", ""});
    EXPECT_TRUE(Edit(second));
    EXPECT_EQ(second.SubItems[scFontWeight], "bold");
    EXPECT_EQ(second.SubItems[scColor], "");
}

}  // namespace
}  // namespace pindle
