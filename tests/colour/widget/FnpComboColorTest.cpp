#include "colour/Colors.h"
#include "colour/widget/FnpComboColor.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace pindle {
namespace {

void FillNamed(TFnpComboColor& combo)
{
    combo.SetSortBy(TSortBy::ccsUnsorted);
    for (const auto& color : NamedColors())
        combo.AddColor(color.Name, color.Value);
    combo.SetSortBy(TSortBy::ccsColor);
}

std::string Names(const TFnpComboColor& combo)
{
    std::string names;
    for (int i = 0; i < combo.count(); ++i)
        names += combo.EntryName(i) + " ";
    return names;
}

TEST(FnpComboColor, StartsWithItsDefaultsAndNoSelection)
{
    TFnpComboColor combo;
    EXPECT_EQ(combo.ColorWidth(), 18);
    EXPECT_EQ(combo.SortBy(), TSortBy::ccsUnsorted);
    EXPECT_EQ(combo.Version(), "1.00.00");
    EXPECT_EQ(combo.ItemHeight(), 16);
    EXPECT_EQ(combo.maxVisibleItems(), 8);
    EXPECT_FALSE(combo.isEditable());
    EXPECT_EQ(combo.SelectedColor(), -1);
    // Qt would select the first entry added to an empty list; this control must not.
    combo.AddColor("Red", 0x0000FF);
    EXPECT_EQ(combo.SelectedColor(), -1);
}

TEST(FnpComboColor, SelectedColorSelectsTheFirstEntryWithTheValueOrNothing)
{
    TFnpComboColor combo;
    FillNamed(combo);
    EXPECT_EQ(Names(combo).substr(0, 24), "Black Maroon Red Dark gr");

    combo.SetSelectedColor(0x808080);
    EXPECT_EQ(combo.currentText().toStdString(), "Dark gray");
    combo.SetSelectedColor(-1);
    combo.SetSelectedColor(clNone);
    combo.SetSelectedColor(0x123456);
    EXPECT_EQ(combo.currentText().toStdString(), "Dark gray");
    EXPECT_EQ(combo.SelectedColor(), 0x808080);
}

TEST(FnpComboColor, ResortRestoresTheSelectionByValue)
{
    TFnpComboColor combo;
    FillNamed(combo);
    combo.setCurrentIndex(combo.findText(QStringLiteral("Gray")));
    combo.SetSortBy(TSortBy::ccsColor);
    EXPECT_EQ(combo.currentText().toStdString(), "Dark gray");

    combo.setCurrentIndex(combo.findText(QStringLiteral("Silver")));
    combo.SetSortBy(TSortBy::ccsText);
    EXPECT_EQ(Names(combo).substr(0, 23), "Aqua Black Blue Blue gr");
    EXPECT_EQ(combo.currentText().toStdString(), "Light gray");

    // Back to unsorted keeps the present order.
    const std::string sorted = Names(combo);
    combo.SetSortBy(TSortBy::ccsUnsorted);
    EXPECT_EQ(Names(combo), sorted);

    TFnpComboColor none;
    FillNamed(none);
    none.SetSortBy(TSortBy::ccsText);
    EXPECT_EQ(none.currentIndex(), -1);
}

TEST(FnpComboColor, ColorWidthIgnoresWidthsBelowFive)
{
    TFnpComboColor combo;
    for (const auto& [width, expected] : {std::pair{4, 18}, {0, 18}, {-7, 18}, {5, 5}, {40, 40}, {4, 40}}) {
        combo.SetColorWidth(width);
        EXPECT_EQ(combo.ColorWidth(), expected) << width;
    }
}

TEST(FnpComboColor, DrawItemPaintsAFramedSwatchThenTheName)
{
    TFnpComboColor combo;
    combo.AddColor("Red", 0x0000FF);
    QImage image(120, 24, QImage::Format_RGB32);
    image.fill(Qt::green);
    {
        QPainter painter(&image);
        // A taller rectangle than the item height: the swatch keeps the item height.
        combo.DrawItem(painter, 0, QRect(0, 2, 120, 20), false);
    }
    const QRgb base = combo.palette().color(QPalette::Base).rgb();
    EXPECT_EQ(image.pixel(0, 2), base);               // the fill, outside the swatch
    EXPECT_EQ(image.pixel(1, 3), qRgb(0, 0, 0));      // outline top left
    EXPECT_EQ(image.pixel(16, 16), qRgb(0, 0, 0));    // outline bottom right: (17, 17) excluded
    EXPECT_EQ(image.pixel(17, 10), base);
    EXPECT_EQ(image.pixel(10, 17), base);
    EXPECT_EQ(image.pixel(8, 9), qRgb(255, 0, 0));    // the entry's colour inside
    EXPECT_EQ(image.pixel(8, 19), base);              // below the swatch
    EXPECT_EQ(image.pixel(1, 1), qRgb(0, 255, 0));    // nothing drawn above the rectangle

    bool textDrawn = false;
    for (int x = 22; x < 60 && !textDrawn; ++x)
        for (int y = 3; y < 21 && !textDrawn; ++y)
            textDrawn = image.pixel(x, y) != base;
    EXPECT_TRUE(textDrawn);
    for (int y = 2; y < 22; ++y)
        for (int x = 18; x < 22; ++x)
            ASSERT_EQ(image.pixel(x, y), base) << x << "," << y;
}

TEST(FnpComboColor, DrawItemKeepsTheSwatchInsideItsOutlineAtTwoDevicePixelsToThePixel)
{
    TFnpComboColor combo;
    combo.AddColor("Red", 0x0000FF);
    QImage image(240, 48, QImage::Format_RGB32);
    image.setDevicePixelRatio(2);
    image.fill(Qt::green);
    {
        QPainter painter(&image);
        combo.DrawItem(painter, 0, QRect(0, 2, 120, 20), false);
    }
    // The swatch covers pixels 1 to 16 across and 3 to 16 down: device pixels 2 to 33 and 6 to
    // 33, framed by two device pixels of black, with nothing of its colour outside the frame.
    const QRgb base = combo.palette().color(QPalette::Base).rgb();
    const QRgb black = qRgb(0, 0, 0);
    const QRgb red = qRgb(255, 0, 0);
    const std::vector<std::pair<int, QRgb>> across = {{1, base}, {2, black}, {3, black}, {4, red},
                                                      {31, red}, {32, black}, {33, black}, {34, base}};
    for (const auto& [x, expected] : across)
        EXPECT_EQ(image.pixel(x, 20), expected) << "device column " << x;
    const std::vector<std::pair<int, QRgb>> down = {{5, base}, {6, black}, {7, black}, {8, red},
                                                    {31, red}, {32, black}, {33, black}, {34, base}};
    for (const auto& [y, expected] : down)
        EXPECT_EQ(image.pixel(20, y), expected) << "device row " << y;
}

}  // namespace
}  // namespace pindle
