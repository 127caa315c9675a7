// The bar between the style table and the source pane: dragging it sets the pane's height.
#pragma once

#include <QWidget>

namespace pindle {

// The pane's height for a drag that asks for `wanted` pixels when table and pane share `available`
// pixels: at most what leaves the table `minSize` pixels, and none at all (collapsed) when that is
// `minSize` or less.
[[nodiscard]] int SplitterPaneHeight(int wanted, int available, int minSize = 30) noexcept;

class TSplitter final : public QWidget {
    Q_OBJECT

public:
    // `above` fills the rest of the space; `below` gets a fixed height from the drags.
    TSplitter(QWidget* above, QWidget* below, QWidget* parent);

    static constexpr int MinSize = 30;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* above_;
    QWidget* below_;
    int grabOffset_ = 0;
    bool dragging_ = false;
};

}  // namespace pindle
