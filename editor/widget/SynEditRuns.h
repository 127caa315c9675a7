// Joins the tokens of one painted line into runs that look the same, so that a line is drawn in a
// few calls instead of one per token. Colours are 0x00BBGGRR values; clNone in a token means the
// line's own background or the editor's text colour.
#pragma once

#include "highlight/SynEditHighlighter.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace pindle {

struct TSynRunLook {
    TColor Foreground = 0;
    TColor Background = 0;
    TFontStyles Style = 0;
};

// Receives each finished run: where it starts (0-based in the tab-expanded line, a byte offset), its
// characters and how it looks, with no clNone left in it.
class ISynRunSink {
public:
    virtual ~ISynRunSink() = default;
    virtual void DrawRun(int startColumn, std::string_view text, const TSynRunLook& look) = 0;
};

class TSynRunBuilder {
public:
    // The buffer is allocated once per paint with room for the wider of 128 characters and the window.
    TSynRunBuilder(ISynRunSink& sink, int columnsInWindow);

    // Starts a line; when the whole line is selected, colours no longer keep tokens apart because
    // everything is drawn in the selection colours.
    void BeginLine(TColor lineBackground, TColor defaultForeground, bool wholeLineSelected) noexcept;
    void AddToken(int startColumn, std::string_view text, TSynRunLook look);
    // Draws the pending run, if any.
    void Flush();

    [[nodiscard]] std::size_t Capacity() const noexcept { return buffer_.capacity(); }

private:
    [[nodiscard]] bool Joins(std::string_view text, const TSynRunLook& look) const noexcept;
    void Reserve(std::size_t needed);

    ISynRunSink& sink_;
    std::string buffer_;
    int runStart_ = 0;
    TSynRunLook runLook_;
    TColor lineBackground_ = 0;
    TColor defaultForeground_ = 0;
    bool wholeLineSelected_ = false;
};

}  // namespace pindle
