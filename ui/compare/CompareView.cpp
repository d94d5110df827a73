#include "ui/compare/CompareView.h"

#include "ui/compare/Checkerboard.h"
#include "ui/compare/CompareGeometry.h"
#include "ui/compare/DisplayImage.h"
#include "ui/controls/FocusRing.h"
#include "ui/look/Painting.h"
#include "ui/look/Symbols.h"
#include "ui/look/Theme.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

namespace orvane {

namespace {

constexpr qreal handleWidth = 44;
constexpr qreal knobDiameter = 34;
// A drag shorter than this is still a click.
constexpr qreal panThreshold = 4;
// One notch of the wheel with Ctrl zooms by the fourth root of 2.
constexpr qreal notchesPerDoubling = 4;

QColor black(qreal opacity) {
    return QColor::fromRgbF(0, 0, 0, static_cast<float>(opacity));
}

} // namespace

CompareView::CompareView(QWidget* parent)
    : QWidget(parent) {
    setObjectName("compareView");
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setMouseTracking(false);

    // A spring that settles in about half a second with a barely visible overshoot.
    animation_.setStartValue(0.0);
    animation_.setEndValue(1.0);
    animation_.setDuration(550);
    QEasingCurve curve(QEasingCurve::OutBack);
    curve.setOvershoot(0.8);
    animation_.setEasingCurve(curve);
    connect(&animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        const qreal t = value.toReal();
        presented_.zoom = animationStart_.zoom + (zoom_.zoom - animationStart_.zoom) * t;
        presented_.offset = animationStart_.offset + (zoom_.offset - animationStart_.offset) * t;
        update();
    });
    connect(&animation_, &QVariantAnimation::finished, this, &CompareView::settle);

    pinchEnd_.setSingleShot(true);
    pinchEnd_.setInterval(400);
    connect(&pinchEnd_, &QTimer::timeout, this, [this] {
        if (pinching_) {
            endPinch();
        }
    });
    updateAccessibility();
}

CompareView::~CompareView() = default;

void CompareView::setImages(std::optional<Bitmap> before, std::optional<Bitmap> after,
                            bool showsTransparencyGrid) {
    const bool hadAfter = after_ != nullptr;
    setImage(before_, before);
    setImage(after_, after);
    showsTransparencyGrid_ = showsTransparencyGrid;
    if (hadAfter != (after_ != nullptr)) {
        animation_.stop();
        pinching_ = false;
        zoom_.reset();
        presented_ = {};
    }
    updateAccessibility();
    update();
}

void CompareView::setImage(std::unique_ptr<DisplayImage>& slot, const std::optional<Bitmap>& bitmap) {
    if (!bitmap) {
        slot.reset();
        return;
    }
    if (slot && slot->bitmap() == *bitmap) {
        return;
    }
    slot = std::make_unique<DisplayImage>(*bitmap);
    connect(slot.get(), &DisplayImage::prepared, this, qOverload<>(&QWidget::update));
}

QRectF CompareView::fittedRect() const {
    return before_ ? CompareGeometry::fittedRect(QSizeF(size()), before_->pixelSize()) : QRectF();
}

qreal CompareView::maxZoom() const {
    const DisplayImage* widest = after_ ? after_.get() : before_.get();
    return CompareGeometry::maxZoom(fittedRect(), widest ? widest->pixelSize().width() : 0);
}

void CompareView::setSplit(qreal split) {
    split_ = std::clamp(split, 0.0, 1.0);
    updateAccessibility();
    update();
}

void CompareView::settle() {
    animation_.stop();
    presented_ = {zoom_.zoom, zoom_.offset};
    update();
}

void CompareView::beginPinch() {
    settle();
    pinching_ = true;
    pinchMagnification_ = 1;
}

void CompareView::pinchBy(qreal factor) {
    pinchMagnification_ *= factor;
    zoom_.pinch(pinchMagnification_, maxZoom(), fittedRect(), QSizeF(size()));
    settle();
}

void CompareView::endPinch() {
    pinching_ = false;
    pinchEnd_.stop();
    zoom_.endPinch();
    settle();
}

bool CompareView::onHandle(QPointF position) const {
    return after_ &&
           std::abs(position.x() - CompareGeometry::dividerX(fittedRect(), split_)) <= handleWidth / 2;
}

void CompareView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    settle();
    pressPosition_ = event->position();
    if (onHandle(event->position())) {
        drag_ = Drag::handle;
        setSplit(CompareGeometry::splitAt(event->position().x(), fittedRect()));
    } else {
        drag_ = Drag::pending;
    }
}

void CompareView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF moved = event->position() - pressPosition_;
    switch (drag_) {
    case Drag::none:
        return;
    case Drag::handle:
        setSplit(CompareGeometry::splitAt(event->position().x(), fittedRect()));
        return;
    case Drag::pending:
        if (std::hypot(moved.x(), moved.y()) < panThreshold) {
            return;
        }
        drag_ = Drag::pan;
        [[fallthrough]];
    case Drag::pan:
        zoom_.drag(QSizeF(moved.x(), moved.y()), fittedRect(), QSizeF(size()));
        settle();
        return;
    }
}

void CompareView::mouseReleaseEvent(QMouseEvent*) {
    if (drag_ == Drag::pan) {
        zoom_.endDrag();
    }
    drag_ = Drag::none;
}

void CompareView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (onHandle(event->position())) {
        mousePressEvent(event);
        return;
    }
    drag_ = Drag::none;
    animation_.stop();
    animationStart_ = presented_;
    zoom_.doubleClick(maxZoom());
    animation_.start();
}

