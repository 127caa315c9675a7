#include "app/MainForm.h"
#include "app/Splitter.h"
#include "colour/Colors.h"
#include "dialogs/Style.h"
#include "model/Stylesheet.h"
#include "platform/qt/Application.h"
#include "platform/Exceptions.h"
#include "platform/qt/QtText.h"
#include "tests/support/FakeDesktop.h"

#include "editor/widget/SynEdit.h"
#include "highlight/SynHighlighterCss.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace pindle {
namespace {

using test::TFakeDesktop;

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

const std::string Header = std::string(BeginMarker) + "\r\n" + std::string(WarningLine) + "\r\n";
const std::string Footer = std::string(EndMarker) + "\r\n";

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        form = std::make_unique<TMainForm>();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void TearDown() override { TStyleDlg::SetModalHook(nullptr); }

    std::string Path(const char* name) const { return FileNameFromQString(dir.filePath(QString::fromUtf8(name))); }
    std::vector<std::string> Pane() const { return form->PaneLines(); }
    void AddRow(const std::string& caption, const std::string& comment = "")
    {
        std::array<std::string, 11> items{};
        items[10] = comment;
        form->Styles().AppendRow(caption, items);
    }
    void ClickRow(int row)
    {
        const QRect rect = form->lvStyles->visualRect(form->lvStyles->model()->index(row, 0));
        QTest::mouseClick(form->lvStyles->viewport(), Qt::LeftButton, {}, rect.center());
    }
    std::string Caption() const { return FromQString(form->windowTitle()); }
    // The style commands that need a selection, in the menu, the popup menu and the tool bar.
    std::vector<bool> EditDeleteStates() const
    {
        return {form->mnuEdit->isEnabled(),  form->pmnuEdit->isEnabled(),   form->tbtnEditStyle->isEnabled(),
                form->mnuDelete->isEnabled(), form->pmnuDelete->isEnabled(), form->tbtnStyleDelete->isEnabled()};
    }
    bool AddEnabled() const
    {
        return form->mnuAdd->isEnabled() && form->pmnuAdd->isEnabled() && form->tbtnAddStyle->isEnabled();
    }

    QTemporaryDir dir;
    TFakeDesktop desktop;
    std::unique_ptr<TMainForm> form;
};

const std::vector<bool> AllOn(6, true);
const std::vector<bool> AllOff(6, false);

TEST_F(MainFormTest, StartsWithAnEmptyDocumentAndEditDeleteOffOnceIdle)
{
    EXPECT_EQ(Caption(), "Pindle");
    EXPECT_EQ(form->FileName, "");
    EXPECT_EQ(form->Styles().Count(), 0);
    EXPECT_EQ(form->seEditor->Lines().Count(), 0);  // the design-time line is gone
    EXPECT_EQ(EditDeleteStates(), AllOn);
    Application().DoIdle();
    EXPECT_EQ(EditDeleteStates(), AllOff);
    EXPECT_TRUE(AddEnabled());
    EXPECT_TRUE(form->HTMLCode1->isEnabled());
}

// What a screen reader announces: each tool bar button by its menu command, the source pane as an
// editable text named by its place in the window, the style table with its column headers.
TEST_F(MainFormTest, ControlsHaveTheNamesAScreenReaderReads)
{
    const struct {
        QWidget* Widget;
        QAccessible::Role Role;
        const char* Name;
    } cases[] = {
        {form->tbtnNew, QAccessible::Button, "New"},
        {form->tbtnOpen, QAccessible::Button, "Open"},
        {form->tbtnSave, QAccessible::Button, "Save"},
        {form->tbtnStyleDelete, QAccessible::Button, "Delete"},
        {form->tbtnAddStyle, QAccessible::Button, "Add"},
        {form->tbtnEditStyle, QAccessible::Button, "Edit"},
        {form->seEditor, QAccessible::EditableText, "Source"},
        {form->lvStyles, QAccessible::Table, "Styles"},
    };
    for (const auto& c : cases) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(c.Widget);
        ASSERT_NE(face, nullptr) << c.Name;
        EXPECT_EQ(face->role(), c.Role) << c.Name;
        EXPECT_EQ(face->text(QAccessible::Name), QString::fromLatin1(c.Name));
    }
    form->seEditor->Lines().Add("p {}");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form->seEditor)->textInterface()->text(0, -1), "p {}");
    AddRow("h1");
    QApplication::processEvents();
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(form->lvStyles);
    ASSERT_NE(table->tableInterface(), nullptr);
    EXPECT_EQ(table->tableInterface()->columnCount(), 12);
    EXPECT_EQ(table->tableInterface()->rowCount(), 1);
    EXPECT_EQ(table->tableInterface()->cellAt(0, 0)->text(QAccessible::Name), "h1");
}

