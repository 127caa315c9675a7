#include "app/StyleListModel.h"

#include "app/Images.h"
#include "platform/qt/QtText.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
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

// The view measures a row over its visible columns only; every cell asks for the height of the
// row's first cell, which holds the image, so that rows keep the height of their image while the
// first column is scrolled out of sight.
class TRowHeightDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (index.column() != 0)
            size.setHeight(std::max(size.height(), QStyledItemDelegate::sizeHint(option, index.siblingAtColumn(0)).height()));
        return size;
    }
};

}  // namespace

TStyleListView::TStyleListView(QWidget* parent) : QTreeView(parent)
{
    setItemDelegate(new TRowHeightDelegate(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(16, 16));
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header()->setMinimumSectionSize(8);
}

void TStyleListView::reset()
{
    QTreeView::reset();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void TStyleListView::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit Click();
}

void TStyleListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit DblClick();
}

}  // namespace pindle
