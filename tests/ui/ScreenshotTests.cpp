#include "tests/ui/support/ResultScreenshots.h"
#include "ui/look/Theme.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <gtest/gtest.h>

namespace orvane {
namespace {

// Writes the screenshots when ORVANE_SCREENSHOTS names a folder; otherwise there is nothing to do.
TEST(Screenshots, CompareResultAndBatch) {
    const QString folder = qEnvironmentVariable("ORVANE_SCREENSHOTS");
    if (folder.isEmpty()) {
        GTEST_SKIP() << "set ORVANE_SCREENSHOTS to a folder to write them";
    }
    const QPalette original = QApplication::palette();
    const QString originalStyle = QApplication::style()->name();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    test::saveResultScreenshots(folder, QStringLiteral("light"));
    QApplication::setPalette(Theme::darkPalette());
    test::saveResultScreenshots(folder, QStringLiteral("dark"));
    QApplication::setPalette(original);
    QApplication::setStyle(QStyleFactory::create(originalStyle));
}

} // namespace
} // namespace orvane