TEST_F(MainFormTest, ListViewShowsTheRowsInTwelveColumns)
{
    QAbstractItemModel* model = form->lvStyles->model();
    ASSERT_EQ(model->columnCount(), 12);
    EXPECT_EQ(form->lvStyles->header()->sectionSize(11), 300);
    EXPECT_FALSE(form->lvStyles->header()->sectionsClickable());
    AddRow("h1", "Main heading");
    form->Styles().SetSubItem(0, 0, "Arial");
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->index(0, 0).data().toString(), "h1");
    EXPECT_EQ(model->index(0, 1).data().toString(), "Arial");
    EXPECT_EQ(model->index(0, 11).data().toString(), "Main heading");
    EXPECT_FALSE(model->index(0, 0).data(Qt::DecorationRole).isNull());
    EXPECT_FALSE(model->flags(model->index(0, 0)) & Qt::ItemIsEditable);
}

TEST_F(MainFormTest, SelectingEnablesEditDeleteAndDeletingDisablesThemWhenIdle)
{
    AddRow("h1");
    AddRow("p");
    AddRow("em");
    Application().DoIdle();
    ClickRow(1);
    EXPECT_EQ(form->Styles().SelectedIndex(), 1);
    EXPECT_EQ(EditDeleteStates(), AllOn);  // the click itself refreshes them

    desktop.Answers.push_back(mrYes);
    form->tbtnStyleDelete->click();
    ASSERT_EQ(form->Styles().Count(), 2);
    EXPECT_EQ(form->Styles().Row(1).Caption, "em");
    EXPECT_EQ(form->Styles().SelectedIndex(), -1);
    EXPECT_TRUE(form->lvStyles->selectionModel()->selectedRows().isEmpty());
    Application().DoIdle();
    EXPECT_EQ(EditDeleteStates(), AllOff);
}

TEST_F(MainFormTest, DeleteAsksFirstAndNoKeepsTheRow)
{
    AddRow("h1");
    ClickRow(0);
    form->mnuDelete->trigger();  // the fake answers No
    EXPECT_EQ(form->Styles().Count(), 1);
    EXPECT_EQ(form->Styles().SelectedIndex(), 0);
    ASSERT_EQ(desktop.Messages.size(), 1U);
    EXPECT_EQ(desktop.Messages[0].Type, TMsgDlgType::mtConfirmation);
    EXPECT_EQ(desktop.Messages[0].Caption, "Confirm");
    EXPECT_EQ(desktop.Messages[0].Text, "Are you sure that you wish to delete the selected item?");
    EXPECT_EQ(desktop.Beeps, std::vector<TBeep>{TBeep::Question});
}

TEST_F(MainFormTest, DeleteWithoutASelectionDoesNothing)
{
    AddRow("h1");
    form->mnuDeleteClick();
    EXPECT_EQ(form->Styles().Count(), 1);
    EXPECT_TRUE(desktop.Messages.empty());
}

TEST_F(MainFormTest, FileMenuEnablesHtmlCodeExactlyWhenThereIsAFileName)
{
    form->Style1Click();
    EXPECT_TRUE(form->HTMLCode1->isEnabled());  // only the File menu changes it
    form->File1Click();
    EXPECT_FALSE(form->HTMLCode1->isEnabled());
    form->Style1Click();
    EXPECT_FALSE(form->HTMLCode1->isEnabled());
    desktop.FileChoices.push_back(Path("a.css"));
    form->Save1->trigger();
    form->File1Click();
    EXPECT_TRUE(form->HTMLCode1->isEnabled());
    form->New1->trigger();
    form->File1Click();
    EXPECT_FALSE(form->HTMLCode1->isEnabled());
}

TEST_F(MainFormTest, ToolButtonHintsShowInTheStatusBarWhileTheMouseIsOverThem)
{
    EXPECT_EQ(form->tbtnSave->toolTip(), "Save");
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(form->tbtnSave, &enter);
    EXPECT_EQ(form->StatusBar->currentMessage(), "Save the current stylesheet");
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(form->tbtnSave, &leave);
    EXPECT_EQ(form->StatusBar->currentMessage(), "");
}

TEST_F(MainFormTest, HighlightedMenuItemShowsItsLongHintUntilTheMenuCloses)
{
    form->menuBar()->setActiveAction(form->Style1->menuAction());  // opened from the menu bar
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Style1));
    form->Style1->setActiveAction(form->HTMLCode1);
    EXPECT_EQ(form->StatusBar->currentMessage(), "Show the HTML code required to use this stylesheet");
    form->Style1->setActiveAction(form->mnuAdd);
    EXPECT_EQ(form->StatusBar->currentMessage(), "Add a new style");
    form->Style1->hide();
    EXPECT_EQ(form->StatusBar->currentMessage(), "");
}

