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

TSplitter::TSplitter(QWidget* above, QWidget* below, int paneHeight, QWidget* parent)
    : QWidget(parent), above_(above), below_(below), paneHeight_(paneHeight)
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
    if (paneHeight == paneHeight_ && paneHeight == below_->height())
        return;
    paneHeight_ = paneHeight;
    if (QLayout* layout = parentWidget()->layout()) {
        layout->invalidate();
        layout->activate();
    }
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

TSplitLayout::TSplitLayout(QWidget* parent, QWidget* top, QWidget* fill, TSplitter* splitter, QWidget* pane)
    : QLayout(parent), top_(top), fill_(fill), splitter_(splitter), pane_(pane)
{
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
    for (QWidget* widget : {top, fill, static_cast<QWidget*>(splitter), pane}) {
        addChildWidget(widget);
        items_.push_back(new QWidgetItem(widget));
    }
}

TSplitLayout::~TSplitLayout()
{
    for (QLayoutItem* item : items_)
        delete item;
}

// The four parts come with the constructor; the layout takes nothing else.
void TSplitLayout::addItem(QLayoutItem* item)
{
    delete item;
}

int TSplitLayout::count() const
{
    return static_cast<int>(items_.size());
}

QLayoutItem* TSplitLayout::itemAt(int index) const
{
    return index >= 0 && index < count() ? items_[static_cast<std::size_t>(index)] : nullptr;
}

QLayoutItem* TSplitLayout::takeAt(int index)
{
    if (index < 0 || index >= count())
        return nullptr;
    QLayoutItem* item = items_[static_cast<std::size_t>(index)];
    items_.erase(items_.begin() + index);
    return item;
}

QLayoutItem* TSplitLayout::ItemOf(const QWidget* widget) const
{
    for (QLayoutItem* item : items_) {
        if (item->widget() == widget)
            return item;
    }
    return nullptr;
}

int TSplitLayout::FixedHeight(const QWidget* widget) const
{
    const QLayoutItem* item = ItemOf(widget);
    return item != nullptr ? item->sizeHint().height() : 0;
}

QSize TSplitLayout::Size(int tableHeight, int paneHeight, bool minimum) const
{
    int width = 0;
    for (const QLayoutItem* item : items_)
        width = std::max(width, minimum ? item->minimumSize().width() : item->sizeHint().width());
    return {width, FixedHeight(top_) + tableHeight + FixedHeight(splitter_) + paneHeight};
}

QSize TSplitLayout::sizeHint() const
{
    const QLayoutItem* fill = ItemOf(fill_);
    const int tableHeight = std::max(TSplitter::MinSize, fill != nullptr ? fill->sizeHint().height() : 0);
    return Size(tableHeight, splitter_->PaneHeight(), false);
}

QSize TSplitLayout::minimumSize() const
{
    return Size(TSplitter::MinSize, 0, true);
}

void TSplitLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    const int topHeight = FixedHeight(top_);
    const int barHeight = FixedHeight(splitter_);
    const int available = std::max(0, rect.height() - topHeight - barHeight);
    const int paneHeight = SplitterPaneHeight(splitter_->PaneHeight(), available, TSplitter::MinSize);
    const int tableHeight = available - paneHeight;
    int y = rect.top();
    const auto place = [&](QWidget* widget, int height) {
        if (QLayoutItem* item = ItemOf(widget))
            item->setGeometry(QRect(rect.left(), y, rect.width(), height));
        y += height;
    };
    place(top_, topHeight);
    place(fill_, tableHeight);
    place(splitter_, barHeight);
    place(pane_, paneHeight);
}

}  // namespace pindle
