// Times painting the before-and-after comparison of two 4096 × 3072 previews (the largest the
// editor shows), the result transparent over the checkerboard, in a 1000 × 700 view: at fit and
// zoomed 2.83× while panning. The reference, timed in the same run, paints the previews' own
// pixels directly, as the view does until its display images are prepared. Also times preparing
// one display image (done off the main thread).
//
// Usage: bench-compare-paint [--frames N]

#include "bench/BenchSupport.h"
#include "editor/BitmapImage.h"
#include "ui/compare/CompareGeometry.h"
#include "ui/compare/CompareView.h"
#include "ui/compare/DisplayImage.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QThreadPool>
#include <QWheelEvent>
#include <cstdio>
#include <string>

using namespace orvane;
using namespace orvane::bench;

namespace {

Bitmap photo(int width, int height, bool cutOut) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * width + x) * 4];
            const float n = valueNoise(x / 40.0f, y / 40.0f, 7);
            const bool subject = std::hypot(x - width / 2.0, y - height / 2.0) < height * 0.4;
            p[0] = static_cast<std::uint8_t>(80 + 150 * n);
            p[1] = static_cast<std::uint8_t>(60 + 120 * (1 - n));
            p[2] = static_cast<std::uint8_t>(100 + 100 * n);
            p[3] = cutOut && !subject ? 0 : 255;
            if (cutOut && !subject) {
                p[0] = p[1] = p[2] = 0;
            }
        }
    }
    return Bitmap(width, height, cutOut ? AlphaInfo::premultipliedLast : AlphaInfo::noneSkipLast,
                  std::move(pixels));
}

// The comparison painted from the previews' own pixels: the same layers, transform and clip.
void paintDirect(QPainter& painter, const QImage& before, const QImage& after, QSize view, qreal zoom,
                 QSizeF offset, qreal split) {
    const QRectF fitted = CompareGeometry::fittedRect(QSizeF(view), before.size());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPointF centre = fitted.center();
    painter.translate(centre.x() + offset.width(), centre.y() + offset.height());
    painter.scale(zoom, zoom);
    painter.translate(-centre);
    painter.fillRect(fitted, Qt::white);
    painter.drawImage(fitted, after);
    const qreal mask =
        CompareGeometry::maskWidth(CompareGeometry::dividerX(fitted, split), fitted, offset, zoom);
    painter.setClipRect(QRectF(fitted.left(), fitted.top(), mask, fitted.height()));
    painter.drawImage(fitted, before);
}

double medianMilliseconds(int frames, const std::function<void()>& frame) {
    std::vector<double> times;
    frame();
    for (int i = 0; i < frames; ++i) {
        times.push_back(secondsOf(frame) * 1000);
    }
    return median(times);
}

} // namespace

int main(int argc, char** argv) {
    int frames = 20;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--frames" && i + 1 < argc) {
            frames = std::stoi(argv[++i]);
        }
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const Bitmap before = photo(4096, 3072, false);
    const Bitmap after = photo(4096, 3072, true);
    const QSize viewSize(1000, 700);

    const double prepare = secondsOf([&] { DisplayImage::prepare(qImage(after)); }) * 1000;

    CompareView view;
    view.resize(viewSize);
    view.setImages(before, after, true);
    view.show();
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();

    QImage canvas(viewSize, QImage::Format_ARGB32_Premultiplied);
    const QImage beforeImage = qImage(before);
    const QImage afterImage = qImage(after);

    std::printf("preparing one 4096 x 3072 display image (off the main thread): %.1f ms\n", prepare);
    for (const qreal zoom : {1.0, std::pow(2.0, 6 / 4.0)}) {
        QSizeF pan(0, 0);
        if (zoom > 1) {
            // Zoomed by six Ctrl+wheel notches, then dragged 120 points right and 60 up.
            QWheelEvent wheel(QPointF(500, 350), QPointF(500, 350), {}, {0, 120 * 6}, Qt::NoButton,
                              Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&view, &wheel);
            pan = QSizeF(120, -60);
            for (const auto& [type, at] : {std::pair{QEvent::MouseButtonPress, QPointF(100, 100)},
                                           std::pair{QEvent::MouseMove, QPointF(220, 40)},
                                           std::pair{QEvent::MouseButtonRelease, QPointF(220, 40)}}) {
                QMouseEvent event(type, at, view.mapToGlobal(at), Qt::LeftButton,
                                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                                  Qt::NoModifier);
                QApplication::sendEvent(&view, &event);
            }
        }
        const double direct = medianMilliseconds(frames, [&] {
            QPainter painter(&canvas);
            paintDirect(painter, beforeImage, afterImage, viewSize, zoom, pan, 0.5);
        });
        const double prepared = medianMilliseconds(frames, [&] { view.render(&canvas); });
        std::printf("zoom %.2f: prepared %.1f ms per frame, direct (reference) %.1f ms, ratio %.2f\n", zoom,
                    prepared, direct, prepared / direct);
    }
    return 0;
}
