#include "colour/widget/FnpComboColor.h"
#include "dialogs/Style.h"
#include "dialogs/StyleIcons.h"
#include "platform/qt/Application.h"
#include "tests/support/FakeDesktop.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <algorithm>

namespace pindle {
namespace {

using Strings = std::vector<std::string>;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

void SelectSystemFont(TStyleDlg& dialog, const std::string& name)
{
    const auto items = dialog.lbSystemFonts->findItems(QString::fromLatin1(name.c_str()), Qt::MatchExactly);
    ASSERT_FALSE(items.isEmpty()) << name;
    dialog.lbSystemFonts->setCurrentItem(items.front());
}

void LoadFamily(TStyleDlg& dialog, const std::string& family)
{
    dialog.SetValues("p", "", family, "", "", "", "", "", "", "", "", "", "");
}

class StyleDlgTest : public ::testing::Test {
protected:
    test::TFakeDesktop desktop;
    TStyleDlg dialog;
};

TEST_F(StyleDlgTest, IsLaidOutAsAFixedDialogWithItsThreePages)
{
    EXPECT_EQ(dialog.windowTitle(), "Style");
    EXPECT_EQ(dialog.size(), QSize(478, 372));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    ASSERT_EQ(dialog.PageControl1->count(), 3);
    EXPECT_EQ(dialog.PageControl1->tabText(0), "Tag");
    EXPECT_EQ(dialog.PageControl1->tabText(1), "Font");
    EXPECT_EQ(dialog.PageControl1->tabText(2), "Miscellaneous");
    EXPECT_TRUE(dialog.btnOk->isDefault());

    const struct {
        QWidget* widget;
        QRect geometry;
    } controls[] = {
        {dialog.btnOk, {324, 341, 75, 25}},          {dialog.btnCancel, {399, 341, 75, 25}},
        {dialog.edtStyleName, {120, 25, 186, 21}},   {dialog.lbFontFamily, {240, 25, 196, 128}},
        {dialog.edtCustomFont, {110, 165, 331, 21}}, {dialog.fccBackground, {185, 40, 126, 22}},
    };
    for (const auto& c : controls)
        EXPECT_EQ(c.widget->geometry(), c.geometry) << c.widget->metaObject()->className();
    EXPECT_EQ(dialog.fccForeground->parentWidget(), dialog.GroupBox1);
    EXPECT_EQ(dialog.edtFontSize->parentWidget(), dialog.GroupBox2);
    EXPECT_EQ(dialog.cboFontWeight->parentWidget(), dialog.GroupBox3);
}

// The first row of the frame's top line, looking down the group box's right side, away from the
// title and the controls.
int FrameLineTop(QGroupBox* box)
{
    QImage image(box->size(), QImage::Format_ARGB32);
    image.fill(box->palette().color(QPalette::Window));
    box->render(&image, {}, {}, QWidget::RenderFlags());
    const QRgb background = image.pixel(box->width() - 5, 0);
    for (int y = 0; y < image.height(); ++y) {
        if (image.pixel(box->width() - 5, y) != background)
            return y;
    }
    return -1;
}

// Each control is named by its own caption (not by its group box), picture buttons by what they do;
// the colour boxes keep their list of named colours.
TEST_F(StyleDlgTest, EveryControlHasItsOwnAccessibleName)
{
    const struct {
        QWidget* Widget;
        const char* Name;
    } cases[] = {
        {dialog.edtHTMLTag, "HTML Tag"},
        {dialog.edtStyleName, "Style name"},
        {dialog.edtComment, "Comment"},
        {dialog.lbSystemFonts, "System fonts"},
        {dialog.lbFontFamily, "Font family"},
        {dialog.edtCustomFont, "Custom font family"},
        {dialog.sbtnMoveRight, "Add selected font"},
        {dialog.sbtnRemove, "Remove selected font"},
        {dialog.sbtnMoveUp, "Move font up"},
        {dialog.sbtnMoveDown, "Move font down"},
        {dialog.sbtnAddFont, "Add custom font"},
        {dialog.cboFontWeight, "Weight"},
        {dialog.cboFontStyle, "Style"},
        {dialog.cboFontDecoration, "Decoration"},
        {dialog.edtFontSize, "Font size"},
        {dialog.edtLineHeight, "Line height"},
        {dialog.edtLetterSp, "Letter sp."},
        {dialog.edtWordSp, "Word sp."},
        {dialog.cbxForeground, "Foreground"},
        {dialog.cbxBackground, "Background"},
        {dialog.fccForeground, "Foreground color"},
        {dialog.fccBackground, "Background color"},
    };
    for (const auto& c : cases) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(c.Widget);
        ASSERT_NE(face, nullptr) << c.Name;
        EXPECT_EQ(face->text(QAccessible::Name), QString::fromLatin1(c.Name));
    }
    // With a colour chosen a colour box keeps its name; the colour is its value and its text.
    dialog.fccForeground->setCurrentIndex(dialog.fccForeground->findText(QStringLiteral("Red")));
    QAccessibleInterface* foreground = QAccessible::queryAccessibleInterface(dialog.fccForeground);
    EXPECT_EQ(foreground->text(QAccessible::Name), "Foreground color");
    EXPECT_EQ(foreground->text(QAccessible::Value), "Red");
    ASSERT_NE(foreground->textInterface(), nullptr);
    EXPECT_EQ(foreground->textInterface()->text(0, -1), "Red");
    // The colour box still offers its named colours as the entries of its list.
    QAccessibleInterface* colours = QAccessible::queryAccessibleInterface(dialog.fccBackground);
    EXPECT_EQ(colours->role(), QAccessible::ComboBox);
    QAccessibleInterface* list = colours->child(0);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->childCount(), dialog.fccBackground->count());
}

