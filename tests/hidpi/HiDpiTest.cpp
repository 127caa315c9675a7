#include "app/Images.h"
#include "app/MainForm.h"
#include "app/Splash.h"
#include "editor/widget/SynEdit.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QToolButton>
#include <gtest/gtest.h>

#include <utility>

namespace pindle {
namespace {

// Whether `picture` shows the opaque pixels of `drawing` somewhere, pixel for pixel.
bool Shows(const QImage& picture, const QImage& drawing)
{
    const QImage seen = picture.convertToFormat(QImage::Format_ARGB32);
    const QImage wanted = drawing.convertToFormat(QImage::Format_ARGB32);
    for (int top = 0; top + wanted.height() <= seen.height(); ++top)
        for (int left = 0; left + wanted.width() <= seen.width(); ++left) {
            bool same = true;
            for (int y = 0; y < wanted.height() && same; ++y)
                for (int x = 0; x < wanted.width() && same; ++x) {
                    const QRgb pixel = wanted.pixel(x, y);
                    same = qAlpha(pixel) != 255 || seen.pixel(left + x, top + y) == pixel;
                }
            if (same)
                return true;
        }
    return false;
}

// The number of 2 by 2 device-pixel squares, aligned on the pixels, whose device pixels differ:
// a picture drawn at one device pixel to the pixel and magnified has none.
int SplitSquares(const QImage& picture, const QRect& pixels)
{
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    int split = 0;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        for (int x = pixels.left(); x <= pixels.right(); ++x) {
            const QRgb first = image.pixel(2 * x, 2 * y);
            if (image.pixel(2 * x + 1, 2 * y) != first || image.pixel(2 * x, 2 * y + 1) != first ||
                image.pixel(2 * x + 1, 2 * y + 1) != first)
                ++split;
        }
    return split;
}

TEST(HiDpi, TheScreenHasTwoDevicePixelsToThePixel)
{
    ASSERT_EQ(qApp->devicePixelRatio(), 2.0);
}

TEST(HiDpi, ToolBarButtonsShowTheirImagesDrawnAtTwoDevicePixels)
{
    TMainForm form;
    form.show();
    QApplication::processEvents();
    for (const auto& [button, image] : {std::pair{form.tbtnNew, imgNew}, {form.tbtnOpen, imgOpen},
                                        {form.tbtnSave, imgSave}, {form.tbtnStyleDelete, imgDelete},
                                        {form.tbtnAddStyle, imgAdd}, {form.tbtnEditStyle, imgEdit}}) {
        const QPixmap seen = button->grab();
        ASSERT_EQ(seen.devicePixelRatio(), 2.0);
        const QPixmap drawn = StyleImage(image, 2);
        ASSERT_EQ(drawn.size(), QSize(32, 32));
        EXPECT_TRUE(Shows(seen.toImage(), drawn.toImage())) << button->objectName().toStdString();
    }
}

TEST(HiDpi, SplashPictureIsDrawnAtTwoDevicePixelsAndKeepsItsSize)
{
    auto* splash = new TfrmSplash();
    const QPixmap picture = splash->Image1->pixmap();
    EXPECT_EQ(picture.devicePixelRatio(), 2.0);
    EXPECT_EQ(picture.size(), QSize(700, 400));
    EXPECT_EQ(splash->Image1->size(), QSize(350, 200));
    EXPECT_EQ(splash->size(), QSize(352, 202));
    // Shown one to one: the picture's edges lie between device pixels, not between pixels.
    const QImage shown = splash->Image1->grab().toImage();
    EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32), picture.toImage().convertToFormat(QImage::Format_RGB32));
    EXPECT_GT(SplitSquares(shown, QRect(100, 10, 240, 70)), 200);  // the name and the line below it
    delete splash;
}

TEST(HiDpi, BookmarkGlyphIsDrawnAtTwoDevicePixels)
{
    TSynEdit editor;
    editor.resize(300, 120);
    editor.Lines().Add("h1 { color: red }");
    editor.Lines().Add("p { margin: 0 }");
    editor.Core().SetBookmark(3, TBufferCoord{1, 2});
    editor.show();
    QApplication::processEvents();
    const QImage seen = editor.viewport()->grab().toImage();
    ASSERT_EQ(seen.devicePixelRatio(), 2.0);
    const QRect secondRowGutter(0, editor.LineHeight(), editor.GutterWidth(), editor.LineHeight());
    EXPECT_GT(SplitSquares(seen, secondRowGutter), 10);
    EXPECT_EQ(SplitSquares(seen, secondRowGutter.translated(0, -editor.LineHeight())), 0);  // no glyph
}

}  // namespace
}  // namespace pindle
