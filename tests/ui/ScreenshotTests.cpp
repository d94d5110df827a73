#include "tests/ui/support/ResultScreenshots.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <gtest/gtest.h>

namespace orvane {
namespace {

QPalette darkPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(30, 30, 30));
    palette.setColor(QPalette::WindowText, QColor(235, 235, 235));
    palette.setColor(QPalette::Base, QColor(40, 40, 40));
    palette.setColor(QPalette::AlternateBase, QColor(50, 50, 50));
    palette.setColor(QPalette::Text, QColor(235, 235, 235));
    palette.setColor(QPalette::Button, QColor(55, 55, 55));
    palette.setColor(QPalette::ButtonText, QColor(235, 235, 235));
    palette.setColor(QPalette::Highlight, QColor(10, 132, 255));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Mid, QColor(70, 70, 70));
    return palette;
}

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
    QApplication::setPalette(darkPalette());
    test::saveResultScreenshots(folder, QStringLiteral("dark"));
    QApplication::setPalette(original);
    QApplication::setStyle(QStyleFactory::create(originalStyle));
}

} // namespace
} // namespace orvane
