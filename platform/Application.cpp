#include "platform/Application.h"

namespace pindle {

std::string GetShortHint(std::string_view hint)
{
    const auto bar = hint.find('|');
    return std::string(bar == std::string_view::npos ? hint : hint.substr(0, bar));
}

std::string GetLongHint(std::string_view hint)
{
    const auto bar = hint.find('|');
    return std::string(bar == std::string_view::npos ? hint : hint.substr(bar + 1));
}

TApplication& TApplication::Instance()
{
    static TApplication* application = new TApplication;  // lives until the program ends
    return *application;
}

void TApplication::SetHint(const std::string& hint)
{
    if (hint == hint_)
        return;
    hint_ = hint;
    emit HintChanged();
}

}  // namespace pindle
