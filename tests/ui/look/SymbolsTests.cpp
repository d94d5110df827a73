#include "editor/JobPreset.h"
#include "ui/look/Symbols.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

int opaquePixels(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        }
    }
    return count;
}

TEST(Symbols, EveryNameDrawsAVisibleShapeAtEverySize) {
    for (const QString& name : Symbols::names()) {
        EXPECT_TRUE(Symbols::exists(name)) << name.toStdString();
        for (const int size : {13, 40}) {
            const QPixmap pixmap = Symbols::pixmap(name, size, Qt::red, 2);
            ASSERT_FALSE(pixmap.isNull()) << name.toStdString() << " at " << size;
            EXPECT_EQ(pixmap.width(), size * 2);
            EXPECT_GT(opaquePixels(pixmap), size / 2) << name.toStdString() << " at " << size;
        }
    }
}

TEST(Symbols, PresetsAndToolsNameOnlyKnownSymbols) {
    for (const JobPreset& preset : JobPreset::all()) {
        EXPECT_TRUE(Symbols::names().contains(preset.symbol)) << preset.symbol.toStdString();
    }
    for (const Tool tool : {Tool::enlarge, Tool::background, Tool::enhance, Tool::convert}) {
        EXPECT_TRUE(Symbols::names().contains(symbol(tool))) << symbol(tool).toStdString();
    }
}

TEST(Symbols, AnUnknownNameOrAnEmptySizeGivesNothing) {
    EXPECT_FALSE(Symbols::exists("no.such.symbol"));
    EXPECT_TRUE(Symbols::pixmap("no.such.symbol", 16, Qt::black).isNull());
    EXPECT_TRUE(Symbols::pixmap("trash", 0, Qt::black).isNull());
}

} // namespace
} // namespace orvane
