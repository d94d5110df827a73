#include "ui/home/AdaptiveGridLayout.h"

#include <QWidget>

namespace orvane {

AdaptiveGridLayout::AdaptiveGridLayout(int minimumColumnWidth, int columnSpacing, int rowSpacing,
                                       QWidget* parent)
    : QLayout(parent)
    , minimumColumnWidth_(std::max(minimumColumnWidth, 1))
    , columnSpacing_(columnSpacing)
    , rowSpacing_(rowSpacing) {
    setContentsMargins(0, 0, 0, 0);
}

AdaptiveGridLayout::~AdaptiveGridLayout() {
    while (QLayoutItem* item = takeAt(0)) {
        delete item;
    }
}

int AdaptiveGridLayout::columnCount(int width) const {
    return std::max(1, (width + columnSpacing_) / (minimumColumnWidth_ + columnSpacing_));
}

void AdaptiveGridLayout::addItem(QLayoutItem* item) {
    items_.append(item);
}

QLayoutItem* AdaptiveGridLayout::takeAt(int index) {
    return index >= 0 && index < items_.size() ? items_.takeAt(index) : nullptr;
}

// The height follows from the width (heightForWidth); as a minimum it would be the height of a
// single column, which would make every window as tall as all the items stacked.
QSize AdaptiveGridLayout::minimumSize() const {
    return {minimumColumnWidth_, 0};
}

QSize AdaptiveGridLayout::sizeHint() const {
    const int width = minimumColumnWidth_ * 3 + columnSpacing_ * 2;
    return {width, heightForWidth(width)};
}

int AdaptiveGridLayout::heightForWidth(int width) const {
    return arrange(QRect(0, 0, width, 0), false);
}

void AdaptiveGridLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int AdaptiveGridLayout::arrange(const QRect& rect, bool apply) const {
    QList<QLayoutItem*> shown;
    for (QLayoutItem* item : items_) {
        if (!item->isEmpty()) {
            shown.append(item);
        }
    }
    const int columns = columnCount(rect.width());
    const int columnWidth = std::max(0, (rect.width() - columnSpacing_ * (columns - 1)) / columns);
    int y = rect.y();
    for (int first = 0; first < shown.size(); first += columns) {
        const int last = std::min<int>(first + columns, shown.size());
        int rowHeight = 0;
        for (int index = first; index < last; ++index) {
            const QLayoutItem* item = shown[index];
            const int height =
                item->hasHeightForWidth() ? item->heightForWidth(columnWidth) : item->sizeHint().height();
            rowHeight = std::max({rowHeight, height, item->minimumSize().height()});
        }
        if (apply) {
            for (int index = first; index < last; ++index) {
                const int x = rect.x() + (index - first) * (columnWidth + columnSpacing_);
                shown[index]->setGeometry(QRect(x, y, columnWidth, rowHeight));
            }
        }
        y += rowHeight + rowSpacing_;
    }
    return shown.isEmpty() ? 0 : y - rowSpacing_ - rect.y();
}

} // namespace orvane