// Over a disabled item the bar shows that item's hint, over a separator nothing: never the hint of
// the item the mouse came from.
TEST_F(MainFormTest, MenuHintFollowsTheMouseOverDisabledItemsAndSeparators)
{
    Application().DoIdle();  // no row is selected: Edit and Delete are disabled
    ASSERT_FALSE(form->mnuDelete->isEnabled());
    const auto rest = [this](QMenu* menu, QAction* action) {
        QTest::mouseMove(menu, menu->actionGeometry(action).center());
        return FromQString(form->StatusBar->currentMessage());
    };
    form->menuBar()->setActiveAction(form->Style1->menuAction());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Style1));
    EXPECT_EQ(rest(form->Style1, form->mnuAdd), "Add a new style");
    EXPECT_EQ(rest(form->Style1, form->mnuDelete), "Delete the current style");
    EXPECT_EQ(rest(form->Style1, form->N1), "");
    EXPECT_EQ(rest(form->Style1, form->HTMLCode1), "Show the HTML code required to use this stylesheet");
    EXPECT_EQ(rest(form->Style1, form->mnuEdit), "Edit the current style");
    form->Style1->hide();
    EXPECT_EQ(form->StatusBar->currentMessage(), "");

    form->menuBar()->setActiveAction(form->File1->menuAction());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->File1));
    EXPECT_EQ(rest(form->File1, form->SaveAs1), "Save the current stylesheet with a new filename");
    EXPECT_EQ(rest(form->File1, form->N3), "");
    EXPECT_EQ(rest(form->File1, form->Exit1), "Exit this application");
    form->File1->hide();
}

TEST_F(MainFormTest, SaveOfANewDocumentAsksForANameWritesTheFileAndCopiesTheLink)
{
    AddRow("h1", "Main heading");
    form->seEditor->Lines().Add("body {margin:0}");
    const std::string path = Path("site.css");
    desktop.FileChoices.push_back(path);
    form->tbtnSave->click();

    ASSERT_EQ(desktop.DialogsShown.size(), 1U);
    EXPECT_TRUE(desktop.DialogsShown[0].Save);
    EXPECT_EQ(ReadBytes(path), Header + "h1 {;}   /* Main heading*/\r\n" + Footer + "body {margin:0}\r\n");
    EXPECT_EQ(form->FileName, path);
    EXPECT_EQ(Caption(), "Pindle - [" + path + "]");
    const std::string link = "<link rel=\"stylesheet\" type=\"text/css\" href=\"site.css\">";
    EXPECT_EQ(desktop.Clipboard, link);
    ASSERT_EQ(desktop.Messages.size(), 1U);
    EXPECT_EQ(desktop.Messages[0].Type, TMsgDlgType::mtInformation);
    EXPECT_EQ(desktop.Messages[0].Caption, "Information");
    EXPECT_EQ(desktop.Messages[0].Text,
              "The code to use the stylesheet has been copied to the clipboard as \r\n" + link);
    EXPECT_EQ(desktop.Beeps, std::vector<TBeep>{TBeep::Exclamation});

    // Save again writes the same file at once.
    form->Styles().Clear();
    desktop.Clipboard.clear();
    form->Save1->trigger();
    EXPECT_EQ(desktop.DialogsShown.size(), 1U);
    EXPECT_EQ(ReadBytes(path), Header + Footer + "body {margin:0}\r\n");
    EXPECT_EQ(desktop.Clipboard, link);
}

TEST_F(MainFormTest, ANameOutsideAsciiShowsAsItsCharactersNotItsBytes)
{
    // "café.css" and "日本.css" as the file system spells them; the link names the file as it is.
    for (const std::string name : {"caf\xC3\xA9.css", "\xE6\x97\xA5\xE6\x9C\xAC.css"}) {
        SCOPED_TRACE(name);
        const std::string path = Path(name.c_str());
        desktop.FileChoices.push_back(path);
        form->SaveAs1->trigger();
        EXPECT_EQ(ReadBytes(path), Header + Footer);
        EXPECT_EQ(form->FileName, path);
        EXPECT_EQ(form->windowTitle(), "Pindle - [" + QString::fromUtf8(path.c_str()) + "]");
        EXPECT_EQ(desktop.Clipboard, "<link rel=\"stylesheet\" type=\"text/css\" href=\"" + name + "\">");
    }
}

