#include "colour/widget/FnpComboColor.h"

#include "platform/qt/Accessible.h"
#include "platform/qt/QtText.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QStylePainter>

#include <utility>

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

// What a screen reader is told of the control: a combo box that keeps its own name ("Foreground
// color") whatever is chosen, with the chosen colour's name as its value and its text, and the open
// list as its child. (Qt's own combo box takes the chosen entry as its name.)
class TComboColorAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TComboColorAccessible(TFnpComboColor* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    [[nodiscard]] QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return Combo()->currentText();
        return QAccessibleWidget::text(kind);
    }

    [[nodiscard]] int childCount() const override { return 1; }
    [[nodiscard]] QAccessibleInterface* child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(Combo()->view()) : nullptr;
    }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child != nullptr && child->object() == Combo()->view() ? 0 : -1;
    }

    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        const bool open = Combo()->view()->isVisible();
        state.expandable = true;
        state.expanded = open;
        state.collapsed = !open;
        return state;
    }

    [[nodiscard]] QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} << QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override
    {
        if (name == showMenuAction() || name == pressAction())
            Combo()->showPopup();
        else
            QAccessibleWidget::doAction(name);
    }

    // The chosen colour's name as a read-only text.
    [[nodiscard]] QString text(int startOffset, int endOffset) const override
    {
        return Combo()->currentText().mid(startOffset, endOffset - startOffset);
    }
    [[nodiscard]] int characterCount() const override { return static_cast<int>(Combo()->currentText().size()); }
    [[nodiscard]] int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    [[nodiscard]] int selectionCount() const override { return 0; }
    void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    [[nodiscard]] QRect characterRect(int) const override { return {}; }
    [[nodiscard]] int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    [[nodiscard]] QString attributes(int offset, int* startOffset, int* endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return {};
    }

private:
    [[nodiscard]] TFnpComboColor* Combo() const { return static_cast<TFnpComboColor*>(widget()); }
};

}  // namespace

TFnpComboColor::TFnpComboColor(QWidget* parent) : QComboBox(parent)
{
    InstallAccessible<TFnpComboColor, TComboColorAccessible>();
    // A new choice reaches a screen reader as the control's text changing.
    connect(this, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        const QString previous = std::exchange(shownText_, text);
        if (!QAccessible::isActive())
            return;
        QAccessibleTextUpdateEvent changed(this, 0, previous, text);
        QAccessible::updateAccessibility(&changed);
    });
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
