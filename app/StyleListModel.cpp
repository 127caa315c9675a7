#include "app/StyleListModel.h"

#include "app/Images.h"
#include "colour/Colors.h"
#include "platform/qt/QtText.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>

namespace pindle {

TStyleListModel::TStyleListModel(TStyleTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table), count_(table.Count())
{
    table_.SetChangeHandler([this](const TStyleTableChange& change) { TableChanged(change); });
}

TStyleListModel::~TStyleListModel()
{
    table_.SetChangeHandler(nullptr);
}

void TStyleListModel::Bind(QAbstractItemView* view)
{
    view_ = view;
    view->setModel(this);
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TStyleListModel::ViewSelectionChanged);
    ShowTableSelection();
}

int TStyleListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count_;
}

int TStyleListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(StyleColumns.size());
}

void TStyleListModel::SetEncoding(TTextEncoding encoding)
{
    if (encoding == encoding_)
        return;
    encoding_ = encoding;
    if (table_.Count() > 0)
        emit dataChanged(index(0, 0), index(table_.Count() - 1, columnCount() - 1), {Qt::DisplayRole});
}

QVariant TStyleListModel::data(const QModelIndex& index, int role) const
{
    // Between a removal in the table and the views hearing of it, rows at the end no longer exist.
    if (!index.isValid() || index.row() >= table_.Count())
        return {};
    const TStyleRow& row = table_.Row(index.row());
    if (role == Qt::DisplayRole) {
        if (index.column() == 0)
            return ToQString(row.Caption, encoding_);
        return ToQString(row.SubItems.at(static_cast<std::size_t>(index.column() - 1)), encoding_);
    }
    if (role == Qt::DecorationRole && index.column() == 0)
        return StyleIcon(row.ImageIndex >= 0 && row.ImageIndex < imgCount ? row.ImageIndex : imgStyleRow);
    return {};
}

QVariant TStyleListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= static_cast<int>(StyleColumns.size()))
        return {};
    return AsciiText(StyleColumns.at(static_cast<std::size_t>(section)).Header);
}

Qt::ItemFlags TStyleListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;  // never editable in place
}

void TStyleListModel::TableChanged(const TStyleTableChange& change)
{
    // While rows come and go the view moves its selection by its own rules (in single selection it
    // selects a neighbour of a removed row); the table's selection is the one that counts, so the
    // view's moves are not passed on and the table's selection is shown again afterwards.
    const bool wasSyncing = syncing_;
    syncing_ = true;
    switch (change.Kind) {
    case TStyleTableChangeKind::RowsInserted:
        beginInsertRows({}, change.First, change.Last);
        count_ = table_.Count();
        endInsertRows();
        break;
    case TStyleTableChangeKind::RowsRemoved:
        beginRemoveRows({}, change.First, change.Last);
        count_ = table_.Count();
        endRemoveRows();
        break;
    case TStyleTableChangeKind::RowChanged:
        emit dataChanged(index(change.First, 0), index(change.Last, columnCount() - 1));
        break;
    case TStyleTableChangeKind::Reset:
        beginResetModel();
        count_ = table_.Count();
        endResetModel();
        break;
    case TStyleTableChangeKind::SelectionChanged:
        break;
    }
    syncing_ = wasSyncing;
    ShowTableSelection();
}

void TStyleListModel::ViewSelectionChanged()
{
    if (syncing_ || view_ == nullptr)
        return;
    const QModelIndexList rows = view_->selectionModel()->selectedRows();
    syncing_ = true;
    table_.Select(rows.isEmpty() ? -1 : rows.constFirst().row());
    syncing_ = false;
}

