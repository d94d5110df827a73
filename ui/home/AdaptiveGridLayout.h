#pragma once

#include <QLayout>
#include <QList>

namespace orvane {

// Lays its items out in as many equal columns of at least `minimumColumnWidth` as the width
// allows, row after row, each row as tall as its tallest item at the column width. Re-columns
// whenever the width changes.
class AdaptiveGridLayout : public QLayout {
public:
    AdaptiveGridLayout(int minimumColumnWidth, int columnSpacing, int rowSpacing, QWidget* parent = nullptr);
    ~AdaptiveGridLayout() override;

    // How many columns fit in `width`, never fewer than one.
    int columnCount(int width) const;

    void addItem(QLayoutItem* item) override;
    int count() const override { return static_cast<int>(items_.size()); }
    QLayoutItem* itemAt(int index) const override { return items_.value(index); }
    QLayoutItem* takeAt(int index) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    void setGeometry(const QRect& rect) override;
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }

private:
    // Places the items in `rect` when `apply`; the height they take either way.
    int arrange(const QRect& rect, bool apply) const;

    int minimumColumnWidth_;
    int columnSpacing_;
    int rowSpacing_;
    QList<QLayoutItem*> items_;
};

} // namespace orvane