// The arrow and "Aa" pictures come at the device pixel ratio they are asked for, drawn in the
// palette's button text colour: clearly set off from the button face on a light and a dark palette.
TEST(StyleIcons, AreDrawnAtTheDevicePixelRatioInThePalettesColours)
{
    QPalette light(QColor(240, 240, 240));
    light.setColor(QPalette::ButtonText, Qt::black);
    light.setColor(QPalette::Highlight, QColor(48, 140, 198));
    QPalette dark(QColor(53, 53, 53));
    dark.setColor(QPalette::ButtonText, Qt::white);
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    const QPalette before = QApplication::palette();
    const struct {
        const char* Name;
        QIcon Icon;
    } icons[] = {{"up", ArrowIcon(true)}, {"down", ArrowIcon(false)}, {"Aa", FontIcon()}};
    const std::pair<const char*, QPalette> palettes[] = {{"light", light}, {"dark", dark}};
    for (const auto& [paletteName, palette] : palettes) {
        QApplication::setPalette(palette);
        const double face = palette.color(QPalette::Button).lightnessF();
        for (const auto& icon : icons) {
            for (const qreal ratio : {1.0, 1.5, 2.0}) {
                SCOPED_TRACE(std::string(icon.Name) + " at " + std::to_string(ratio) + ", " + paletteName);
                const QPixmap pixmap = icon.Icon.pixmap(QSize(16, 16), ratio);
                EXPECT_EQ(pixmap.size(), QSize(16, 16) * ratio);
                EXPECT_DOUBLE_EQ(pixmap.devicePixelRatio(), ratio);
                const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
                double lightness = 0;
                int inked = 0;
                for (int y = 0; y < image.height(); ++y) {
                    for (int x = 0; x < image.width(); ++x) {
                        const QColor pixel = image.pixelColor(x, y);
                        if (pixel.alpha() > 128) {
                            lightness += pixel.lightnessF();
                            ++inked;
                        }
                    }
                }
                ASSERT_GT(inked, 10 * ratio * ratio);
                EXPECT_GT(std::abs(lightness / inked - face), 0.4);
            }
        }
    }
    QApplication::setPalette(before);
}

