#include "ui/CompareView.h"

#include "editor/BitmapImage.h"

#include <QPainter>

namespace orvane {

CompareView::CompareView(QWidget* parent)
    : QWidget(parent) {
    setObjectName("compareView");
}

void CompareView::setImages(std::optional<Bitmap> before, std::optional<Bitmap> after,
                            bool showsTransparencyGrid) {
    before_ = std::move(before);
    after_ = std::move(after);
    showsTransparencyGrid_ = showsTransparencyGrid;
    update();
}

void CompareView::paintEvent(QPaintEvent*) {
    const auto& shown = after_ ? after_ : before_;
    if (!shown) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QImage image = qImage(*shown);
    QSizeF size = QSizeF(image.size()).scaled(QSizeF(this->size()), Qt::KeepAspectRatio);
    const QRectF target((width() - size.width()) / 2, (height() - size.height()) / 2, size.width(),
                        size.height());
    painter.drawImage(target, image);
}

} // namespace orvane