TEST_F(MainFormTest, CancelledDialogsChangeNothing)
{
    AddRow("h1");
    desktop.FileChoices = {std::nullopt, std::nullopt};
    form->SaveAs1->trigger();
    form->Open1->trigger();
    EXPECT_EQ(desktop.DialogsShown.size(), 2U);
    EXPECT_EQ(form->Styles().Count(), 1);
    EXPECT_EQ(form->FileName, "");
    EXPECT_EQ(Caption(), "Pindle");
    EXPECT_TRUE(desktop.Messages.empty());
}

TEST_F(MainFormTest, OpenReadsRowsAndFreeTextAndShowsTheNameWithABlank)
{
    const std::string path = Path("in.css");
    WriteBytes(path, "/* before */\r\n" + Header + "h1 {font-size:14pt;}\r\np.note {;color:#FF0000;}\r\n" + Footer +
                         "body {margin:0}\r\n");
    AddRow("old");
    desktop.FileChoices.push_back(path);
    form->tbtnOpen->click();

    ASSERT_EQ(form->Styles().Count(), 2);
    EXPECT_EQ(form->Styles().Row(0).Caption, "h1");
    EXPECT_EQ(form->Styles().Row(0).SubItems[1], "14pt");
    EXPECT_EQ(form->Styles().Row(1).SubItems[8], "#FF0000");
    EXPECT_EQ(Pane(), (std::vector<std::string>{"/* before */", "body {margin:0}"}));
    EXPECT_EQ(form->FileName, path);
    EXPECT_EQ(Caption(), "Pindle - [ " + path + "]");
    EXPECT_EQ(form->lvStyles->model()->rowCount(), 2);

    // Saved back, the free text follows the block.
    form->Save1->trigger();
    EXPECT_EQ(ReadBytes(path), Header + "h1 {;font-size:14pt;}\r\np.note {;color:#FF0000;}\r\n" + Footer +
                                   "/* before */\r\nbody {margin:0}\r\n");
    EXPECT_EQ(Caption(), "Pindle - [" + path + "]");
}

TEST_F(MainFormTest, OpenNamesACopyThatAnUnfinishedSaveLeftInTheProgramsWarningBox)
{
    const std::string path = Path("kept.css");
    WriteBytes(path, Header + Footer);
    WriteBytes(path + "~pindle-backup", "old content\r\n");
    desktop.FileChoices.push_back(path);
    form->tbtnOpen->click();

    ASSERT_EQ(desktop.Messages.size(), 1u);
    EXPECT_EQ(desktop.Messages[0].Type, TMsgDlgType::mtWarning);
    EXPECT_EQ(desktop.Messages[0].Caption, "Warning");
    EXPECT_NE(desktop.Messages[0].Text.find(path + "~pindle-backup"), std::string::npos) << desktop.Messages[0].Text;
    EXPECT_EQ(desktop.Beeps, std::vector<TBeep>{TBeep::Exclamation});
}

int RowHeight(const QAbstractItemView* view, int row)
{
    return view->visualRect(view->model()->index(row, 1)).height();
}

// The height a row needs for its 16 by 16 image and its text.
int HeightForImage(const QAbstractItemView* view)
{
    const int text = view->fontMetrics().height();
    return std::max(view->iconSize().height(), text);
}

TEST_F(MainFormTest, RowsKeepTheHeightOfTheirImageWhileTheFirstColumnIsScrolledAway)
{
    form->lvStyles->horizontalScrollBar()->setValue(form->lvStyles->horizontalScrollBar()->maximum());
    ASSERT_GT(form->lvStyles->horizontalScrollBar()->value(), 80);  // the first column is out of sight
    AddRow("h1");
    AddRow("p");
    QApplication::processEvents();
    EXPECT_GE(RowHeight(form->lvStyles, 0), HeightForImage(form->lvStyles));
    const int height = RowHeight(form->lvStyles, 0);
    form->lvStyles->horizontalScrollBar()->setValue(0);
    QApplication::processEvents();
    EXPECT_EQ(RowHeight(form->lvStyles, 1), height);
}

TEST_F(MainFormTest, NewAndOpenScrollTheTableBackToItsStart)
{
    const std::string path = Path("wide.css");
    std::string rows;
    for (int i = 0; i < 40; ++i)
        rows += "h" + std::to_string(i) + " {;font-size:" + std::to_string(i) + "pt;}\r\n";
    WriteBytes(path, Header + rows + Footer);
    desktop.FileChoices.push_back(path);
    form->tbtnOpen->click();
    QApplication::processEvents();
    const int height = RowHeight(form->lvStyles, 0);
    EXPECT_GE(height, HeightForImage(form->lvStyles));

    for (QAction* command : {form->Open1, form->New1}) {
        form->lvStyles->horizontalScrollBar()->setValue(form->lvStyles->horizontalScrollBar()->maximum());
        form->lvStyles->verticalScrollBar()->setValue(form->lvStyles->verticalScrollBar()->maximum());
        desktop.FileChoices.push_back(path);
        command->trigger();
        QApplication::processEvents();
        EXPECT_EQ(form->lvStyles->horizontalScrollBar()->value(), 0) << FromQString(command->objectName());
        EXPECT_EQ(form->lvStyles->verticalScrollBar()->value(), 0) << FromQString(command->objectName());
    }
    // Opened again while scrolled right, the rows keep their height.
    form->lvStyles->horizontalScrollBar()->setValue(form->lvStyles->horizontalScrollBar()->maximum());
    form->Open1->trigger();
    QApplication::processEvents();
    EXPECT_EQ(RowHeight(form->lvStyles, 0), height);
}

