#include "app/Images.h"

#include <QImage>
#include <QString>
#include <gtest/gtest.h>

namespace pindle {
namespace {

// The icon theme's pictures are the program's own icon drawing, at every size the window gets.
TEST(IconFiles, AreTheProgramIconAtEverySize)
{
    for (const int size : ProgramIconSizes) {
        const QString file = QStringLiteral(PINDLE_ICON_THEME "/%1x%1/apps/" PINDLE_ID ".png").arg(size);
        const QImage picture(file);
        ASSERT_FALSE(picture.isNull()) << file.toStdString();
        EXPECT_EQ(picture.size(), QSize(size, size)) << size;
        EXPECT_EQ(picture.convertToFormat(QImage::Format_ARGB32),
                  ProgramIconImage(size).convertToFormat(QImage::Format_ARGB32)) << size;
    }
}

TEST(IconFiles, LargerIconsAreDrawnNotMagnified)
{
    const QImage grid = ProgramIconImage(32);
    for (const int size : ProgramIconSizes) {
        if (size <= 32)
            continue;
        const QImage drawn = ProgramIconImage(size).convertToFormat(QImage::Format_ARGB32);
        for (const auto mode : {Qt::FastTransformation, Qt::SmoothTransformation})
            EXPECT_NE(drawn, grid.scaled(size, size, Qt::IgnoreAspectRatio, mode).convertToFormat(QImage::Format_ARGB32))
                << size;
    }
}

}  // namespace
}  // namespace pindle
