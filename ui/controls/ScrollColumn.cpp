#include "ui/controls/ScrollColumn.h"

#include <QHBoxLayout>
#include <QScrollArea>

namespace orvane {

QScrollArea* verticalScrollArea(QWidget* content) {
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    // Tab goes through what it holds; a click still lets the keys scroll it.
    scroll->setFocusPolicy(Qt::ClickFocus);
    scroll->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    return scroll;
}

QWidget* centred(QWidget* column) {
    auto* page = new QWidget;
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(0, 0, 0, 0);
    // Nearly all of the width goes to the column until it reaches its maximum.
    row->addStretch(1);
    row->addWidget(column, 1000);
    row->addStretch(1);
    return page;
}

} // namespace orvane