void CompareView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier) || pinching_ || !before_) {
        event->ignore();
        return;
    }
    const qreal notches = event->angleDelta().y() / 120.0;
    if (notches == 0) {
        event->accept();
        return;
    }
    beginPinch();
    pinchBy(std::pow(2.0, notches / notchesPerDoubling));
    endPinch();
    event->accept();
}

void CompareView::keyPressEvent(QKeyEvent* event) {
    if (after_ && (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right)) {
        setSplit(CompareGeometry::steppedSplit(split_, event->key() == Qt::Key_Left ? -0.1 : 0.1));
        return;
    }
    QWidget::keyPressEvent(event);
}

bool CompareView::event(QEvent* event) {
    if (event->type() != QEvent::NativeGesture) {
        return QWidget::event(event);
    }
    const auto* gesture = static_cast<QNativeGestureEvent*>(event);
    switch (gesture->gestureType()) {
    case Qt::BeginNativeGesture:
        beginPinch();
        return true;
    case Qt::ZoomNativeGesture:
        if (!pinching_) {
            // Some platforms send the zoom steps without a begin or an end.
            beginPinch();
            pinchEnd_.start();
        } else if (pinchEnd_.isActive()) {
            pinchEnd_.start();
        }
        pinchBy(1 + gesture->value());
        return true;
    case Qt::EndNativeGesture:
        if (pinching_) {
            endPinch();
        }
        return true;
    default:
        return QWidget::event(event);
    }
}

void CompareView::paintEvent(QPaintEvent*) {
    const QRectF fitted = fittedRect();
    if (!before_ || fitted.isEmpty()) {
        return;
    }
    QPainter painter(this);
    painter.setClipRect(rect());
    paintLayer(painter, fitted, presented_);
    if (after_) {
        paintHandle(painter, CompareGeometry::dividerX(fitted, split_));
        paintLabels(painter);
    }
}

void CompareView::paintLayer(QPainter& painter, const QRectF& fitted, const Presented& shown) {
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPointF centre = fitted.center();
    painter.translate(centre.x() + shown.offset.width(), centre.y() + shown.offset.height());
    painter.scale(shown.zoom, shown.zoom);
    painter.translate(-centre);
    if (showsTransparencyGrid_) {
        Checkerboard::paint(painter, fitted);
    }
    if (after_) {
        paintImage(painter, *after_, fitted, shown.zoom);
        const qreal mask = CompareGeometry::maskWidth(CompareGeometry::dividerX(fitted, split_), fitted,
                                                      shown.offset, shown.zoom);
        painter.setClipRect(QRectF(fitted.left(), fitted.top(), mask, fitted.height()), Qt::IntersectClip);
    }
    paintImage(painter, *before_, fitted, shown.zoom);
    painter.restore();
}

void CompareView::paintImage(QPainter& painter, const DisplayImage& image, const QRectF& fitted, qreal zoom) {
    const QSizeF size = QSizeF(image.pixelSize()).scaled(fitted.size(), Qt::KeepAspectRatio);
    const QRectF target(fitted.center() - QPointF(size.width(), size.height()) / 2, size);
    painter.drawImage(target, image.imageFor(target.width() * zoom * devicePixelRatioF()));
}

void CompareView::paintHandle(QPainter& painter, qreal x) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // The line's soft shadow: a few widening bands of falling strength.
    const QRectF line(x - 1, 0, 2, height());
    for (int band = 3; band >= 1; --band) {
        painter.setBrush(black(0.35 / 3));
        painter.drawRect(line.adjusted(-band * 2.0 / 3, 0, band * 2.0 / 3, 0));
    }
    painter.setBrush(Qt::white);
    painter.drawRect(line);
    const QRectF knob(x - knobDiameter / 2, height() / 2.0 - knobDiameter / 2, knobDiameter, knobDiameter);
    Painting::fillShadowedEllipse(painter, knob, Qt::white, black(0.3), 3);
    // The divider is what the keyboard moves, so the ring goes around its knob.
    constexpr qreal ringGap = 4;
    paintFocusRingIfShown(*this, painter, knob.adjusted(-ringGap, -ringGap, ringGap, ringGap),
                          knobDiameter / 2 + ringGap);
    const QFont font = Theme::systemFont(13, QFont::DemiBold);
    const int side = Symbols::sizeFor(font);
    const QPixmap chevrons =
        Symbols::pixmap(QStringLiteral("chevron.left.chevron.right"), side, black(0.7), devicePixelRatioF());
    painter.drawPixmap(QRectF(knob.center() - QPointF(side, side) / 2, QSizeF(side, side)), chevrons,
                       QRectF(chevrons.rect()));
    painter.restore();
}

void CompareView::paintLabels(QPainter& painter) {
    painter.save();
    const QFont font = Theme::font(Theme::TextStyle::caption, QFont::DemiBold);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    auto label = [&](const QString& text, bool trailing) {
        const QSizeF size(metrics.horizontalAdvance(text) + 16, metrics.height() + 8);
        const QPointF origin(trailing ? width() - 10 - size.width() : 10, 10);
        const QRectF capsule(origin, size);
        Painting::fillCapsule(painter, capsule, black(0.55));
        painter.setPen(Qt::white);
        painter.drawText(capsule, Qt::AlignCenter, text);
    };
    label(QStringLiteral("Before"), false);
    label(QStringLiteral("After"), true);
    painter.restore();
}

void CompareView::updateAccessibility() {
    if (after_) {
        setAccessibleName(QStringLiteral("Compare slider"));
        setAccessibleDescription(CompareGeometry::accessibilityValue(split_));
        setFocusPolicy(Qt::StrongFocus);
    } else {
        setAccessibleName(QString());
        setAccessibleDescription(QString());
        setFocusPolicy(Qt::NoFocus);
    }
}

} // namespace orvane
