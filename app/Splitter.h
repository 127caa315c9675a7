// The bar between the style table and the source pane, and the layout of the client area: dragging
// the bar sets the pane's height.
#pragma once

#include <QLayout>
#include <QWidget>
#include <vector>

namespace pindle {

// The pane's height for a drag that asks for `wanted` pixels when table and pane share `available`
// pixels: at most what leaves the table `minSize` pixels, and none at all (collapsed) when that is
// `minSize` or less.
[[nodiscard]] int SplitterPaneHeight(int wanted, int available, int minSize = 30) noexcept;

class TSplitter final : public QWidget {
    Q_OBJECT

public:
    // `above` fills the rest of the space; `below` gets its height from the drags, starting with
    // `paneHeight`.
    TSplitter(QWidget* above, QWidget* below, int paneHeight, QWidget* parent);

    static constexpr int MinSize = 30;

    // The pane's height as the last drag set it; the layout gives it less while the window is too
    // small for it.
    [[nodiscard]] int PaneHeight() const noexcept { return paneHeight_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* above_;
    QWidget* below_;
    int paneHeight_;
    int grabOffset_ = 0;
    bool dragging_ = false;
};

// The client area from top to bottom: a bar of fixed height, the table filling the rest, the
// splitter and the pane. The pane gets the splitter's height under the drag rule, so the table
// keeps MinSize pixels: a drag never makes the window grow, the window can always be made smaller
// down to the table's minimum (the pane gives way, collapsing as under a drag), and the pane takes
// its height back when the window grows again.
class TSplitLayout final : public QLayout {
public:
    TSplitLayout(QWidget* parent, QWidget* top, QWidget* fill, TSplitter* splitter, QWidget* pane);
    ~TSplitLayout() override;
    TSplitLayout(const TSplitLayout&) = delete;
    TSplitLayout& operator=(const TSplitLayout&) = delete;

    void addItem(QLayoutItem* item) override;
    [[nodiscard]] int count() const override;
    [[nodiscard]] QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    [[nodiscard]] QLayoutItem* ItemOf(const QWidget* widget) const;
    [[nodiscard]] int FixedHeight(const QWidget* widget) const;
    [[nodiscard]] QSize Size(int tableHeight, int paneHeight, bool minimum) const;

    QWidget* top_;
    QWidget* fill_;
    TSplitter* splitter_;
    QWidget* pane_;
    std::vector<QLayoutItem*> items_;
};

}  // namespace pindle
