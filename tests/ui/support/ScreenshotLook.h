#pragma once

#include <QPalette>
#include <QString>

namespace orvane::test {

// Draws the window as every screenshot shows it, for as long as it lives: the Fusion style with the
// window's light or dark palette (the same two as tools/screenshots uses). The style and palette
// the tests had are restored after.
class ScreenshotLook {
public:
    explicit ScreenshotLook(bool dark);
    ~ScreenshotLook();
    ScreenshotLook(const ScreenshotLook&) = delete;
    ScreenshotLook& operator=(const ScreenshotLook&) = delete;

private:
    QPalette palette_;
    QString style_;
};

} // namespace orvane::test
