#include "colour/widget/FnpComboColor.h"

#include "platform/qt/QtText.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QStylePainter>

namespace pindle {

namespace {

constexpr int ColorRole = Qt::UserRole;

QColor ToQColor(std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    return QColor(static_cast<int>(bits & 0xFF), static_cast<int>((bits >> 8) & 0xFF),
                  static_cast<int>((bits >> 16) & 0xFF));
}

// Lets the open list ask the combo box to paint its entries, at the combo box's item height.
class TColorItemDelegate final : public QStyledItemDelegate {
public:
    explicit TColorItemDelegate(TFnpComboColor* combo) : QStyledItemDelegate(combo), combo_(combo) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = (option.state & QStyle::State_Selected) != 0;
        combo_->DrawItem(*painter, index.row(), option.rect, selected);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width() + combo_->ColorWidth() + 4,
                combo_->ItemHeight()};
    }

private:
    TFnpComboColor* combo_;
};

// Some styles open a combo box's list as a menu over the control, showing every entry; this control
// always opens a list below itself that shows maxVisibleItems entries at a time.
class TListPopupStyle final : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == QStyle::SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

TFnpComboColor::TFnpComboColor(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    setMaxVisibleItems(8);
    setItemDelegate(new TColorItemDelegate(this));
    auto* popupStyle = new TListPopupStyle;
    popupStyle->setParent(this);
    setStyle(popupStyle);
}

void TFnpComboColor::AddColor(const std::string& name, std::int32_t value)
{
    const int previous = currentIndex();
    const auto position = static_cast<int>(ColorInsertPosition(Entries(), {name, value}, sortBy_));
    insertItem(position, ToQString(name), QVariant::fromValue(value));
    // Qt selects the first entry put into an empty list; this control never selects on its own.
    if (previous < 0)
        setCurrentIndex(-1);
}

std::int32_t TFnpComboColor::SelectedColor() const
{
    const int index = currentIndex();
    return index < 0 ? -1 : EntryColor(index);
}

void TFnpComboColor::SetSelectedColor(std::int32_t value)
{
    const int index = IndexOfColor(Entries(), value);
    if (index >= 0)
        setCurrentIndex(index);
}

void TFnpComboColor::SetColorWidth(int value)
{
    if (value == colorWidth_ || value < 5)
        return;
    colorWidth_ = value;
    update();
    if (view() != nullptr)
        view()->viewport()->update();
}

void TFnpComboColor::SetSortBy(TSortBy mode)
{
    sortBy_ = mode;
    if (mode == TSortBy::ccsUnsorted)
        return;
    const std::int32_t selected = SelectedColor();
    const bool hadSelection = currentIndex() >= 0;
    std::vector<TColorEntry> entries = Entries();
    SortColorEntries(entries, mode);
    StoreEntries(entries);
    if (hadSelection)
        SetSelectedColor(selected);
    else
        setCurrentIndex(-1);
}

void TFnpComboColor::SetItemHeight(int value)
{
    if (value <= 0 || value == itemHeight_)
        return;
    itemHeight_ = value;
    updateGeometry();
    update();
}

std::vector<TColorEntry> TFnpComboColor::Entries() const
{
    std::vector<TColorEntry> entries;
    entries.reserve(static_cast<std::size_t>(count()));
    for (int i = 0; i < count(); ++i)
        entries.push_back({EntryName(i), EntryColor(i)});
    return entries;
}

std::string TFnpComboColor::EntryName(int index) const
{
    return FromQString(itemText(index));
}

std::int32_t TFnpComboColor::EntryColor(int index) const
{
    return itemData(index, ColorRole).value<std::int32_t>();
}

// Rewrites the entries in place, so that the list's count never passes through zero (which would
// make Qt pick a selection of its own).
void TFnpComboColor::StoreEntries(const std::vector<TColorEntry>& entries)
{
    for (int i = 0; i < static_cast<int>(entries.size()) && i < count(); ++i) {
        const auto& entry = entries[static_cast<std::size_t>(i)];
        setItemText(i, ToQString(entry.Name));
        setItemData(i, QVariant::fromValue(entry.Value), ColorRole);
    }
}

void TFnpComboColor::DrawItem(QPainter& painter, int index, const QRect& rect, bool selected) const
{
    const QPalette& pal = palette();
    const QColor background = selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base);
    const QColor foreground = selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text);

    painter.save();
    painter.fillRect(rect, background);

    // The swatch follows the item height, not the rectangle, so that the closed face shows the same
    // swatch as the list. Its outline lies on the rectangle's first pixels, right and bottom excluded.
    // Both are filled, not stroked: a stroked outline is centred on the edge and would leave a sliver
    // of colour outside it on a screen with two device pixels to the pixel.
    const QRect swatch(rect.left() + 1, rect.top() + 1, colorWidth_ - 2, itemHeight_ - 2);
    painter.fillRect(swatch, Qt::black);
    painter.fillRect(swatch.adjusted(1, 1, -1, -1), ToQColor(EntryColor(index)));

    const QRect textRect(QPoint(rect.left() + colorWidth_ + 4, rect.top() + 1),
                         QPoint(rect.right(), rect.bottom() - 1));
    painter.setPen(foreground);
    painter.setFont(font());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic,
                     itemText(index));
    painter.restore();
}

void TFnpComboColor::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);

    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    const int index = currentIndex();
    if (index < 0) {
        painter.fillRect(field, palette().color(QPalette::Base));
        return;
    }
    const bool focused = hasFocus() && !view()->isVisible();
    DrawItem(painter, index, field, focused);
    if (focused) {
        QStyleOptionFocusRect focusOption;
        focusOption.initFrom(this);
        focusOption.rect = field;
        focusOption.backgroundColor = palette().color(QPalette::Highlight);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focusOption);
    }
}

}  // namespace pindle
