#include "ui/sheets/SheetDialog.h"

#include <QLayout>
#include <algorithm>

namespace orvane {

SheetDialog::SheetDialog(QSize largest, Height height, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , largest_(largest)
    , height_(height) {
    if (height == Height::fixed) {
        setFixedSize(largest);
    } else {
        setFixedWidth(largest.width());
    }
}

void SheetDialog::setVisible(bool visible) {
    // Sized before QDialog places it, so that it is centred over the window at its real size.
    if (visible) {
        fitToContent();
    }
    QDialog::setVisible(visible);
}

void SheetDialog::fitToContent() {
    if (height_ == Height::fixed) {
        return;
    }
    const int width = largest_.width();
    int height = largest_.height();
    if (QLayout* content = layout()) {
        content->activate();
        const int wanted = contentHeight(width);
        // Nothing to show yet (a sheet waiting for its state) keeps the largest size.
        if (wanted > 0) {
            height = std::min(wanted, largest_.height());
        }
    }
    setFixedSize(width, height);
}

int SheetDialog::contentHeight(int width) const {
    const QLayout* content = layout();
    return content->hasHeightForWidth() ? content->totalHeightForWidth(width)
                                        : content->totalSizeHint().height();
}

} // namespace orvane
