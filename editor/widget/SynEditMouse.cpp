// The editor widget and the mouse: pixels to buffer positions, clicks and double clicks, selecting
// by dragging, dragging a selection to move or copy it, scrolling while a drag leaves the window, and
// the primary selection that a selection sets and a middle click pastes.
#include "editor/widget/SynEdit.h"

#include "platform/qt/Application.h"
#include "platform/qt/Desktop.h"

#include <QApplication>
#include <QMouseEvent>

#include <algorithm>
#include <cmath>

namespace pindle {
namespace {

int FloorDiv(int value, int divisor) noexcept
{
    return static_cast<int>(std::floor(static_cast<double>(value) / divisor));
}

}  // namespace

TBufferCoord TCustomSynEdit::PixelsToBufferPos(QPoint point) const noexcept
{
    const int line = std::clamp(core_.TopLine() + FloorDiv(point.y(), LineHeight()), 1, std::max(1, core_.LineCount()));
    // A click in the right half of a cell puts the caret after that character.
    const int column = std::max(1, core_.LeftChar() + FloorDiv(point.x() - TextLeft() + CharWidth() / 2, CharWidth()));
    int ch = core_.ColumnToChar(line, column);
    // A wide character: after it from its middle on.
    const int start = core_.CharToColumn(line, ch);
    if (start < column && core_.LineText(line).substr(static_cast<std::size_t>(ch - 1), 1) != "\t") {
        const int next = core_.NextChar(line, ch);
        const int middle = (start + core_.CharToColumn(line, next)) * CharWidth() / 2;
        const int x = (core_.LeftChar() - 1) * CharWidth() + point.x() - TextLeft() + CharWidth();
        if (x >= middle)
            ch = next;
    }
    return {ch, line};
}

bool TCustomSynEdit::InsideSelection(TBufferCoord position) const noexcept
{
    return core_.SelAvail() && core_.IsSelected(position.Line, position.Char);
}

void TCustomSynEdit::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton)
        PastePrimarySelection(event->position().toPoint());
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint point = event->position().toPoint();
    const TBufferCoord position = PixelsToBufferPos(point);
    pressPoint_ = lastMousePoint_ = point;
    if (event->modifiers().testFlag(Qt::ShiftModifier)) {
        core_.MoveCaretAndSelection(position);
        mouseAction_ = TMouseAction::Selecting;
    } else if ((core_.Options() & eoDragDropEditing) != 0 && InsideSelection(position)) {
        mouseAction_ = TMouseAction::DragPending;
    } else {
        core_.SetCaretXY(position);
        mouseAction_ = TMouseAction::Selecting;
    }
}

void TCustomSynEdit::mouseMoveEvent(QMouseEvent* event)
{
    if (!event->buttons().testFlag(Qt::LeftButton) || mouseAction_ == TMouseAction::None)
        return;
    lastMousePoint_ = event->position().toPoint();
    if (mouseAction_ == TMouseAction::DragPending) {
        if ((lastMousePoint_ - pressPoint_).manhattanLength() < QApplication::startDragDistance())
            return;
        mouseAction_ = TMouseAction::Dragging;
        viewport()->setCursor(Qt::DragMoveCursor);
    }
    if (mouseAction_ == TMouseAction::Dragging) {
        dropPosition_ = PixelsToBufferPos(lastMousePoint_);
        InvalidateAll();
    } else {
        core_.MoveCaretAndSelection(PixelsToBufferPos(lastMousePoint_));
    }
    const QRect textArea(TextAreaLeft(), 0, viewport()->width() - TextAreaLeft(), viewport()->height());
    if (textArea.contains(lastMousePoint_))
        scrollTimer_.stop();
    else if (!scrollTimer_.isActive())
        scrollTimer_.start();
}

void TCustomSynEdit::AutoScroll()
{
    // Moving the caret to the line or column just outside the window scrolls it into view.
    if (mouseAction_ == TMouseAction::Selecting) {
        core_.MoveCaretAndSelection(PixelsToBufferPos(lastMousePoint_));
    } else if (mouseAction_ == TMouseAction::Dragging) {
        const QPoint point = lastMousePoint_;
        if (point.y() < 0)
            core_.SetTopLine(core_.TopLine() - 1);
        else if (point.y() >= viewport()->height())
            core_.SetTopLine(core_.TopLine() + 1);
        if (point.x() < TextAreaLeft())
            core_.SetLeftChar(core_.LeftChar() - 1);
        else if (point.x() >= viewport()->width())
            core_.SetLeftChar(core_.LeftChar() + 1);
        dropPosition_ = PixelsToBufferPos(point);
        InvalidateAll();
    } else {
        scrollTimer_.stop();
    }
}

void TCustomSynEdit::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    scrollTimer_.stop();
    const TMouseAction action = mouseAction_;
    mouseAction_ = TMouseAction::None;
    if (action == TMouseAction::Selecting)
        PublishPrimarySelection();
    if (action == TMouseAction::DragPending) {
        core_.SetCaretXY(PixelsToBufferPos(pressPoint_));
    } else if (action == TMouseAction::Dragging) {
        viewport()->setCursor(Qt::IBeamCursor);
        const std::optional<TBufferCoord> drop = dropPosition_;
        dropPosition_.reset();
        InvalidateAll();
        // Ctrl copies, as in every editor that lets the selection be dragged.
        if (drop && !InsideSelection(*drop))
            core_.DropSelection(*drop, !event->modifiers().testFlag(Qt::ControlModifier));
    }
}

// Converted and checked as a paste is, before the caret moves: text the document cannot hold is
// refused with a message and changes nothing.
void TCustomSynEdit::PastePrimarySelection(QPoint point)
{
    Application().Run([&] {
        const std::string text = FromDesktopText(Desktop().PrimaryText());
        core_.SetCaretXY(PixelsToBufferPos(point));
        if (!text.empty())
            core_.SetSelText(text);
    });
}

void TCustomSynEdit::mouseDoubleClickEvent(QMouseEvent* event)
{
    // A second middle click soon after the first pastes again.
    if (event->button() == Qt::MiddleButton)
        PastePrimarySelection(event->position().toPoint());
    if (event->button() != Qt::LeftButton)
        return;
    core_.SelectWordAt(PixelsToBufferPos(event->position().toPoint()));
    mouseAction_ = TMouseAction::None;
}

}  // namespace pindle