TEST_F(StyleDlgTest, GroupBoxesHoldTheirControlsInsideTheFrameClearOfTheTitle)
{
    dialog.PageControl1->setCurrentWidget(dialog.tbshtMisc);
    for (QGroupBox* box : {dialog.GroupBox1, dialog.GroupBox2, dialog.GroupBox3}) {
        int firstRow = box->height();
        for (const QWidget* child : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            firstRow = std::min(firstRow, child->y());
        ASSERT_EQ(firstRow, 20) << box->title().toStdString();
        const int line = FrameLineTop(box);
        EXPECT_GE(line, 0) << box->title().toStdString();
        EXPECT_LT(line, firstRow - 2) << box->title().toStdString();
        // The title stands on the line, above the first row of controls.
        EXPECT_LE(box->fontMetrics().height(), firstRow) << box->title().toStdString();
    }
}

TEST_F(StyleDlgTest, CustomFontLabelFitsItsPlaceUncut)
{
    QLabel* label = nullptr;
    for (QLabel* candidate : dialog.tbshtFont->findChildren<QLabel*>()) {
        if (candidate->text() == "Custom font family")
            label = candidate;
    }
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->geometry().left(), 10);
    EXPECT_EQ(label->geometry().width(), 91);
    EXPECT_LE(label->sizeHint().width(), 91);
    EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), 91);
    EXPECT_GE(label->height(), QFontMetrics(label->font()).height());
}

// An entry that has the focus but is not selected shows a focus frame and no selection colour.
TEST_F(StyleDlgTest, FocusOnAListWithoutASelectionTintsNoEntry)
{
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    dialog.PageControl1->setCurrentWidget(dialog.tbshtFont);
    QListWidget* list = dialog.lbSystemFonts;
    dialog.edtCustomFont->setFocus();
    QTest::keyClick(dialog.edtCustomFont, Qt::Key_Tab);
    ASSERT_TRUE(list->hasFocus());
    list->clearSelection();
    ASSERT_TRUE(list->selectedItems().isEmpty());
    const QRect row = list->visualItemRect(list->item(list->currentRow() < 0 ? 0 : list->currentRow()));
    const QImage focused = list->viewport()->grab().toImage();
    QTest::keyClick(list, Qt::Key_Tab);
    ASSERT_FALSE(list->hasFocus());
    const QImage unfocused = list->viewport()->grab().toImage();

    int inside = 0;
    int border = 0;
    for (int y = row.top(); y <= row.bottom(); ++y) {
        for (int x = row.left(); x <= row.right(); ++x) {
            const bool differs = focused.pixel(x, y) != unfocused.pixel(x, y);
            const bool onBorder = y == row.top() || y == row.bottom() || x == row.left() || x == row.right();
            (onBorder ? border : inside) += differs ? 1 : 0;
        }
    }
    EXPECT_EQ(inside, 0) << "pixels inside the focused row tinted";
    EXPECT_GT(border, 0) << "no focus frame drawn";
    dialog.hide();
}

TEST_F(StyleDlgTest, TabOrderRunsFromTheButtonsThroughEachPageInItsOwnOrder)
{
    const std::vector<QWidget*> expected = {
        dialog.btnCancel, dialog.btnOk,
        dialog.edtStyleName, dialog.edtHTMLTag, dialog.edtComment,
        dialog.lbFontFamily, dialog.edtCustomFont, dialog.lbSystemFonts,
        dialog.cbxForeground, dialog.cbxBackground, dialog.fccForeground, dialog.fccBackground,
        dialog.edtFontSize, dialog.edtLineHeight, dialog.edtLetterSp, dialog.edtWordSp,
        dialog.cboFontWeight, dialog.cboFontStyle, dialog.cboFontDecoration,
    };
    std::vector<QWidget*> chain;
    QWidget* w = dialog.btnCancel;
    do {
        if (std::find(expected.begin(), expected.end(), w) != expected.end())
            chain.push_back(w);
        w = w->nextInFocusChain();
    } while (w != dialog.btnCancel && chain.size() < 100);
    EXPECT_EQ(chain, expected);
    for (QToolButton* button : {dialog.sbtnMoveRight, dialog.sbtnRemove, dialog.sbtnAddFont})
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
}

