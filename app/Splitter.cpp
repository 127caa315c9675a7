#include "app/Splitter.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace pindle {

int SplitterPaneHeight(int wanted, int available, int minSize) noexcept
{
    const int height = std::min(wanted, available - minSize);
    return height <= minSize ? 0 : height;
}

TSplitter::TSplitter(QWidget* above, QWidget* below, QWidget* parent)
    : QWidget(parent), above_(above), below_(below)
{
    setFixedHeight(3);
    setCursor(Qt::SizeVerCursor);
}

void TSplitter::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    dragging_ = true;
    grabOffset_ = event->position().toPoint().y();
}

void TSplitter::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_)
        return;
    // Work in the parent's coordinates: the bar itself moves while it is dragged. A collapsed pane
    // keeps zero height, so the bar can drag it open again.
    const int barTop = mapToParent(event->position().toPoint()).y() - grabOffset_;
    const int wanted = below_->height() - (barTop - y());
    const int available = above_->height() + below_->height();
    const int paneHeight = SplitterPaneHeight(wanted, available, MinSize);
    if (paneHeight != below_->height())
        below_->setFixedHeight(paneHeight);
}

void TSplitter::mouseReleaseEvent(QMouseEvent*)
{
    dragging_ = false;
}

void TSplitter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
}

}  // namespace pindle
