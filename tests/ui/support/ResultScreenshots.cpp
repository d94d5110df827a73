#include "tests/ui/support/ResultScreenshots.h"

#include "editor/EditorModel.h"
#include "tests/support/TestImages.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/compare/CompareView.h"
#include "ui/job/ResultCard.h"
#include "ui/sheets/BatchView.h"

#include <QDir>
#include <QThreadPool>
#include <QWheelEvent>
#include <cmath>

namespace orvane::test {

namespace {

// A sunset-coloured scene with a round subject; the cut-out keeps only the subject.
Bitmap scene(bool cutOut) {
    return drawn(1200, 800, cutOut ? AlphaInfo::last : AlphaInfo::noneSkipLast, [cutOut](int x, int y) {
        const double dx = (x - 600) / 260.0;
        const double dy = (y - 430) / 300.0;
        const bool subject = dx * dx + dy * dy < 1;
        if (subject) {
            const auto shade = static_cast<std::uint8_t>(150 + 80 * (1 - dy) / 2);
            return std::array<std::uint8_t, 4>{shade, static_cast<std::uint8_t>(shade / 2 + 20), 40, 255};
        }
        if (cutOut) {
            return std::array<std::uint8_t, 4>{0, 0, 0, 0};
        }
        const double t = y / 800.0;
        return std::array<std::uint8_t, 4>{static_cast<std::uint8_t>(60 + 150 * t),
                                           static_cast<std::uint8_t>(110 + 60 * std::sin(x / 90.0) * (1 - t)),
                                           static_cast<std::uint8_t>(200 - 120 * t), 255};
    });
}

void save(QWidget& widget, const QString& folder, const QString& prefix, const QString& state) {
    QCoreApplication::processEvents();
    widget.grab().save(QDir(folder).filePath(prefix + QLatin1Char('-') + state + QStringLiteral(".png")));
}

BatchState batch(int items, int converted, int failures, bool finished) {
    BatchState state;
    for (int i = 1; i <= items; ++i) {
        state.items.push_back({QStringLiteral("IMG_%1").arg(4100 + i), BatchState::FileSource{}, {}});
    }
    for (int i = 0; i < converted; ++i) {
        state.outputs.push_back("/out/IMG.jpg");
    }
    for (int i = 0; i < failures; ++i) {
        state.failed.push_back(state.items[static_cast<std::size_t>(converted + i)].name);
    }
    state.done = converted + failures;
    state.outputDir = "/out";
    state.finished = finished;
    state.bytesIn = converted * 4'210'000LL;
    state.bytesOut = converted * 1'130'000LL;
    return state;
}

} // namespace

void saveResultScreenshots(const QString& folder, const QString& prefix) {
    {
        CompareView view;
        view.resize(820, 560);
        view.setImages(scene(false), scene(true), true);
        view.show();
        // Let the previews be prepared for painting.
        QThreadPool::globalInstance()->waitForDone();
        save(view, folder, prefix, QStringLiteral("compare-fit"));
        const QPointF centre(410, 280);
        QWheelEvent wheel(centre, view.mapToGlobal(centre), {}, {0, 120 * 5}, Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &wheel);
        QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(200, 300));
        QTest::mouseMove(&view, QPoint(320, 240));
        QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(320, 240));
        QThreadPool::globalInstance()->waitForDone();
        save(view, folder, prefix, QStringLiteral("compare-zoomed"));
    }
    {
        EditorModel model;
        ResultCard card(model, [](const QString&) {});
        card.setFixedWidth(284);
        model.setResultInfo(ResultInfo{.width = 2400,
                                       .height = 1600,
                                       .seconds = 3.2,
                                       .hasAlpha = true,
                                       .label = QStringLiteral("Background removed")});
        card.show();
        card.adjustSize();
        save(card, folder, prefix, QStringLiteral("result-preparing"));
        model.setFormat(ExportFormat::png);
        model.setExportURL("/tmp/beach-cutout.png");
        card.adjustSize();
        save(card, folder, prefix, QStringLiteral("result-ready"));
    }
    {
        EditorModel model;
        BatchView sheet(model, [](const QString&) {});
        model.setBatch(batch(10, 4, 0, false));
        sheet.show();
        save(sheet, folder, prefix, QStringLiteral("batch-running"));
        ConvertOptions options = model.convert();
        options.maxKB = 500;
        model.setConvert(options);
        model.setBatch(batch(13, 5, 8, true));
        save(sheet, folder, prefix, QStringLiteral("batch-finished-failures"));
        // Every photo unwritten is listed as well: here the disk filled after six.
        BatchState unwritable = batch(20, 6, 14, true);
        unwritable.outputDir = "/media/alex/Holiday card/Photos/Converted for the web";
        unwritable.folderProblem = QStringLiteral("there isn't enough space on the disk");
        model.setBatch(unwritable);
        save(sheet, folder, prefix, QStringLiteral("batch-finished-folder-problem"));
    }
}

} // namespace orvane::test
