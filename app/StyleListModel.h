// Shows the style table in a report-style view: twelve columns, image 0 before each caption, and the
// table's one selected row kept in step with the view's selection in both directions.
#pragma once

#include "model/StyleTable.h"
#include "platform/Encoding.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QTableView>
#include <array>

class QAbstractItemView;
class QItemSelection;

namespace pindle {

struct TStyleListColumn {
    const char* Header;
    int Width;
};

inline constexpr std::array<TStyleListColumn, 12> StyleColumns{{
    {"Tag/Style", 80},
    {"Font family", 120},
    {"Font size", 60},
    {"Font weight", 60},
    {"Font style", 75},
    {"Decoration", 75},
    {"Line height", 50},
    {"Letter spacing", 50},
    {"Word spacing", 50},
    {"Color", 60},
    {"bgColor", 60},
    {"Comment", 300},
}};

class TStyleListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    // Takes over the table's change handler for as long as the model lives.
    explicit TStyleListModel(TStyleTable& table, QObject* parent = nullptr);
    ~TStyleListModel() override;

    // Shows the model in the view and ties the view's selection to the table's selected row.
    void Bind(QAbstractItemView* view);
    // The document's encoding, in which the cells' bytes are shown.
    void SetEncoding(TTextEncoding encoding);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void TableChanged(const TStyleTableChange& change);
    void ViewSelectionChanged();
    void ShowTableSelection();

    TStyleTable& table_;
    TTextEncoding encoding_ = TTextEncoding::Utf8;
    QAbstractItemView* view_ = nullptr;
    // The row count the views know of: the table notifies after a change, while Qt wants to hear of
    // it before, so the model reports the old count until the views have been told.
    int count_ = 0;
    bool syncing_ = false;
};

// The report-style list view: twelve fixed columns, whole-row single selection, no editing in place,
// headers that do nothing when clicked. Click and DblClick follow the view's own handling of the
// mouse, so the row under the mouse is already selected when they come. A screen reader meets it as
// the table "Styles" and reads each cell with its column's header. With the keyboard focus, a frame
// that stands apart from the background shows the current row, or the whole table when it has none.
class TStyleListView final : public QTableView {
    Q_OBJECT

public:
    explicit TStyleListView(QWidget* parent = nullptr);

    // The column headers.
    [[nodiscard]] QHeaderView* header() const { return horizontalHeader(); }

    // A new table (New, Open) shows from its first row and first column.
    void reset() override;

    // Where the focus frame is drawn in the viewport, and in which colour; an empty rectangle when
    // the view has no focus.
    [[nodiscard]] QRect FocusFrameRect() const;
    [[nodiscard]] QColor FocusFrameColor() const;

signals:
    void Click();
    void DblClick();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void changeEvent(QEvent* event) override;

private:
    void UpdateRowHeight();
};

}  // namespace pindle
