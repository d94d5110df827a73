#include "ui/controls/FocusRing.h"

#include "ui/look/Painting.h"
#include "ui/look/Theme.h"

#include <QApplication>
#include <QEvent>

namespace orvane {
namespace {

constexpr qreal ringWidth = 2.5;
constexpr qreal separatorWidth = 1.5;

class ClickWatcher : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType()) {
            QWidget* window = static_cast<QWidget*>(watched)->window();
            if (window->testAttribute(Qt::WA_KeyboardFocusChange)) {
                window->setAttribute(Qt::WA_KeyboardFocusChange, false);
                // The control that keeps the focus drops its ring at once.
                if (QWidget* focused = window->focusWidget()) {
                    focused->update();
                }
            }
        }
        return false;
    }
};

} // namespace

void clearFocusRingsOnClick() {
    static ClickWatcher* const watcher = [] {
        auto* installed = new ClickWatcher(qApp);
        qApp->installEventFilter(installed);
        return installed;
    }();
    (void)watcher;
}

void paintFocusRing(QPainter& painter, const QRectF& shape, qreal radius) {
    Painting::strokeRoundedRect(painter, shape, radius, Theme::accent(), ringWidth);
    const QRectF inner = shape.adjusted(ringWidth, ringWidth, -ringWidth, -ringWidth);
    Painting::strokeRoundedRect(painter, inner, std::max<qreal>(0, radius - ringWidth),
                                Theme::windowBackground(), separatorWidth);
}

} // namespace orvane
