// The editor's side of the highlighter contract, without any drawing: keeps the start state of every
// line of a TSynEditList right as the list changes, attaches and detaches the highlighter, and works
// out which screen rows need repainting. The widget hooks the callbacks and turns the repaint
// rectangles into pixels.
#pragma once

#include "editor/SynEditTextBuffer.h"
#include "highlight/SynEditHighlighter.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace pindle {

// A screen area to repaint, in whole rows of 1-based line numbers. Gutter and TextArea say which
// columns it covers (both: the full width); AllRows covers the whole height of the window.
struct TRepaintRect {
    bool Gutter = false;
    bool TextArea = false;
    bool AllRows = false;
    int FirstLine = 0;
    int LastLine = 0;

    friend bool operator==(const TRepaintRect&, const TRepaintRect&) = default;
};

// The smallest rectangle covering both.
[[nodiscard]] TRepaintRect UnionRect(const TRepaintRect& a, const TRepaintRect& b) noexcept;

enum class TSynLineEvent : std::uint8_t {
    LineAdded,
    LinesCleared,
    LineDeleted,
    LineInserted,
    LineReplaced,
    LinesBulkAdded,
    LinesDeleted,
    LinesInserted,
};

class TSynEditLineStates {
public:
    // Takes over the list's ten handlers for as long as it lives.
    explicit TSynEditLineStates(TSynEditList& lines);
    ~TSynEditLineStates();
    TSynEditLineStates(const TSynEditLineStates&) = delete;
    TSynEditLineStates& operator=(const TSynEditLineStates&) = delete;

    [[nodiscard]] TSynEditList& Lines() const noexcept { return lines_; }
    [[nodiscard]] TSynCustomHighlighter* Highlighter() const noexcept { return highlighter_; }
    // Registers with the highlighter (listener and removal notice), rescans every line, and asks the
    // widget to measure the character cell again and repaint everything. nullptr detaches.
    void SetHighlighter(TSynCustomHighlighter* value);

    // The caller has set the highlighter's line state to the start state of line index. Returns the
    // last line whose start state was rewritten, or index when none after it needed scanning.
    int RescanFrom(int index) noexcept;
    void RescanAllLines() noexcept;

    // The list's events (installed by the constructor; public so that they can be named).
    void LineAdded();
    void LinesCleared();
    void LineDeleted(int index);
    void LineInserted(int index);
    void LineReplaced(int index);
    void LinesBulkAdded();
    // A range deleted or inserted in one call: one rescan and one repaint mark for all of it. Lines
    // that come back with the states they had in this list (an undone deletion) are not scanned
    // again; only the lines at either end of them are checked.
    void LinesDeleted(int index, int count);
    void LinesInserted(int index, int count, bool statesKept);
    void ListChanging();
    void ListChanged();
    // The change listener registered with the attached highlighter.
    void HighlighterAttributesChanged(TSynCustomHighlighter* sender);
    // The removal notice of the attached highlighter: drop it, keep the stored values.
    void HighlighterDestroying(TSynCustomHighlighter* sender);

    // The view, kept up to date by the widget. Repaint marks do nothing while not Showing (hidden or
    // without a window yet).
    void SetView(int topLine, int linesInWindow, bool showing) noexcept;
    [[nodiscard]] int TopLine() const noexcept { return topLine_; }
    [[nodiscard]] int LinesInWindow() const noexcept { return linesInWindow_; }
    [[nodiscard]] bool Showing() const noexcept { return showing_; }

    // Lines numbered from 1. (-1, -1) is the whole text area. Inside the list's update bracket the
    // marks are collected into one rectangle, handed out when the bracket closes.
    void RepaintLines(int first, int last);
    void RepaintGutterLines(int first, int last);
    void RepaintLine(int line);

    // Widget hooks; each may be left empty.
    std::function<void(const TRepaintRect&)> OnRepaint;        // mark this area for repainting
    std::function<void()> OnMeasureCharCell;                    // the character cell may have changed
    std::function<void()> OnRepaintAll;                         // repaint the whole editor
    // After the state work of each event: the event, the index it names (-1 for none) and how many
    // lines it covers (1 for the single-line events, 0 for LinesCleared and LinesBulkAdded).
    std::function<void(TSynLineEvent, int, int)> AfterLineEvent;
    std::function<void()> OnLinesChanged;                       // the list's update bracket closed

private:
    // Continues at least through line throughLine, so that the line after it gets its state checked.
    int RescanThrough(int index, int throughLine) noexcept;
    bool RescanInTwo(std::intptr_t start) noexcept;
    void ScanLine(int index) noexcept;
    void Mark(const TRepaintRect& rect);
    void MarkRows(TRepaintRect area, int first, int last);
    void RescanAround(int index, int throughLine);
    void DetachFromHighlighter() noexcept;
    // The places of a long line (SynEditLinePlaces.cpp).
    void ScanLongLine(int index, std::string_view text) noexcept;
    bool ScanPlaces(std::string_view text, std::size_t offset, std::intptr_t state, std::size_t stop) noexcept;
    void PlacesEdited(int index) noexcept;
    void ForgetPlaces() noexcept { places_.Index = -1; }
    // Lines index to index + removed - 1 went, inserted lines came in their place.
    void PlacesMoved(int index, int removed, int inserted) noexcept;
    void Notify(TSynLineEvent event, int index, int count);
    void StampValues() noexcept;

    TSynEditList& lines_;
    TSynCustomHighlighter* highlighter_ = nullptr;
    int topLine_ = 1;
    int linesInWindow_ = 0;
    bool showing_ = false;
    bool inBracket_ = false;
    std::optional<TRepaintRect> pending_;

    // Lists from this many lines on are rescanned whole in two halves at once.
    static constexpr int kRescanInTwoFrom = 1 << 16;
    // Lines from this length on keep places.
    static constexpr std::size_t kPlacesFrom = 64 * 1024;
    // Places inside the last long line scanned where the highlighter can take up its scan again,
    // with their states, so that an edit inside the line rescans from the place before the edit to
    // the first place after it that the scan reaches in the state it had, instead of the whole line.
    struct TLinePlaces {
        int Index = -1;  // -1: none kept
        std::size_t Length = 0;
        std::intptr_t StartState = 0;
        std::intptr_t EndState = 0;
        // (byte, state), in order. Those before DirtyFrom are right; those from DirtyTo on lie past
        // the edits since the last scan, where a scan arriving in their state ends in EndState.
        std::vector<std::pair<std::size_t, std::intptr_t>> Places;
        std::size_t DirtyFrom = SIZE_MAX;  // SIZE_MAX: the line has been scanned since its last edit
        std::size_t DirtyTo = SIZE_MAX;    // SIZE_MAX: no place after the edits is known
    };
    TLinePlaces places_;
};

}  // namespace pindle
