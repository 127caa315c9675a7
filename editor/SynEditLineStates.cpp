#include "editor/SynEditLineStates.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <span>
#include <thread>
#include <utility>

namespace pindle {

TRepaintRect UnionRect(const TRepaintRect& a, const TRepaintRect& b) noexcept
{
    TRepaintRect result;
    result.Gutter = a.Gutter || b.Gutter;
    result.TextArea = a.TextArea || b.TextArea;
    result.AllRows = a.AllRows || b.AllRows;
    if (!result.AllRows) {
        result.FirstLine = std::min(a.FirstLine, b.FirstLine);
        result.LastLine = std::max(a.LastLine, b.LastLine);
    }
    return result;
}

TSynEditLineStates::TSynEditLineStates(TSynEditList& lines) : lines_(lines)
{
    lines_.OnLineAdded = MakeMethod(this, &TSynEditLineStates::LineAdded);
    lines_.OnLinesCleared = MakeMethod(this, &TSynEditLineStates::LinesCleared);
    lines_.OnLineDeleted = MakeMethod(this, &TSynEditLineStates::LineDeleted);
    lines_.OnLineInserted = MakeMethod(this, &TSynEditLineStates::LineInserted);
    lines_.OnLineReplaced = MakeMethod(this, &TSynEditLineStates::LineReplaced);
    lines_.OnLinesBulkAdded = MakeMethod(this, &TSynEditLineStates::LinesBulkAdded);
    lines_.OnLinesDeleted = MakeMethod(this, &TSynEditLineStates::LinesDeleted);
    lines_.OnLinesInserted = MakeMethod(this, &TSynEditLineStates::LinesInserted);
    lines_.OnChanging = MakeMethod(this, &TSynEditLineStates::ListChanging);
    lines_.OnChanged = MakeMethod(this, &TSynEditLineStates::ListChanged);
}

TSynEditLineStates::~TSynEditLineStates()
{
    DetachFromHighlighter();
    lines_.OnLineAdded = {};
    lines_.OnLinesCleared = {};
    lines_.OnLineDeleted = {};
    lines_.OnLineInserted = {};
    lines_.OnLineReplaced = {};
    lines_.OnLinesBulkAdded = {};
    lines_.OnLinesDeleted = {};
    lines_.OnLinesInserted = {};
    lines_.OnChanging = {};
    lines_.SetValuesTag(0);
    lines_.OnChanged = {};
}

void TSynEditLineStates::DetachFromHighlighter() noexcept
{
    if (highlighter_ == nullptr)
        return;
    // Neither handler is empty, so neither removal can raise.
    try {
        highlighter_->RemoveChangeListener(MakeMethod(this, &TSynEditLineStates::HighlighterAttributesChanged));
        highlighter_->RemoveFreeNotification(MakeMethod(this, &TSynEditLineStates::HighlighterDestroying));
    } catch (...) {
    }
}

void TSynEditLineStates::SetHighlighter(TSynCustomHighlighter* value)
{
    if (value == highlighter_)
        return;
    DetachFromHighlighter();
    if (value != nullptr) {
        value->AddChangeListener(MakeMethod(this, &TSynEditLineStates::HighlighterAttributesChanged));
        value->FreeNotification(MakeMethod(this, &TSynEditLineStates::HighlighterDestroying));
    }
    highlighter_ = value;
    ForgetPlaces();
    StampValues();
    if (OnMeasureCharCell)
        OnMeasureCharCell();
    lines_.BeginUpdate();
    RescanAllLines();
    lines_.EndUpdate();
    if (OnRepaintAll)
        OnRepaintAll();
}

// Scans the line from the highlighter's present state; LineState() is then the next line's start.
void TSynEditLineStates::ScanLine(int index) noexcept
{
    const std::string_view text = lines_.Get(index);
    if (text.size() >= kPlacesFrom)
        ScanLongLine(index, text);
    else
        highlighter_->ScanLineFrom(text, index, highlighter_->LineState());
}

int TSynEditLineStates::RescanFrom(int index) noexcept
{
    return RescanThrough(index, -1);
}

int TSynEditLineStates::RescanThrough(int index, int throughLine) noexcept
{
    const int count = lines_.Count();
    if (highlighter_ == nullptr || index < 0 || index >= count - 1)
        return index;
    ScanLine(index);
    int result = index + 1;
    while (result <= throughLine || lines_.GetObject(result) != highlighter_->LineState()) {
        lines_.PutObject(result, highlighter_->LineState());
        ScanLine(result);
        ++result;
        if (result == count)
            break;
    }
    return result - 1;
}

namespace {

// Lines taken from the list at a time.
constexpr std::size_t kBatch = 256;

// Scans lines [first, last) of the list from state, going straight to each line's end (a pass that
// touches none of the highlighter's token state), and stores each line's end state, which is the
// next line's start, as the next line's value (from two threads at once: see PutObjectsShared).
// Returns the end state of line last - 1.
std::intptr_t ScanEnds(TSynEditList& lines, TSynCustomHighlighter& highlighter, int first, int last,
                       std::intptr_t state) noexcept
{
    std::array<std::string_view, kBatch> views;
    std::array<std::intptr_t, kBatch> states;
    for (int i = first; i < last;) {
        const std::size_t n = lines.GetRange(i, std::span(views.data(), std::min<std::size_t>(kBatch, last - i)));
        for (std::size_t k = 0; k < n; ++k) {
            std::size_t offset = 0;
            highlighter.ScanLinePart(views[k], offset, state, SIZE_MAX);
            states[k] = state;
        }
        lines.PutObjectsShared(i + 1, std::span(states.data(), n));
        i += static_cast<int>(n);
        if (n == 0)
            break;
    }
    return state;
}

}  // namespace

void TSynEditLineStates::RescanAllLines() noexcept
{
    const int count = lines_.Count();
    if (highlighter_ == nullptr || count == 0)
        return;
    highlighter_->ResetLineState();
    const std::intptr_t start = highlighter_->LineState();
    lines_.PutObject(0, start);
    if (count >= kRescanInTwoFrom && RescanInTwo(start))
        return;
    std::intptr_t state = start;
    std::array<std::string_view, kBatch> views;
    for (int i = 0; i + 1 < count;) {
        const std::size_t n = lines_.GetRange(i, std::span(views.data(), std::min<std::size_t>(kBatch, count - 1 - i)));
        for (std::size_t k = 0; k < n; ++k, ++i) {
            state = highlighter_->ScanLineFrom(views[k], i, state);
            lines_.PutObject(i + 1, state);
        }
    }
}

// A long list is scanned in two halves at once, the second on a thread of its own from the state a
// list starts in, which is where most lines of a stylesheet start. Where the first half ends in
// another state, the second half is scanned again from there until a line's start state agrees with
// the one the thread found; every line after that one agrees too. The states stored are those of a
// scan from the top either way, and no memory beside the records is needed.
bool TSynEditLineStates::RescanInTwo(std::intptr_t start) noexcept
{
    const int count = lines_.Count();
    // Only a highlighter that can scan a line without its token state can scan on another thread.
    std::size_t probeOffset = 0;
    std::intptr_t probeState = start;
    if (!highlighter_->ScanLinePart(std::string_view(), probeOffset, probeState, SIZE_MAX))
        return false;
    // This thread reads and writes the records of lines 0 to middle - 1, the helper those from
    // middle on.
    const int middle = count / 2;
    lines_.PrepareSharedPuts();
    std::thread helper;
    try {
        helper = std::thread([&] { ScanEnds(lines_, *highlighter_, middle, count - 1, start); });
    } catch (...) {
        return false;  // no thread: the scan runs on this one
    }
    std::intptr_t state = ScanEnds(lines_, *highlighter_, 0, middle - 1, start);
    helper.join();
    state = highlighter_->ScanLineFrom(lines_.Get(middle - 1), middle - 1, state);
    lines_.PutObject(middle, state);
    // The lines after the middle hold the states of a scan that took start for line middle's;
    // from the first line whose state agrees, all the rest do.
    if (state != start) {
        for (int i = middle; i + 1 < count; ++i) {
            state = highlighter_->ScanLineFrom(lines_.Get(i), i, state);
            if (state == lines_.GetObject(i + 1))
                break;
            lines_.PutObject(i + 1, state);
        }
    }
    // The highlighter ends as the scan from the top leaves it: past the last line but one.
    if (count >= 2)
        highlighter_->ScanLineFrom(lines_.Get(count - 2), count - 2, lines_.GetObject(count - 2));
    return true;
}

void TSynEditLineStates::Notify(TSynLineEvent event, int index, int count)
{
    if (AfterLineEvent)
        AfterLineEvent(event, index, count);
}

void TSynEditLineStates::LineAdded()
{
    const int count = lines_.Count();
    if (highlighter_ != nullptr) {
        if (count <= 1) {
            highlighter_->ResetLineState();
            lines_.PutObject(0, highlighter_->LineState());
        } else {
            // Only the line before is scanned: the new line's own end state is nobody's concern yet.
            highlighter_->SetLineState(lines_.GetObject(count - 2));
            ScanLine(count - 2);
            lines_.PutObject(count - 1, highlighter_->LineState());
        }
    }
    RepaintLine(count);
    Notify(TSynLineEvent::LineAdded, count - 1, 1);
}

void TSynEditLineStates::LinesCleared()
{
    ForgetPlaces();
    Notify(TSynLineEvent::LinesCleared, -1, 0);
}

// Rescans from the line before index on, at least through throughLine (-1 for no such line).
void TSynEditLineStates::RescanAround(int index, int throughLine)
{
    if (highlighter_ == nullptr || lines_.Count() == 0)
        return;
    if (index > 0) {
        highlighter_->SetLineState(lines_.GetObject(index - 1));
        RescanThrough(index - 1, throughLine);
    } else {
        highlighter_->ResetLineState();
        lines_.PutObject(0, highlighter_->LineState());
        if (lines_.Count() >= 2)
            RescanThrough(0, throughLine);
    }
}

void TSynEditLineStates::LineDeleted(int index)
{
    PlacesMoved(index, 1, 0);
    RescanAround(index, -1);
    RepaintLines(index + 1, INT_MAX);
    RepaintGutterLines(index + 1, INT_MAX);
    Notify(TSynLineEvent::LineDeleted, index, 1);
}

void TSynEditLineStates::LineInserted(int index)
{
    PlacesMoved(index, 0, 1);
    // An inserted line holds 0, which may happen to equal the state the line above ends in;
    // stopping there would leave the lines below it with states that ignore its text (a line
    // that opens a comment would not colour the lines under it). So scan through it.
    RescanAround(index, index);
    RepaintLines(index + 1, topLine_ + linesInWindow_);
    RepaintGutterLines(index + 1, topLine_ + linesInWindow_);
    Notify(TSynLineEvent::LineInserted, index, 1);
}

void TSynEditLineStates::LineReplaced(int index)
{
    PlacesEdited(index);
    int last = index + 1;
    if (highlighter_ != nullptr) {
        highlighter_->SetLineState(lines_.GetObject(index));
        last = RescanFrom(index) + 1;
    }
    RepaintLines(index + 1, last);
    Notify(TSynLineEvent::LineReplaced, index, 1);
}

void TSynEditLineStates::LinesBulkAdded()
{
    ForgetPlaces();
    RescanAllLines();
    Notify(TSynLineEvent::LinesBulkAdded, -1, 0);
}

void TSynEditLineStates::LinesDeleted(int index, int count)
{
    PlacesMoved(index, count, 0);
    RescanAround(index, -1);
    RepaintLines(index + 1, INT_MAX);
    RepaintGutterLines(index + 1, INT_MAX);
    Notify(TSynLineEvent::LinesDeleted, index, count);
}

void TSynEditLineStates::LinesInserted(int index, int count, bool statesKept)
{
    PlacesMoved(index, 0, count);
    const int last = index + count - 1;
    if (!statesKept) {
        // Like a single inserted line: every new line is scanned, whatever its 0 happens to match.
        RescanAround(index, last);
    } else if (highlighter_ != nullptr) {
        // The lines form a chain of right states already: only its first line's state against the
        // line above, and the line after its last, can be wrong.
        RescanAround(index, -1);
        if (last + 1 < lines_.Count()) {
            highlighter_->SetLineState(lines_.GetObject(last));
            RescanFrom(last);
        }
    }
    RepaintLines(index + 1, topLine_ + linesInWindow_);
    RepaintGutterLines(index + 1, topLine_ + linesInWindow_);
    Notify(TSynLineEvent::LinesInserted, index, count);
}

// A new mark whenever the stored states start to mean something else (another highlighter, or
// none), so that lines given out before never pass for right ones.
void TSynEditLineStates::StampValues() noexcept
{
    static std::intptr_t lastTag = 0;
    lines_.SetValuesTag(highlighter_ != nullptr ? ++lastTag : 0);
}

void TSynEditLineStates::ListChanging()
{
    inBracket_ = true;
}

void TSynEditLineStates::ListChanged()
{
    inBracket_ = false;
    if (pending_) {
        const TRepaintRect rect = *pending_;
        pending_.reset();
        if (OnRepaint)
            OnRepaint(rect);
    }
    if (OnLinesChanged)
        OnLinesChanged();
}

void TSynEditLineStates::HighlighterAttributesChanged(TSynCustomHighlighter* sender)
{
    (void)sender;
    if (OnMeasureCharCell)
        OnMeasureCharCell();
    if (OnRepaintAll)
        OnRepaintAll();
}

void TSynEditLineStates::HighlighterDestroying(TSynCustomHighlighter* sender)
{
    if (sender != highlighter_)
        return;
    // The listener goes with the highlighter; the stored states stay as they are.
    highlighter_ = nullptr;
    ForgetPlaces();
    StampValues();
    if (OnMeasureCharCell)
        OnMeasureCharCell();
    RepaintLines(-1, -1);
}

void TSynEditLineStates::SetView(int topLine, int linesInWindow, bool showing) noexcept
{
    topLine_ = topLine;
    linesInWindow_ = linesInWindow;
    showing_ = showing;
}

void TSynEditLineStates::Mark(const TRepaintRect& rect)
{
    if (inBracket_) {
        pending_ = pending_ ? UnionRect(*pending_, rect) : rect;
        return;
    }
    if (OnRepaint)
        OnRepaint(rect);
}

void TSynEditLineStates::RepaintLines(int first, int last)
{
    MarkRows(TRepaintRect{.TextArea = true}, first, last);
}

void TSynEditLineStates::RepaintGutterLines(int first, int last)
{
    MarkRows(TRepaintRect{.Gutter = true}, first, last);
}

// (-1, -1) marks the whole area; other ranges are put in order and clipped to the visible rows.
void TSynEditLineStates::MarkRows(TRepaintRect area, int first, int last)
{
    if (!showing_)
        return;
    if (first == -1 && last == -1) {
        area.AllRows = true;
        Mark(area);
        return;
    }
    if (first > last)
        std::swap(first, last);
    first = std::max(first, topLine_);
    last = std::min(last, topLine_ + linesInWindow_);
    if (last < first)
        return;
    area.FirstLine = first;
    area.LastLine = last;
    Mark(area);
}

void TSynEditLineStates::RepaintLine(int line)
{
    if (!showing_)
        return;
    if (line < topLine_ || line > topLine_ + linesInWindow_ || line > lines_.Count())
        return;
    Mark(TRepaintRect{.Gutter = true, .TextArea = true, .FirstLine = line, .LastLine = line});
}

}  // namespace pindle
