#include "editor/widget/SynEditRuns.h"

#include <algorithm>

namespace pindle {
namespace {

bool BlanksOnly(std::string_view text) noexcept
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

}  // namespace

TSynRunBuilder::TSynRunBuilder(ISynRunSink& sink, int columnsInWindow) : sink_(sink)
{
    buffer_.reserve(static_cast<std::size_t>(std::max(128, columnsInWindow)));
}

void TSynRunBuilder::BeginLine(TColor lineBackground, TColor defaultForeground,
                               bool wholeLineSelected) noexcept
{
    buffer_.clear();
    lineBackground_ = lineBackground;
    defaultForeground_ = defaultForeground;
    wholeLineSelected_ = wholeLineSelected;
}

bool TSynRunBuilder::Joins(std::string_view text, const TSynRunLook& look) const noexcept
{
    const bool blanks = BlanksOnly(text);
    // Blanks look alike in every style but an underlined one.
    const bool styleFits = look.Style == runLook_.Style
        || (blanks && (look.Style & fsUnderline) == 0 && (runLook_.Style & fsUnderline) == 0);
    const bool colourFits = wholeLineSelected_
        || (look.Background == runLook_.Background && (look.Foreground == runLook_.Foreground || blanks));
    return styleFits && colourFits;
}

void TSynRunBuilder::Reserve(std::size_t needed)
{
    if (buffer_.capacity() < needed)
        buffer_.reserve(needed + 32);
}

void TSynRunBuilder::AddToken(int startColumn, std::string_view text, TSynRunLook look)
{
    if (look.Background == clNone)
        look.Background = lineBackground_;
    if (look.Foreground == clNone)
        look.Foreground = defaultForeground_;
    if (!buffer_.empty() && Joins(text, look)) {
        Reserve(buffer_.size() + text.size());
        buffer_.append(text);
        return;
    }
    Flush();
    Reserve(text.size());
    buffer_.assign(text);
    runStart_ = startColumn;
    runLook_ = look;
}

void TSynRunBuilder::Flush()
{
    if (buffer_.empty())
        return;
    sink_.DrawRun(runStart_, buffer_, runLook_);
    buffer_.clear();
}

}  // namespace pindle
