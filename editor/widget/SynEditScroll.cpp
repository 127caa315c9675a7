// The editor widget's scrolling: the scroll bars follow the editing core's top line and left
// character and set them back, the hint of the top line while dragging the slider, and the wheel.
#include "editor/widget/SynEdit.h"

#include <QApplication>
#include <QCursor>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>

namespace pindle {
namespace {

constexpr int kAutoScrollInterval = 50;

}  // namespace

void TCustomSynEdit::SetUpScrollBars()
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(verticalScrollBar(), &QScrollBar::sliderMoved, this, &TCustomSynEdit::ShowScrollHint);
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, [] { QToolTip::hideText(); });
    scrollTimer_.setInterval(kAutoScrollInterval);
    connect(&scrollTimer_, &QTimer::timeout, this, &TCustomSynEdit::AutoScroll);
}

void TCustomSynEdit::ScheduleScrollBarUpdate()
{
    // Appending a file's lines one by one would otherwise set the scroll range a million times.
    if (scrollBarUpdatePending_)
        return;
    scrollBarUpdatePending_ = true;
    QMetaObject::invokeMethod(this, [this] { UpdateScrollBars(); }, Qt::QueuedConnection);
}

void TCustomSynEdit::UpdateScrollBars()
{
    scrollBarUpdatePending_ = false;
    updatingScrollBars_ = true;
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(1, std::max(1, core_.LineCount() - core_.LinesInWindow() + 1));
    vertical->setPageStep(std::max(1, core_.LinesInWindow()));
    vertical->setSingleStep(1);
    vertical->setValue(core_.TopLine());
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(1, std::max(1, core_.MaxLeftChar() - core_.CharsInWindow() + 1));
    horizontal->setPageStep(std::max(1, core_.CharsInWindow()));
    horizontal->setSingleStep(1);
    horizontal->setValue(core_.LeftChar());
    updatingScrollBars_ = false;
}

void TCustomSynEdit::scrollContentsBy(int, int)
{
    if (updatingScrollBars_)
        return;
    core_.SetTopLine(verticalScrollBar()->value());
    core_.SetLeftChar(horizontalScrollBar()->value());
}

void TCustomSynEdit::ShowScrollHint(int value)
{
    if ((core_.Options() & eoShowScrollHint) == 0)
        return;
    QToolTip::showText(QCursor::pos() + QPoint(-60, 0), QStringLiteral("Top Line: %1").arg(value), this);
}

void TCustomSynEdit::wheelEvent(QWheelEvent* event)
{
    // Touchpads send fractions of a notch: keep the remainder until it makes up a line.
    wheelRemainder_ += event->angleDelta();
    const int lines = QApplication::wheelScrollLines();
    const int notchesY = wheelRemainder_.y() / 120;
    const int notchesX = wheelRemainder_.x() / 120;
    wheelRemainder_ -= QPoint(notchesX * 120, notchesY * 120);
    if (notchesY != 0)
        core_.SetTopLine(core_.TopLine() - notchesY * lines);
    if (notchesX != 0)
        core_.SetLeftChar(core_.LeftChar() - notchesX * lines);
    event->accept();
}

}  // namespace pindle
