#include "tests/ui/support/ScreenshotLook.h"

#include "ui/look/Theme.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

namespace orvane::test {

ScreenshotLook::ScreenshotLook(bool dark)
    : palette_(QApplication::palette())
    , style_(QApplication::style()->name()) {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(dark ? Theme::darkPalette() : Theme::lightPalette());
}

ScreenshotLook::~ScreenshotLook() {
    QApplication::setStyle(QStyleFactory::create(style_));
    QApplication::setPalette(palette_);
}

} // namespace orvane::test
