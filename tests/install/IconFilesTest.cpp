#include "app/Images.h"

#include <QImage>
#include <QPainter>
#include <QSet>
#include <QString>
#include <QSvgRenderer>
#include <gtest/gtest.h>

namespace pindle {
namespace {

QImage Argb(const QImage& image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

// The icon theme's pictures are the program's own icon drawing, at every size the window gets; from
// 24 pixels up they are the theme's scalable drawing rendered at that size.
TEST(IconFiles, AreTheProgramIconAtEverySize)
{
    QSvgRenderer scalable(QStringLiteral(PINDLE_ICON_SVG));
    ASSERT_TRUE(scalable.isValid());
    for (const int size : ProgramIconSizes) {
        const QString file = QStringLiteral(PINDLE_ICON_THEME "/%1x%1/apps/" PINDLE_ID ".png").arg(size);
        const QImage picture(file);
        ASSERT_FALSE(picture.isNull()) << file.toStdString();
        EXPECT_EQ(picture.size(), QSize(size, size)) << size;
        EXPECT_EQ(Argb(picture), Argb(ProgramIconImage(size))) << size;
        if (size < 24)
            continue;
        QImage rendered(size, size, QImage::Format_ARGB32_Premultiplied);
        rendered.fill(Qt::transparent);
        QPainter painter(&rendered);
        scalable.render(&painter);
        painter.end();
        EXPECT_EQ(Argb(picture), Argb(rendered)) << size;
    }
}

TEST(IconFiles, LargerIconsAreDrawnNotMagnified)
{
    const QImage grid = ProgramIconImage(32);
    for (const int size : ProgramIconSizes) {
        if (size <= 32)
            continue;
        const QImage drawn = Argb(ProgramIconImage(size));
        for (const auto mode : {Qt::FastTransformation, Qt::SmoothTransformation})
            EXPECT_NE(drawn, Argb(grid.scaled(size, size, Qt::IgnoreAspectRatio, mode))) << size;
    }
}

// The 16-pixel icon is drawn on the pixel grid: no pixel is a blend of the sheet and what lies
// behind it or of two of its colours, as a reduced larger drawing would have.
TEST(IconFiles, SmallestIconIsCrisp)
{
    const QImage small = Argb(ProgramIconImage(16));
    QSet<QRgb> colours;
    for (int y = 0; y < small.height(); ++y) {
        for (int x = 0; x < small.width(); ++x) {
            const QRgb pixel = small.pixel(x, y);
            EXPECT_TRUE(qAlpha(pixel) == 0 || qAlpha(pixel) == 255) << x << "," << y << ": alpha " << qAlpha(pixel);
            if (qAlpha(pixel) == 255)
                colours.insert(pixel);
        }
    }
    EXPECT_LE(colours.size(), 8);
    EXPECT_GE(colours.size(), 4);  // the paper, its outline, the braces and a declaration at least
}

}  // namespace
}  // namespace pindle
