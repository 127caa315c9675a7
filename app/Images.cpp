#include "app/Images.h"

#include "platform/qt/QtText.h"

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QSvgRenderer>

#include <array>

// The icon's drawings are compiled into this static library: they are registered before first use.
static bool LoadIconDrawings()
{
    Q_INIT_RESOURCE(pindle_icon);
    return true;
}

namespace pindle {
namespace {

// A palette of the era: the 16 colours of a desktop of the time, so the images look at home.
const QColor Black(0, 0, 0);
const QColor Maroon(128, 0, 0);
const QColor Green(0, 128, 0);
const QColor Olive(128, 128, 0);
const QColor Navy(0, 0, 128);
const QColor Silver(192, 192, 192);
const QColor Red(255, 0, 0);
const QColor Lime(0, 255, 0);
const QColor Yellow(255, 255, 0);
const QColor Blue(0, 0, 255);
const QColor White(255, 255, 255);

// The ratios of device pixels to pixels that the images are drawn for: a screen of another ratio
// gets the nearest drawing, scaled.
constexpr std::array<int, 3> DrawnRatios = {1, 2, 3};

// A transparent square of `size` pixels with `ratio` device pixels to the pixel: a painter on it
// draws in pixels, each of them `ratio` device pixels wide.
QPixmap Blank(int size, int ratio = 1)
{
    QPixmap pixmap(size * ratio, size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A sheet of paper with a folded corner, the base of the document images.
void DrawPage(QPainter& p, int left, int top, int width, int height)
{
    const int fold = 4;
    QPolygon page;
    page << QPoint(left, top) << QPoint(left + width - fold, top) << QPoint(left + width, top + fold)
         << QPoint(left + width, top + height) << QPoint(left, top + height);
    p.setPen(Black);
    p.setBrush(White);
    p.drawPolygon(page);
    p.setBrush(Silver);
    p.drawPolygon(QPolygon({QPoint(left + width - fold, top), QPoint(left + width - fold, top + fold),
                            QPoint(left + width, top + fold)}));
}

// The row image: a small style card with coloured text lines, as a rule of the table.
void DrawStyleRow(QPainter& p)
{
    p.setPen(Navy);
    p.setBrush(White);
    p.drawRect(1, 2, 13, 11);
    p.fillRect(2, 3, 12, 3, Navy);
    p.fillRect(3, 8, 5, 1, Red);
    p.fillRect(9, 8, 4, 1, Green);
    p.fillRect(3, 10, 8, 1, Blue);
}

void DrawNew(QPainter& p)
{
    DrawPage(p, 2, 0, 11, 15);
    p.setPen(Yellow);
    p.drawLine(11, 8, 15, 12);
    p.drawLine(11, 12, 15, 8);
    p.setPen(Olive);
    p.drawLine(13, 7, 13, 13);
    p.drawLine(10, 10, 15, 10);
}

void DrawOpen(QPainter& p)
{
    p.setPen(Black);
    p.setBrush(QColor(255, 255, 128));
    p.drawPolygon(QPolygon({QPoint(0, 3), QPoint(5, 3), QPoint(6, 5), QPoint(13, 5), QPoint(13, 14),
                            QPoint(0, 14)}));
    p.setBrush(Olive);
    p.drawPolygon(QPolygon({QPoint(0, 14), QPoint(3, 8), QPoint(15, 8), QPoint(13, 14)}));
    p.setPen(Navy);
    p.drawLine(9, 1, 13, 1);
    p.drawLine(13, 1, 13, 4);
    p.drawLine(12, 3, 14, 3);
}

void DrawSave(QPainter& p)
{
    p.setPen(Black);
    p.setBrush(Navy);
    p.drawRect(1, 1, 13, 13);
    p.fillRect(4, 2, 8, 6, White);
    p.fillRect(5, 3, 6, 1, Silver);
    p.fillRect(5, 5, 6, 1, Silver);
    p.fillRect(4, 10, 7, 4, Silver);
    p.fillRect(5, 11, 2, 2, Navy);
}

void DrawDelete(QPainter& p)
{
    DrawStyleRow(p);
    QPen pen(Red, 2);
    p.setPen(pen);
    p.drawLine(7, 7, 14, 14);
    p.drawLine(14, 7, 7, 14);
}

void DrawAdd(QPainter& p)
{
    DrawStyleRow(p);
    p.fillRect(9, 6, 7, 7, White);
    p.fillRect(11, 6, 3, 9, Green);
    p.fillRect(9, 9, 7, 3, Green);
    p.fillRect(12, 7, 1, 7, Lime);
    p.fillRect(10, 10, 5, 1, Lime);
}

void DrawEdit(QPainter& p)
{
    DrawStyleRow(p);
    QPolygon pencil({QPoint(14, 4), QPoint(16, 6), QPoint(8, 14), QPoint(5, 15), QPoint(6, 12)});
    p.setPen(Black);
    p.setBrush(Yellow);
    p.drawPolygon(pencil);
    p.setPen(Maroon);
    p.drawLine(13, 5, 15, 7);
    p.setPen(Black);
    p.drawPoint(5, 15);
}

QPixmap DrawSplash(qreal ratio)
{
    const QRect area(0, 0, 350, 200);
    QPixmap pixmap(area.size() * ratio);
    pixmap.setDevicePixelRatio(ratio);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, 200);
    sky.setColorAt(0, QColor(214, 228, 247));
    sky.setColorAt(1, QColor(255, 255, 255));
    p.fillRect(area, sky);

    // The band on the left with a stylesheet's braces, the product's mark.
    QLinearGradient band(0, 0, 90, 0);
    band.setColorAt(0, QColor(0, 0, 128));
    band.setColorAt(1, QColor(40, 80, 170));
    p.fillRect(0, 0, 90, 200, band);
    p.setFont(PixelFont("Liberation Serif", 96, true));
    p.setPen(QColor(255, 255, 255, 210));
    p.drawText(QRect(0, 20, 90, 120), Qt::AlignCenter, QStringLiteral("{ }"));
    p.setPen(QColor(255, 210, 60));
    p.setFont(PixelFont("Liberation Mono", 10));
    p.drawText(QRect(0, 140, 90, 14), Qt::AlignCenter, QStringLiteral("h1 {color:}"));
    p.setPen(QColor(150, 220, 150));
    p.drawText(QRect(0, 155, 90, 14), Qt::AlignCenter, QStringLiteral("p {font:}"));

    p.setFont(PixelFont("Liberation Sans", 40, true));
    p.setPen(QColor(160, 170, 200));
    p.drawText(QPoint(107, 55), QStringLiteral("Pindle"));
    p.setPen(QColor(0, 0, 128));
    p.drawText(QPoint(105, 53), QStringLiteral("Pindle"));

    p.setFont(PixelFont("Liberation Sans", 13, false, true));
    p.setPen(QColor(60, 60, 90));
    p.drawText(QPoint(106, 75), QStringLiteral("Cascading Style Sheet Editor"));
    p.setPen(QPen(QColor(0, 0, 128), 1));
    p.drawLine(105, 84, 340, 84);
    return pixmap;
}

}  // namespace

QFont PixelFont(const char* family, int pixels, bool bold, bool italic)
{
    QFont font(AsciiText(family));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

const QPixmap& StyleImage(int index)
{
    static const std::array<QPixmap, imgCount> images = [] {
        std::array<QPixmap, imgCount> all;
        for (int i = 0; i < imgCount; ++i)
            all[static_cast<std::size_t>(i)] = StyleImage(i, 1);
        return all;
    }();
    return images.at(static_cast<std::size_t>(index));
}

QPixmap StyleImage(int index, int ratio)
{
    QPixmap pixmap = Blank(16, ratio);
    QPainter p(&pixmap);
    switch (index) {
    case imgStyleRow: DrawStyleRow(p); break;
    case imgNew: DrawNew(p); break;
    case imgOpen: DrawOpen(p); break;
    case imgSave: DrawSave(p); break;
    case imgDelete: DrawDelete(p); break;
    case imgAdd: DrawAdd(p); break;
    case imgEdit: DrawEdit(p); break;
    default: break;
    }
    return pixmap;
}

const QIcon& StyleIcon(int index)
{
    static const std::array<QIcon, imgCount> icons = [] {
        std::array<QIcon, imgCount> all;
        for (int i = 0; i < imgCount; ++i) {
            for (const int ratio : DrawnRatios)
                all[static_cast<std::size_t>(i)].addPixmap(StyleImage(i, ratio));
        }
        return all;
    }();
    return icons.at(static_cast<std::size_t>(index));
}

QImage ProgramIconImage(int size)
{
    [[maybe_unused]] static const bool loaded = LoadIconDrawings();
    // Below 24 pixels the sheet's detail would fall between pixels: the small sizes have their own
    // drawing on the 16-pixel grid, the others are rendered from the scalable one.
    QSvgRenderer drawing(size < 24 ? QStringLiteral(":/icons/program-16.svg") : QStringLiteral(":/icons/program.svg"));
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    drawing.render(&p);
    return image;
}

const QIcon& ProgramIcon()
{
    static const QIcon icon = [] {
        QIcon all;
        for (const int size : ProgramIconSizes)
            all.addPixmap(QPixmap::fromImage(ProgramIconImage(size)));
        return all;
    }();
    return icon;
}

const QPixmap& SplashPicture()
{
    // Drawn once, for the densest screen there is.
    static const QPixmap picture = DrawSplash(qApp->devicePixelRatio());
    return picture;
}

}  // namespace pindle
