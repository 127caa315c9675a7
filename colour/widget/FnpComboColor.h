// TFnpComboColor: a drop-down list of named colours, each painted as a framed swatch and its name,
// kept in insertion, colour or name order, selected by colour value.
#pragma once

#include "colour/ColorList.h"

#include <QComboBox>
#include <cstdint>
#include <string>
#include <vector>

class QPainter;
class QRect;

namespace pindle {

class TFnpComboColor : public QComboBox {
    Q_OBJECT

public:
    explicit TFnpComboColor(QWidget* parent = nullptr);

    void AddColor(const std::string& name, std::int32_t value);

    // -1 when no entry is selected.
    [[nodiscard]] std::int32_t SelectedColor() const;
    // Selects the first entry with the value; a value no entry has leaves the selection alone.
    void SetSelectedColor(std::int32_t value);

    [[nodiscard]] int ColorWidth() const noexcept { return colorWidth_; }
    // Widths below 5 are ignored.
    void SetColorWidth(int value);

    [[nodiscard]] TSortBy SortBy() const noexcept { return sortBy_; }
    // Any mode but ccsUnsorted re-sorts the entries, even when it is already in force.
    void SetSortBy(TSortBy mode);

    [[nodiscard]] static std::string Version() { return "1.00.00"; }

    [[nodiscard]] int ItemHeight() const noexcept { return itemHeight_; }
    void SetItemHeight(int value);

    // The entries as they stand, in list order.
    [[nodiscard]] std::vector<TColorEntry> Entries() const;
    [[nodiscard]] std::string EntryName(int index) const;
    [[nodiscard]] std::int32_t EntryColor(int index) const;

    // Paints entry `index` into `rect`; `selected` chooses the highlight colours.
    void DrawItem(QPainter& painter, int index, const QRect& rect, bool selected) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void StoreEntries(const std::vector<TColorEntry>& entries);

    QString shownText_;  // the chosen colour's name as a screen reader last heard it
    int colorWidth_ = 18;
    int itemHeight_ = 16;
    TSortBy sortBy_ = TSortBy::ccsUnsorted;
};

}  // namespace pindle
