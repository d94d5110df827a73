// One run of the program as far as its exports go, for the tests that need the process to end: an
// enlargement is exported as JPEG, then as PNG, and the result is cleared. Prints the JPEG's path
// and the PNG's, one a line, once both can still be read; exits with 1 when either cannot.

#include "core/ImageFiles.h"
#include "editor/EditorModel.h"
#include "tests/support/TestImages.h"

#include <QCoreApplication>
#include <QTest>
#include <exception>
#include <iostream>

using namespace orvane;

namespace {

std::optional<std::filesystem::path> publishedExport(EditorModel& model) {
    const bool published =
        QTest::qWaitFor([&] { return !model.isPreparingExport() && model.exportURL().has_value(); }, 60'000);
    return published ? model.exportURL() : std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    const QCoreApplication application(argc, argv);
    EditorModel model;
    model.setSourceName(QStringLiteral("beach"));
    model.setResult(test::gradient(40, 30));
    model.setResultInfo(ResultInfo{.width = 40, .height = 30, .label = QStringLiteral("4×")});
    model.prepareExport();
    const auto jpeg = publishedExport(model);
    model.setFormat(ExportFormat::png);
    const auto png = publishedExport(model);
    model.clearResult();
    if (!jpeg || !png) {
        return 1;
    }
    try {
        for (const auto& file : {*jpeg, *png}) {
            if (ImageFiles::loadFromURL(file).width() != 40) {
                return 1;
            }
        }
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
    std::cout << jpeg->string() << '\n' << png->string() << '\n';
    return 0;
}
