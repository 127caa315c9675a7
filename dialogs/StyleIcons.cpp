#include "dialogs/StyleIcons.h"

#include <QFont>
#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

#include <cmath>

namespace pindle {
namespace {

// Draws a picture laid out on a 16 by 16 grid into a square of `side` device pixels: `scale` is
// side / 16, `ink` the button text colour of the palette, `accent` its highlight colour.
using TDrawPicture = void (*)(QPainter& painter, qreal scale, const QColor& ink, const QColor& accent);

// A picture drawn anew for every size and device pixel ratio it is asked for, in the application
// palette's colours at that moment: sharp at any scale, and readable on a dark palette as well as a
// light one (and after a switch between them).
class TDrawnIconEngine final : public QIconEngine {
public:
    explicit TDrawnIconEngine(TDrawPicture draw) : draw_(draw) {}

    QIconEngine* clone() const override { return new TDrawnIconEngine(draw_); }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap picture = pixmap(rect.size() * ratio, mode, state);
        picture.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect.topLeft(), picture);
    }

    // `size` is in device pixels: QIcon asks for the logical size times the device pixel ratio.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State /*state*/) override
    {
        QPixmap picture(size);
        picture.fill(Qt::transparent);
        if (size.isEmpty())
            return picture;
        const QPalette palette = QGuiApplication::palette();
        const QPalette::ColorGroup group = mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active;
        QPainter painter(&picture);
        draw_(painter, std::min(size.width(), size.height()) / 16.0, palette.color(group, QPalette::ButtonText),
              palette.color(group, QPalette::Highlight));
        return picture;
    }

private:
    TDrawPicture draw_;
};

// A solid triangle over a short stem, as the familiar list-order arrows.
void DrawArrow(QPainter& painter, qreal scale, const QColor& ink, bool up)
{
    painter.setRenderHint(QPainter::Antialiasing, scale != 1.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    painter.scale(scale, scale);
    QPainterPath arrow;
    arrow.addPolygon(up ? QPolygonF({QPointF(8, 3), QPointF(13, 8), QPointF(3, 8)})
                        : QPolygonF({QPointF(8, 13), QPointF(13, 8), QPointF(3, 8)}));
    arrow.addRect(up ? QRectF(6, 8, 4, 5) : QRectF(6, 3, 4, 5));
    painter.drawPath(arrow.simplified());
}

void DrawUpArrow(QPainter& painter, qreal scale, const QColor& ink, const QColor& /*accent*/)
{
    DrawArrow(painter, scale, ink, true);
}

void DrawDownArrow(QPainter& painter, qreal scale, const QColor& ink, const QColor& /*accent*/)
{
    DrawArrow(painter, scale, ink, false);
}

// "Aa": a large bold capital in the text colour and a small letter in the accent colour. The fonts
// take their pixel sizes at the target resolution, so the letters are hinted there, not enlarged.
void DrawFontPicture(QPainter& painter, qreal scale, const QColor& ink, const QColor& accent)
{
    painter.setRenderHint(QPainter::TextAntialiasing, scale != 1.0);
    const auto at = [scale](qreal value) { return static_cast<int>(std::lround(value * scale)); };
    QFont large(QStringLiteral("Serif"));
    large.setPixelSize(std::max(1, at(14)));
    large.setBold(true);
    painter.setFont(large);
    painter.setPen(ink);
    painter.drawText(QRect(0, 0, at(11), at(16)), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("A"));
    QFont small(QStringLiteral("Serif"));
    small.setPixelSize(std::max(1, at(9)));
    painter.setFont(small);
    painter.setPen(accent);
    painter.drawText(QRect(at(9), 0, at(7), at(15)), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("a"));
}

}  // namespace

QIcon ArrowIcon(bool up)
{
    return QIcon(new TDrawnIconEngine(up ? DrawUpArrow : DrawDownArrow));
}

QIcon FontIcon()
{
    return QIcon(new TDrawnIconEngine(DrawFontPicture));
}

}  // namespace pindle
