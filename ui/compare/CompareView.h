#pragma once

#include "platform/image/Bitmap.h"
#include "ui/compare/CompareZoom.h"

#include <QPointer>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>
#include <optional>

namespace orvane {

class DisplayImage;

// One photo, or a photo and its processed version laid over each other with a draggable vertical
// divider: before on the left, after on the right. The images zoom (Ctrl+wheel, pinch, double
// click) and pan (drag) under the divider, its handle and the two labels, which stay where they
// are. Painted from previews, so that a very large result pans as smoothly as a small one.
class CompareView : public QWidget {
    Q_OBJECT
public:
    explicit CompareView(QWidget* parent = nullptr);
    ~CompareView() override;

    // `after` none before a run; `showsTransparencyGrid` draws a checkerboard under the images.
    // The zoom starts again when an after image comes or goes; otherwise zoom, pan and divider stay.
    void setImages(std::optional<Bitmap> before, std::optional<Bitmap> after, bool showsTransparencyGrid);

    // The divider, 0 at the images' left edge to 1 at their right edge.
    qreal split() const { return split_; }
    const CompareZoom& zoomState() const { return zoom_; }
    QRectF fittedRect() const;
    qreal maxZoom() const;
    bool hasAfter() const { return after_ != nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    // What is drawn: the state itself, or a step of the double click's animation towards it.
    struct Presented {
        qreal zoom = 1;
        QSizeF offset{0, 0};
    };
    enum class Drag { none, handle, pending, pan };

    void setImage(std::unique_ptr<DisplayImage>& slot, const std::optional<Bitmap>& bitmap);
    void setSplit(qreal split);
    void settle();
    void beginPinch();
    void pinchBy(qreal factor);
    void endPinch();
    bool onHandle(QPointF position) const;
    void paintLayer(QPainter& painter, const QRectF& fitted, const Presented& shown);
    void paintImage(QPainter& painter, const DisplayImage& image, const QRectF& fitted, qreal zoom);
    void paintHandle(QPainter& painter, qreal x);
    void paintLabels(QPainter& painter);
    void updateAccessibility();

    std::unique_ptr<DisplayImage> before_;
    std::unique_ptr<DisplayImage> after_;
    bool showsTransparencyGrid_ = false;
    qreal split_ = 0.5;
    CompareZoom zoom_;
    Presented presented_;
    QVariantAnimation animation_;
    Presented animationStart_;

    Drag drag_ = Drag::none;
    QPointF pressPosition_;
    bool pinching_ = false;
    qreal pinchMagnification_ = 1;
    // Ends a pinch whose end the platform never reported.
    QTimer pinchEnd_;
};

} // namespace orvane