// Lines as the reader splits a file: at CR LF, LF or CR.
std::vector<std::string> SplitLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t stop = bytes.find_first_of("\r\n", start);
        lines.push_back(bytes.substr(start, stop == std::string::npos ? std::string::npos : stop - start));
        if (stop == std::string::npos)
            break;
        start = stop + (bytes.compare(stop, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

std::vector<std::intptr_t> StoredStates(const TSynEditList& lines)
{
    std::vector<std::intptr_t> states;
    for (int i = 0; i < lines.Count(); ++i)
        states.push_back(lines.GetObject(i));
    return states;
}

std::vector<std::intptr_t> RescannedStates(const TSynEditList& lines)
{
    TSynCssSyn css;
    std::vector<std::intptr_t> states;
    for (int i = 0; i < lines.Count(); ++i) {
        states.push_back(css.LineState());
        css.StartLine(lines.Get(i), i);
        css.ScanToLineEnd();
    }
    return states;
}

// Does the text begin, after blanks and comments, with a statement that must precede every rule?
bool StartsWithHeadStatement(std::string_view text)
{
    for (;;) {
        const std::size_t start = text.find_first_not_of(" \t\r\n\f");
        if (start == std::string_view::npos)
            return false;
        text.remove_prefix(start);
        if (!text.starts_with("/*"))
            break;
        const std::size_t close = text.find("*/", 2);
        if (close == std::string_view::npos)
            return false;
        text.remove_prefix(close + 2);
    }
    for (std::string_view keyword : {"@charset", "@import", "@namespace"})
        if (text.starts_with(keyword))
            return true;
    return false;
}

// Real stylesheets from public packages, each alone and all of them in one file, opened and saved
// in the real window: the pane holds every line as it was, with the states of a full rescan, and
// the saved file reads back and saves again byte for byte.
TEST_F(MainFormTest, RealStylesheetsRoundTripByteForByte)
{
    const std::filesystem::path folder = PINDLE_REAL_CSS_DIR;
    if (folder.empty() || !std::filesystem::is_directory(folder))
        GTEST_SKIP() << "no real stylesheets at '" << folder.string() << "'";
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".css")
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());
    std::string all;
    for (const std::string& file : files)
        all += ReadBytes(file);
    WriteBytes(Path("all.css"), all);
    files.push_back(Path("all.css"));

    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        form->LoadFromFile(file);
        std::string original = ReadBytes(file);
        // Every one of them is UTF-8, a few with a byte-order mark, which is not text of the pane.
        EXPECT_EQ(form->Format().Encoding, TTextEncoding::Utf8);
        const bool mark = original.starts_with(Utf8ByteOrderMark);
        EXPECT_EQ(form->Format().ByteOrderMark, mark);
        const std::vector<std::string> lines = SplitLines(original.substr(mark ? Utf8ByteOrderMark.size() : 0));
        ASSERT_EQ(Pane(), lines);
        EXPECT_EQ(StoredStates(form->seEditor->Lines()), RescannedStates(form->seEditor->Lines()));
        EXPECT_FALSE(form->seEditor->Core().CanUndo());
        std::string expected = mark ? std::string(Utf8ByteOrderMark) : std::string();
        for (const std::string& line : lines)
            expected += line + "\r\n";
        form->SaveToFile(Path("a.css"));
        const std::string saved = ReadBytes(Path("a.css"));
        // The empty block goes in before the first rule, outside every comment and after every
        // @charset, @import and @namespace, and moves nothing else; only a head that ends inside a
        // line has a line end put after it.
        std::string withoutBlock = saved;
        const std::size_t block = withoutBlock.find(Header + Footer);
        ASSERT_NE(block, std::string::npos);
        const std::string before = withoutBlock.substr(0, block);
        EXPECT_EQ(before.find('{'), std::string::npos);
        EXPECT_TRUE(before.rfind("/*") == std::string::npos || before.rfind("*/") > before.rfind("/*")) << before;
        EXPECT_FALSE(StartsWithHeadStatement(std::string_view(saved).substr(block + (Header + Footer).size())));
        withoutBlock.erase(block, (Header + Footer).size());
        if (withoutBlock != expected && block >= 2 && withoutBlock.compare(block - 2, 2, "\r\n") == 0)
            withoutBlock.erase(block - 2, 2);
        ASSERT_EQ(withoutBlock, expected);
        form->LoadFromFile(Path("a.css"));
        form->SaveToFile(Path("b.css"));
        EXPECT_EQ(ReadBytes(Path("b.css")), saved);
    }
}

