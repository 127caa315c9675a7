#include "dialogs/StyleTransfer.h"

#include "dialogs/Style.h"
#include "platform/qt/Desktop.h"
#include "platform/Exceptions.h"
#include "platform/qt/QtText.h"

#include <QComboBox>
#include <QLineEdit>

namespace pindle {

namespace {

bool IsTrimmed(char c) noexcept
{
    return static_cast<unsigned char>(c) <= 32;
}

}  // namespace

std::string TrimText(std::string_view text)
{
    while (!text.empty() && IsTrimmed(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsTrimmed(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

TCaptionParts SplitCaption(std::string_view caption)
{
    const std::size_t dot = caption.find('.');
    if (dot == std::string_view::npos)
        return {std::string(caption), {}};
    return {std::string(caption.substr(0, dot)), std::string(caption.substr(dot + 1))};
}

std::string JoinCaption(const std::string& tag, const std::string& styleName)
{
    if (TrimText(styleName).empty())
        return tag;
    return tag + "." + styleName;
}

std::vector<std::string> SplitFontFamily(std::string_view text)
{
    std::vector<std::string> names;
    std::string rest = std::string(text) + ",";
    for (std::size_t comma = rest.find(','); comma != std::string::npos; comma = rest.find(',')) {
        std::string name = TrimText(std::string_view(rest).substr(0, comma));
        if (!name.empty())
            names.push_back(std::move(name));
        rest = TrimText(std::string_view(rest).substr(comma + 1));
    }
    return names;
}

std::string JoinFontFamily(const std::vector<std::string>& names)
{
    std::string joined;
    for (const std::string& name : names)
        joined += name + ",";
    joined = TrimText(joined);
    if (!joined.empty() && joined.back() == ',')
        joined.pop_back();
    return joined;
}

bool EditStyle(TStyleDlg& dialog, TStyleRow& row)
{
    try {
        const TCaptionParts caption = SplitCaption(row.Caption);
        const auto& s = row.SubItems;
        dialog.SetValues(caption.Tag, caption.StyleName, s[scFontFamily], s[scFontWeight], s[scFontStyle],
                         s[scDecoration], s[scFontSize], s[scLineHeight], s[scLetterSpacing],
                         s[scWordSpacing], s[scColor], s[scBgColor], s[scComment]);
    } catch (const Exception&) {
        // A row that does not load completely is still shown; what did load is edited as usual.
    }

    if (dialog.ShowModal() != mrOk)
        return false;

    const TTextEncoding encoding = dialog.Encoding();
    row.Caption = JoinCaption(FromQString(dialog.edtHTMLTag->text(), encoding),
                              FromQString(dialog.edtStyleName->text(), encoding));
    auto& s = row.SubItems;
    s[scFontFamily] = JoinFontFamily(dialog.FontFamilyEntries());
    s[scFontSize] = FromQString(dialog.edtFontSize->text(), encoding);
    s[scFontWeight] = dialog.FontWeightText();
    s[scFontStyle] = dialog.FontStyleText();
    s[scDecoration] = dialog.DecorationText();
    s[scLineHeight] = FromQString(dialog.edtLineHeight->text(), encoding);
    s[scLetterSpacing] = FromQString(dialog.edtLetterSp->text(), encoding);
    s[scWordSpacing] = FromQString(dialog.edtWordSp->text(), encoding);
    s[scColor] = dialog.ForegroundText();
    s[scBgColor] = dialog.BackgroundText();
    s[scComment] = FromQString(dialog.edtComment->text(), encoding);
    return true;
}

}  // namespace pindle