TEST_F(StyleDlgTest, StartsEmptyWithEveryInstalledFontSortedAndTheNamedColours)
{
    const Strings fonts = dialog.SystemFontEntries();
    EXPECT_NE(std::find(fonts.begin(), fonts.end(), "Default"), fonts.end());
    EXPECT_GT(fonts.size(), 1U);
    EXPECT_TRUE(std::is_sorted(fonts.begin(), fonts.end(),
                               [](const std::string& a, const std::string& b) { return Lower(a) < Lower(b); }));
    Strings unique = fonts;
    unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
    EXPECT_EQ(unique.size(), fonts.size());

    EXPECT_TRUE(dialog.FontFamilyEntries().empty());
    for (QComboBox* box : {dialog.cboFontWeight, dialog.cboFontStyle, dialog.cboFontDecoration}) {
        EXPECT_TRUE(box->currentText().isEmpty());
        EXPECT_EQ(box->itemText(0), "");
    }
    EXPECT_EQ(dialog.cboFontDecoration->count(), 6);
    EXPECT_FALSE(dialog.cbxForeground->isChecked());
    EXPECT_FALSE(dialog.cbxBackground->isChecked());
    for (TFnpComboColor* combo : {dialog.fccForeground, dialog.fccBackground}) {
        EXPECT_EQ(combo->SelectedColor(), -1);
        ASSERT_EQ(combo->count(), 28);
        EXPECT_EQ(combo->EntryName(0), "Black");
        EXPECT_EQ(combo->EntryName(27), "White");
    }
    EXPECT_EQ(dialog.PageControl1->currentIndex(), 0);
    EXPECT_EQ(dialog.focusWidget(), dialog.edtHTMLTag);
}

TEST_F(StyleDlgTest, MoveRightTakesTheSelectedSystemFontToTheEndOfTheFamily)
{
    LoadFamily(dialog, "serif");
    dialog.sbtnMoveRightClick();  // nothing selected: nothing happens
    EXPECT_EQ(dialog.FontFamilyEntries(), Strings{"serif"});

    SelectSystemFont(dialog, "Default");
    dialog.sbtnMoveRightClick();
    EXPECT_EQ(dialog.FontFamilyEntries(), (Strings{"serif", "Default"}));
    const Strings fonts = dialog.SystemFontEntries();
    EXPECT_EQ(std::find(fonts.begin(), fonts.end(), "Default"), fonts.end());

    // The family's own entries all go back to the system list in their sorted place, names that
    // never came from it included.
    dialog.lbFontFamily->setCurrentRow(1);
    dialog.sbtnRemoveClick();
    dialog.lbFontFamily->setCurrentRow(0);
    dialog.sbtnRemoveClick();
    EXPECT_TRUE(dialog.FontFamilyEntries().empty());
    const Strings back = dialog.SystemFontEntries();
    EXPECT_EQ(back.size(), fonts.size() + 2);
    EXPECT_TRUE(std::is_sorted(back.begin(), back.end(),
                               [](const std::string& a, const std::string& b) { return Lower(a) < Lower(b); }));
    EXPECT_NE(std::find(back.begin(), back.end(), "serif"), back.end());
    dialog.sbtnRemoveClick();  // nothing selected
    EXPECT_EQ(dialog.SystemFontEntries().size(), back.size());
}