TEST_F(MainFormTest, FailedOpenShowsTheErrorAndKeepsTheDocument)
{
    const std::string saved = Path("kept.css");
    AddRow("h1");
    form->seEditor->Lines().Add("body {}");
    desktop.FileChoices = {saved, Path("missing.css")};
    form->SaveAs1->trigger();
    desktop.Messages.clear();
    form->Open1->trigger();

    ASSERT_EQ(desktop.Messages.size(), 1U);
    EXPECT_EQ(desktop.Messages[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(desktop.Messages[0].Caption, "Pindle");
    EXPECT_EQ(desktop.Messages[0].Text, "File not found.");
    ASSERT_EQ(form->Styles().Count(), 1);
    EXPECT_EQ(form->Styles().Row(0).Caption, "h1");
    EXPECT_EQ(Pane(), std::vector<std::string>{"body {}"});
    EXPECT_EQ(form->FileName, saved);
    EXPECT_EQ(Caption(), "Pindle - [" + saved + "]");
}

TEST_F(MainFormTest, FailedSaveKeepsNameCaptionAndClipboard)
{
    desktop.Clipboard = "before";
    desktop.FileChoices.push_back(Path("no/such/folder/x.css"));
    form->SaveAs1->trigger();
    ASSERT_EQ(desktop.Messages.size(), 1U);
    EXPECT_EQ(desktop.Messages[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(form->FileName, "");
    EXPECT_EQ(Caption(), "Pindle");
    EXPECT_EQ(desktop.Clipboard, "before");
}

TEST_F(MainFormTest, NewEmptiesEverythingWithoutAQuestion)
{
    desktop.FileChoices.push_back(Path("n.css"));
    form->SaveAs1->trigger();
    AddRow("h1");
    form->seEditor->Lines().Add("x");
    desktop.Messages.clear();
    form->tbtnNew->click();
    EXPECT_EQ(form->Styles().Count(), 0);
    EXPECT_EQ(form->seEditor->Lines().Count(), 0);
    EXPECT_EQ(form->FileName, "");
    EXPECT_EQ(Caption(), "Pindle");
    EXPECT_TRUE(desktop.Messages.empty());
}

TEST_F(MainFormTest, HtmlCodeWithoutAFileNameCopiesAnEmptyLink)
{
    form->HTMLCode1->trigger();
    EXPECT_EQ(desktop.Clipboard, "<link rel=\"stylesheet\" type=\"text/css\" href=\"\">");
    EXPECT_EQ(desktop.Messages.size(), 1U);
}

TEST(HtmlLink, TakesTheNameAfterTheLastSeparatorUnchanged)
{
    const struct {
        const char* Path;
        const char* Name;
    } cases[] = {
        {"/home/ann/web/site.css", "site.css"},
        {"/srv/web/my style.css", "my style.css"},
        // ":" and "\\" are ordinary characters of a file name here.
        {"/home/me/a:b.css", "a:b.css"},
        {"/home/ann/a\\b.css", "a\\b.css"},
        {"C:\\web\\site.css", "C:\\web\\site.css"},
        {"C:site.css", "C:site.css"},
        {"plain.css", "plain.css"},
        {"/folder/", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileNamePart(c.Path), c.Name) << c.Path;
    EXPECT_EQ(HtmlLinkCode("site.css").size(), 55U);
    EXPECT_EQ(HtmlLinkCode("a&\"b"), "<link rel=\"stylesheet\" type=\"text/css\" href=\"a&\"b\">");
}

TEST(SplitterRule, HoldsThePaneBetweenTheLimitsAndCollapsesBelowThem)
{
    const struct {
        int Wanted, Available, Height;
    } cases[] = {
        {150, 300, 150}, {31, 300, 31}, {30, 300, 0}, {10, 300, 0}, {-5, 300, 0},
        {270, 300, 270}, {290, 300, 270}, {500, 300, 270}, {50, 60, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitterPaneHeight(c.Wanted, c.Available), c.Height) << c.Wanted << " of " << c.Available;
}

TEST_F(MainFormTest, DraggingTheSplitterResizesThePane)
{
    EXPECT_EQ(form->seEditor->height(), 150);
    EXPECT_EQ(form->Splitter1->height(), 3);
    const QPoint grab(20, 1);
    QTest::mousePress(form->Splitter1, Qt::LeftButton, {}, grab);
    QTest::mouseMove(form->Splitter1, grab - QPoint(0, 40));
    QTest::mouseRelease(form->Splitter1, Qt::LeftButton, {}, grab - QPoint(0, 40));
    EXPECT_EQ(form->seEditor->height(), 190);
}

// Drags the splitter's bar with the mouse to the given height in the window. The bar moves under
// the mouse, so each point is mapped from the window as the bar stands at that moment.
void DragSplitterTo(TMainForm& form, int windowY)
{
    QWidget* bar = form.Splitter1;
    const QPoint grab = bar->mapTo(&form, QPoint(20, 1));
    const QPoint target(grab.x(), windowY + 1);
    QTest::mousePress(bar, Qt::LeftButton, {}, bar->mapFrom(&form, grab));
    QTest::mouseMove(bar, bar->mapFrom(&form, (grab + target) / 2));
    QTest::mouseMove(bar, bar->mapFrom(&form, target));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, bar->mapFrom(&form, target));
    QApplication::processEvents();
}

TEST_F(MainFormTest, SplitterDragsNeverResizeTheWindowAndKeepTheTable30PixelsHigh)
{
    form->resize(696, 449);
    QApplication::processEvents();
    const QSize size = form->size();
    const int shared = form->lvStyles->height() + form->seEditor->height();

    const int tableTop = form->lvStyles->mapTo(form.get(), QPoint(0, 0)).y();
    for (const int y : {100, tableTop + 31, tableTop + 29, 0, -200, 100}) {
        DragSplitterTo(*form, y);
        const int table = std::max(TSplitter::MinSize, y - tableTop);
        EXPECT_EQ(form->height(), size.height()) << "dragged to " << y;
        EXPECT_EQ(form->width(), size.width()) << "dragged to " << y;
        EXPECT_EQ(form->lvStyles->height(), table) << "dragged to " << y;
        EXPECT_EQ(form->seEditor->height(), shared - table) << "dragged to " << y;
    }
    // The window can still be made as small as before the drags.
    EXPECT_LE(form->minimumSizeHint().height(), size.height() - 150);

    // Dragged to within 30 pixels of the bottom, the pane collapses; the bar drags it open again.
    DragSplitterTo(*form, form->Splitter1->mapTo(form.get(), QPoint(0, 0)).y() + form->seEditor->height() - 20);
    EXPECT_EQ(form->seEditor->height(), 0);
    EXPECT_EQ(form->height(), size.height());
    DragSplitterTo(*form, form->Splitter1->mapTo(form.get(), QPoint(0, 0)).y() - 100);
    EXPECT_EQ(form->seEditor->height(), 100);
    EXPECT_EQ(form->lvStyles->height(), shared - 100);
}

TEST_F(MainFormTest, ASmallerWindowSqueezesThePaneAndALargerOneGivesItsHeightBack)
{
    form->resize(696, 449);
    QApplication::processEvents();
    const int chrome = form->height() - form->lvStyles->height() - form->seEditor->height();
    form->resize(696, chrome + 100);
    QApplication::processEvents();
    EXPECT_EQ(form->lvStyles->height(), TSplitter::MinSize);
    EXPECT_EQ(form->seEditor->height(), 70);
    form->resize(696, chrome + 50);
    QApplication::processEvents();
    EXPECT_EQ(form->seEditor->height(), 0);  // too little for the pane: it collapses
    form->resize(696, 449);
    QApplication::processEvents();
    EXPECT_EQ(form->seEditor->height(), 150);
}

TEST_F(MainFormTest, AddThenCancelLeavesTheTableAsItWas)
{
    AddRow("h1", "x");
    ClickRow(0);
    const std::vector<TStyleRow> before = form->Styles().Rows();
    int rowsWhileOpen = -1;
    TStyleDlg::SetModalHook([&](TStyleDlg&) {
        rowsWhileOpen = form->lvStyles->model()->rowCount();
        return mrCancel;
    });
    form->tbtnAddStyle->click();
    EXPECT_EQ(rowsWhileOpen, 2);  // the new row shows while the dialog is open
    EXPECT_EQ(form->Styles().Rows(), before);
    EXPECT_EQ(form->lvStyles->model()->rowCount(), 1);
    EXPECT_EQ(form->Styles().SelectedIndex(), 0);
}

TEST_F(MainFormTest, AddShowsTheNewRowAtTheEndOfALongTableWhileTheDialogIsOpen)
{
    for (int i = 0; i < 60; ++i)
        AddRow("h" + std::to_string(i));
    form->lvStyles->horizontalScrollBar()->setValue(form->lvStyles->horizontalScrollBar()->maximum());
    QApplication::processEvents();
    bool shown = false;
    TStyleDlg::SetModalHook([&](TStyleDlg&) {
        QAbstractItemView* view = form->lvStyles;
        const QRect row = view->visualRect(view->model()->index(60, 0));
        shown = view->viewport()->rect().contains(row);
        return mrCancel;
    });
    form->tbtnAddStyle->click();
    EXPECT_TRUE(shown);
    EXPECT_EQ(form->Styles().Count(), 60);
}

TEST_F(MainFormTest, AddThatFailsLeavesNoEmptyRowAndShowsTheError)
{
    AddRow("h1");
    TStyleDlg::SetModalHook([](TStyleDlg&) -> int { throw Exception("Out of resources"); });
    form->tbtnAddStyle->click();
    EXPECT_EQ(form->Styles().Count(), 1);
    ASSERT_EQ(desktop.Messages.size(), 1U);
    EXPECT_EQ(desktop.Messages[0].Text, "Out of resources.");
}

TEST_F(MainFormTest, AddThenOkAppendsTheRowUnselected)
{
    AddRow("h1");
    TStyleDlg::SetModalHook([](TStyleDlg& dialog) {
        dialog.edtHTMLTag->setText(QStringLiteral("p"));
        dialog.edtStyleName->setText(QStringLiteral("note"));
        return mrOk;
    });
    form->mnuAdd->trigger();
    ASSERT_EQ(form->Styles().Count(), 2);
    EXPECT_EQ(form->Styles().Row(1).Caption, "p.note");
    EXPECT_EQ(form->Styles().SelectedIndex(), -1);
    EXPECT_EQ(form->lvStyles->model()->index(1, 0).data().toString(), "p.note");
}

TEST_F(MainFormTest, EditRewritesTheSelectedRowAndTheViewShowsIt)
{
    AddRow("h1", "old");
    AddRow("p");
    ClickRow(0);
    std::string loadedTag;
    TStyleDlg::SetModalHook([&](TStyleDlg& dialog) {
        loadedTag = FromQString(dialog.edtHTMLTag->text());
        dialog.edtHTMLTag->setText(QStringLiteral("h2"));
        return mrOk;
    });
    form->tbtnEditStyle->click();
    EXPECT_EQ(loadedTag, "h1");
    EXPECT_EQ(form->Styles().Row(0).Caption, "h2");
    EXPECT_EQ(form->Styles().Row(0).SubItems[10], "old");
    EXPECT_EQ(form->Styles().SelectedIndex(), 0);
    EXPECT_EQ(form->lvStyles->model()->index(0, 0).data().toString(), "h2");

    // The same dialog serves every edit; without a selection Edit does nothing.
    TStyleDlg* dialog = form->StyleDlg;
    form->pmnuEdit->trigger();
    EXPECT_EQ(form->StyleDlg, dialog);
    form->Styles().Select(-1);
    loadedTag.clear();
    form->lvStylesDblClick();
    EXPECT_EQ(loadedTag, "");
}

TEST_F(MainFormTest, ExitClosesAtOnce)
{
    AddRow("unsaved");
    form->Exit1->trigger();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(desktop.Messages.empty());
}

}  // namespace
}  // namespace pindle

namespace pindle {
namespace {

// The keyboard focus in the table shows as a frame that stands 3:1 apart from the background under
// it, in a light and a dark palette, round the empty table and round a selected row.
TEST_F(MainFormTest, TheTablesFocusFrameStandsApartFromItsBackground)
{
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    for (const auto& [name, palette] : {std::pair{"light", form->lvStyles->palette()}, std::pair{"dark", dark}}) {
        form->lvStyles->setPalette(palette);
        form->Styles().Clear();
        for (const bool withRow : {false, true}) {
            if (withRow) {
                AddRow("h1");
                form->Styles().Select(0);
            }
            form->activateWindow();
            form->lvStyles->setFocus();
            ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
            QApplication::processEvents();
            const QRect frame = form->lvStyles->FocusFrameRect();
            ASSERT_FALSE(frame.isEmpty()) << name;
            const QImage image = form->lvStyles->viewport()->grab().toImage();
            const int x = frame.center().x();  // clear of the row's image and text
            const QColor line = image.pixelColor(x, frame.top());
            const QColor inside = image.pixelColor(x, frame.top() + 3);
            const auto value = [](const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); };
            EXPECT_GE(ContrastRatio(value(line), value(inside)), 3.0) << name << (withRow ? " row" : " empty");
        }
    }
}

}  // namespace
}  // namespace pindle