void TStyleListModel::ShowTableSelection()
{
    if (syncing_ || view_ == nullptr)
        return;
    syncing_ = true;
    QItemSelectionModel* selection = view_->selectionModel();
    const int selected = table_.SelectedIndex();
    if (selected < 0 || selected >= count_) {
        selection->clearSelection();
    } else {
        selection->setCurrentIndex(index(selected, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    syncing_ = false;
}

namespace {

// Cells draw no focus frame of their own: the view frames the whole current row instead, in a
// colour that can be seen (the style's cell frame is a faint line on the selection).
class TNoCellFocusDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem plain(option);
        plain.state &= ~QStyle::State_HasFocus;
        QStyledItemDelegate::paint(painter, plain, index);
    }
};

constexpr int FocusFrameWidth = 2;
constexpr double FocusFrameContrast = 3.0;

std::int32_t ColorValue(const QColor& color)
{
    return static_cast<std::int32_t>((static_cast<unsigned>(color.blue()) << 16) |
                                     (static_cast<unsigned>(color.green()) << 8) | static_cast<unsigned>(color.red()));
}

QColor FromColorValue(std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    return {static_cast<int>(bits & 0xFF), static_cast<int>((bits >> 8) & 0xFF), static_cast<int>((bits >> 16) & 0xFF)};
}

}  // namespace

TStyleListView::TStyleListView(QWidget* parent) : QTableView(parent)
{
    setAccessibleName(QStringLiteral("Styles"));
    setItemDelegate(new TNoCellFocusDelegate(this));
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);  // Tab leaves the table for the source pane
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(16, 16));
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setHighlightSections(false);
    header()->setStretchLastSection(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header()->setMinimumSectionSize(8);
    UpdateRowHeight();
}

// Every row has the height of the row's image or text, whichever is higher, with a little room.
void TStyleListView::UpdateRowHeight()
{
    const int height = std::max(iconSize().height(), fontMetrics().height()) + 2 * FocusFrameWidth;
    verticalHeader()->setMinimumSectionSize(0);
    verticalHeader()->setDefaultSectionSize(height);
}

void TStyleListView::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        UpdateRowHeight();
}

// Up, Down, Home and End go through the rows as in a list; Left and Right through the row's cells,
// which a screen reader reads with their headers.
QModelIndex TStyleListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const int rows = model() != nullptr ? model()->rowCount(rootIndex()) : 0;
    if (rows > 0 && (action == MoveHome || action == MoveEnd)) {
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        return model()->index(action == MoveHome ? 0 : rows - 1, column, rootIndex());
    }
    return QTableView::moveCursor(action, modifiers);
}

QRect TStyleListView::FocusFrameRect() const
{
    if (!hasFocus())
        return {};
    const QRect all = viewport()->rect();
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return all;
    const int top = rowViewportPosition(current.row());
    const int left = columnViewportPosition(0);
    const int right = columnViewportPosition(header()->count() - 1) + columnWidth(header()->count() - 1);
    return QRect(QPoint(std::max(left, all.left()), top),
                 QPoint(std::min(right, all.right() + 1) - 1, top + rowHeight(current.row()) - 1));
}

QColor TStyleListView::FocusFrameColor() const
{
    // The frame runs along the row's edge: it must stand apart from the row (highlighted when
    // selected) and from the table round it.
    const QPalette& colors = palette();
    const std::int32_t base = ColorValue(colors.color(QPalette::Base));
    const QModelIndex current = currentIndex();
    const bool selected = current.isValid() && selectionModel() != nullptr && selectionModel()->isSelected(current);
    const std::int32_t row = selected ? ColorValue(colors.color(QPalette::Highlight)) : base;
    return FromColorValue(ColorStandingOut({ColorValue(colors.color(QPalette::Highlight)),
                                            ColorValue(colors.color(QPalette::Text)), 0x000000, 0xFFFFFF},
                                           {row, base}, FocusFrameContrast));
}

void TStyleListView::paintEvent(QPaintEvent* event)
{
    QTableView::paintEvent(event);
    const QRect frame = FocusFrameRect();
    if (frame.isEmpty())
        return;
    QPainter painter(viewport());
    painter.setPen(QPen(FocusFrameColor(), FocusFrameWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(frame).adjusted(FocusFrameWidth / 2.0, FocusFrameWidth / 2.0, -FocusFrameWidth / 2.0 + 1,
                                            -FocusFrameWidth / 2.0 + 1));
}

void TStyleListView::focusInEvent(QFocusEvent* event)
{
    QTableView::focusInEvent(event);
    viewport()->update();
}

void TStyleListView::focusOutEvent(QFocusEvent* event)
{
    QTableView::focusOutEvent(event);
    viewport()->update();
}

void TStyleListView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    viewport()->update();
}

void TStyleListView::reset()
{
    QTableView::reset();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void TStyleListView::mouseReleaseEvent(QMouseEvent* event)
{
    QTableView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit Click();
}

void TStyleListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit DblClick();
}

}  // namespace pindle