TEST_F(StyleDlgTest, DoubleClicksMoveFontsBetweenTheLists)
{
    dialog.show();
    LoadFamily(dialog, "");
    dialog.PageControl1->setCurrentWidget(dialog.tbshtFont);
    SelectSystemFont(dialog, "Default");
    dialog.lbSystemFonts->scrollToItem(dialog.lbSystemFonts->currentItem());
    QCoreApplication::processEvents();
    const QRect rect = dialog.lbSystemFonts->visualItemRect(dialog.lbSystemFonts->currentItem());
    // A widget double click arrives as press, release, then the double-click event.
    QTest::mouseClick(dialog.lbSystemFonts->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(dialog.lbSystemFonts->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(dialog.FontFamilyEntries(), Strings{"Default"});

    dialog.lbFontFamily->setCurrentRow(0);
    const QRect familyRect = dialog.lbFontFamily->visualItemRect(dialog.lbFontFamily->item(0));
    QTest::mouseClick(dialog.lbFontFamily->viewport(), Qt::LeftButton, {}, familyRect.center());
    QTest::mouseDClick(dialog.lbFontFamily->viewport(), Qt::LeftButton, {}, familyRect.center());
    EXPECT_TRUE(dialog.FontFamilyEntries().empty());
    dialog.hide();
}

TEST_F(StyleDlgTest, MoveUpAndDownExchangeNeighboursAndStopAtTheEnds)
{
    LoadFamily(dialog, "a,b,c");
    dialog.sbtnMoveUpClick();  // nothing selected
    dialog.sbtnMoveDownClick();
    EXPECT_EQ(dialog.FontFamilyEntries(), (Strings{"a", "b", "c"}));

    dialog.lbFontFamily->setCurrentRow(0);
    dialog.sbtnMoveUpClick();
    EXPECT_EQ(dialog.FontFamilyEntries(), (Strings{"a", "b", "c"}));
    dialog.sbtnMoveDownClick();
    dialog.sbtnMoveDownClick();
    EXPECT_EQ(dialog.FontFamilyEntries(), (Strings{"b", "c", "a"}));
    EXPECT_EQ(dialog.lbFontFamily->currentRow(), 2);
    dialog.sbtnMoveDownClick();
    EXPECT_EQ(dialog.FontFamilyEntries(), (Strings{"b", "c", "a"}));
    dialog.sbtnMoveUpClick();
    EXPECT_EQ(dialog.FontFamilyEntries(), (Strings{"b", "a", "c"}));
    EXPECT_EQ(dialog.lbFontFamily->currentRow(), 1);
}

TEST_F(StyleDlgTest, AddFontAppendsTheCustomTextAsTyped)
{
    LoadFamily(dialog, "serif");
    dialog.edtCustomFont->setText(QStringLiteral(" My Font "));
    dialog.sbtnAddFontClick();
    dialog.sbtnAddFontClick();
    dialog.edtCustomFont->clear();
    dialog.sbtnAddFontClick();
    EXPECT_EQ(dialog.FontFamilyEntries(), (Strings{"serif", " My Font ", " My Font ", ""}));
}

TEST_F(StyleDlgTest, SystemListChangesCarryOverToTheNextUse)
{
    LoadFamily(dialog, "");
    SelectSystemFont(dialog, "Default");
    dialog.sbtnMoveRightClick();
    dialog.edtCustomFont->setText(QStringLiteral("kept"));

    // A new row naming the font neither restores it nor removes anything else.
    const std::size_t count = dialog.SystemFontEntries().size();
    LoadFamily(dialog, "Default, serif");
    EXPECT_EQ(dialog.SystemFontEntries().size(), count);
    EXPECT_EQ(dialog.FontFamilyEntries(), (Strings{"Default", "serif"}));
    EXPECT_EQ(dialog.edtCustomFont->text(), "kept");
}

TEST_F(StyleDlgTest, OkWithoutATagWarnsAndKeepsTheDialogOpen)
{
    LoadFamily(dialog, "");
    dialog.edtHTMLTag->clear();
    dialog.PageControl1->setCurrentWidget(dialog.tbshtMisc);
    dialog.setResult(mrNone);
    dialog.btnOkClick();
    EXPECT_EQ(dialog.result(), mrNone);
    EXPECT_EQ(dialog.PageControl1->currentWidget(), dialog.tbshtTag);
    ASSERT_EQ(desktop.Beeps.size(), 1U);
    EXPECT_EQ(desktop.Beeps[0], TBeep::Exclamation);
    ASSERT_EQ(desktop.Messages.size(), 1U);
    EXPECT_EQ(desktop.Messages[0].Type, TMsgDlgType::mtWarning);
    EXPECT_EQ(desktop.Messages[0].Caption, "Warning");
    EXPECT_EQ(desktop.Messages[0].Text, "A HTML tag is required\r\n");

    dialog.edtHTMLTag->setText(QStringLiteral(" "));
    dialog.btnOkClick();
    EXPECT_EQ(dialog.result(), mrOk);
    EXPECT_EQ(desktop.Messages.size(), 1U);
}

TEST_F(StyleDlgTest, HintOnlyButtonsShowTheirLongHintWhileThePointerIsOnThem)
{
    for (const auto& [button, hint] : {std::pair{dialog.sbtnMoveRight, "Add the selected system font"},
                                       std::pair{dialog.sbtnRemove, "Remove the selected font"}}) {
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(button, &enter);
        EXPECT_EQ(Application().Hint(), hint);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(button, &leave);
        EXPECT_EQ(Application().Hint(), "");
        EXPECT_TRUE(button->toolTip().isEmpty());
    }
}

// The real modal loop, driven by keys as a user would.
TEST_F(StyleDlgTest, EnterActsLikeOkAndEscLikeCancel)
{
    LoadFamily(dialog, "");
    dialog.edtHTMLTag->clear();
    int steps = 0;
    QTimer::singleShot(0, &dialog, [&] {
        QTest::keyClick(dialog.edtHTMLTag, Qt::Key_Return);  // refused: no tag
        ++steps;
        EXPECT_TRUE(dialog.isVisible());
        QTest::keyClicks(dialog.edtHTMLTag, QStringLiteral("h1"));
        QTest::keyClick(dialog.edtHTMLTag, Qt::Key_Return);
        ++steps;
    });
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_EQ(steps, 2);
    EXPECT_EQ(desktop.Messages.size(), 1U);
    EXPECT_EQ(dialog.edtHTMLTag->text(), "h1");

    QTimer::singleShot(0, &dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    QTimer::singleShot(0, &dialog, [&] { dialog.close(); });
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
}

}  // namespace
}  // namespace pindle

namespace pindle {
namespace {

// The keys of the two font lists do what the buttons beside them do; Enter is left to the Ok button.
TEST_F(StyleDlgTest, KeysInTheFontListsDoWhatTheButtonsBesideThemDo)
{
    LoadFamily(dialog, "A,B,C");
    dialog.edtCustomFont->setText("Mine");
    SelectSystemFont(dialog, "Default");
    struct Step {
        QListWidget* List;
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
        int Selected;  // the row selected in the list before the key; -1: no entry has the focus
        std::vector<std::string> Family;
    };
    const Step steps[] = {
        {dialog.lbSystemFonts, Qt::Key_Space, Qt::NoModifier, -2, {"A", "B", "C", "Default"}},
        {dialog.lbFontFamily, Qt::Key_Down, Qt::AltModifier, 0, {"B", "A", "C", "Default"}},
        {dialog.lbFontFamily, Qt::Key_Down, Qt::AltModifier, 3, {"B", "A", "C", "Default"}},  // the last stays
        {dialog.lbFontFamily, Qt::Key_Up, Qt::AltModifier, 3, {"B", "A", "Default", "C"}},
        {dialog.lbFontFamily, Qt::Key_Up, Qt::AltModifier, 0, {"B", "A", "Default", "C"}},    // the first stays
        {dialog.lbFontFamily, Qt::Key_Delete, Qt::NoModifier, 1, {"B", "Default", "C"}},
        {dialog.lbFontFamily, Qt::Key_Delete, Qt::NoModifier, -1, {"B", "Default", "C"}},     // nothing selected
        {dialog.lbFontFamily, Qt::Key_Insert, Qt::NoModifier, -1, {"B", "Default", "C", "Mine"}},
        {dialog.lbSystemFonts, Qt::Key_Insert, Qt::NoModifier, -1, {"B", "Default", "C", "Mine"}},
    };
    for (const Step& step : steps) {
        if (step.Selected >= 0)
            step.List->setCurrentRow(step.Selected, QItemSelectionModel::ClearAndSelect);
        else if (step.Selected == -1)
            step.List->setCurrentItem(nullptr);
        QTest::keyClick(step.List, step.Key, step.Modifiers);
        EXPECT_EQ(dialog.FontFamilyEntries(), step.Family) << "key " << step.Key;
    }
    const std::vector<std::string> system = dialog.SystemFontEntries();
    EXPECT_NE(std::find(system.begin(), system.end(), "A"), system.end());  // Delete put it back
    // A key acts on the entry that has the keyboard focus, also when it is not selected.
    dialog.lbSystemFonts->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    const std::string focusedFont = dialog.SystemFontEntries().front();
    QTest::keyClick(dialog.lbSystemFonts, Qt::Key_Space);
    EXPECT_EQ(dialog.FontFamilyEntries().back(), focusedFont);
}

}  // namespace
}  // namespace pindle
