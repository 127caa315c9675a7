#include "dialogs/StyleIcons.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace pindle {

QIcon ArrowIcon(bool up)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    // A solid triangle over a short stem, as the familiar list-order arrows.
    const QPolygon head = up ? QPolygon({QPoint(8, 3), QPoint(13, 8), QPoint(3, 8)})
                             : QPolygon({QPoint(8, 13), QPoint(13, 8), QPoint(3, 8)});
    painter.drawPolygon(head);
    painter.drawRect(up ? QRect(6, 8, 4, 5) : QRect(6, 3, 4, 5));
    return QIcon(pixmap);
}

QIcon FontIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    QFont large(QStringLiteral("Serif"));
    large.setPixelSize(14);
    large.setBold(true);
    painter.setFont(large);
    painter.setPen(QColor(0, 0, 128));
    painter.drawText(QRect(0, 0, 11, 16), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("A"));
    QFont small(QStringLiteral("Serif"));
    small.setPixelSize(9);
    painter.setFont(small);
    painter.setPen(QColor(128, 0, 0));
    painter.drawText(QRect(9, 0, 7, 15), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("a"));
    return QIcon(pixmap);
}

}  // namespace pindle
