#include "tests/support/TestImages.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/compare/Checkerboard.h"
#include "ui/compare/CompareGeometry.h"
#include "ui/compare/CompareView.h"

#include <QNativeGestureEvent>
#include <QPointingDevice>
#include <QWheelEvent>

namespace orvane {
namespace {

using namespace CompareGeometry;

const QSizeF square800{800, 800};

TEST(CompareGeometry, ALargePhotoFitsAndZoomsToOnePixelPerPoint) {
    const QRectF fitted = fittedRect(square800, {4000, 3000});
    EXPECT_EQ(fitted, QRectF(0, 100, 800, 600));
    EXPECT_DOUBLE_EQ(maxZoom(fitted, 4000), 5);
    EXPECT_DOUBLE_EQ(pinchedZoom(1, 9, maxZoom(fitted, 4000)), 5);
    EXPECT_DOUBLE_EQ(pinchedZoom(2, 0.1, 5), 1);
    EXPECT_EQ(clampedOffset({1000, -1000}, fitted, 2, square800), QSizeF(400, -200));
    EXPECT_EQ(clampedOffset({30, 40}, fitted, 1, square800), QSizeF(0, 0));
}

TEST(CompareGeometry, ASmallPhotoIsScaledUpAndStillZoomsFourTimes) {
    const QRectF fitted = fittedRect(square800, {200, 100});
    EXPECT_EQ(fitted, QRectF(0, 200, 800, 400));
    EXPECT_DOUBLE_EQ(maxZoom(fitted, 200), 4);
    EXPECT_DOUBLE_EQ(doubleClickZoom(1, 4), 3);
    EXPECT_DOUBLE_EQ(doubleClickZoom(3, 4), 1);
}

TEST(CompareGeometry, TheMaskFollowsTheFixedDividerIntoTheZoomedImages) {
    const QRectF fitted = fittedRect(square800, {4000, 3000});
    EXPECT_DOUBLE_EQ(maskWidth(dividerX(fitted, 0.5), fitted, {0, 0}, 1), 400);
    // Zoomed 2× and panned 100 points right, the divider at x 400 lies over the layer's x 350:
    // 350 points of the before layer show, which on screen end exactly at the divider.
    const qreal mask = maskWidth(400, fitted, {100, 0}, 2);
    EXPECT_DOUBLE_EQ(mask, 350);
    EXPECT_DOUBLE_EQ(fitted.center().x() + 100 + (fitted.left() + mask - fitted.center().x()) * 2, 400);
    EXPECT_DOUBLE_EQ(maskWidth(0, fitted, {400, 0}, 2), 0);
    EXPECT_DOUBLE_EQ(maskWidth(800, fitted, {-400, 0}, 2), 800);
    EXPECT_DOUBLE_EQ(splitAt(-50, fitted), 0);
    EXPECT_DOUBLE_EQ(splitAt(900, fitted), 1);
}

TEST(CompareGeometry, AccessibilitySteps) {
    EXPECT_EQ(accessibilityValue(0.5), "50 percent before");
    EXPECT_EQ(accessibilityValue(0.999), "99 percent before");
    qreal split = 0.7;
    for (int step = 0; step < 4; ++step) {
        split = steppedSplit(split, 0.1);
    }
    EXPECT_DOUBLE_EQ(split, 1.0);
    EXPECT_DOUBLE_EQ(steppedSplit(0.05, -0.1), 0);
}

TEST(CompareZoom, APinchEndingNearOneSnapsBack) {
    const QRectF fitted = fittedRect(square800, {4000, 3000});
    CompareZoom zoom;
    zoom.pinch(1.005, 5, fitted, square800);
    zoom.endPinch();
    EXPECT_EQ(zoom, CompareZoom{});

    zoom.pinch(1.02, 5, fitted, square800);
    zoom.endPinch();
    EXPECT_DOUBLE_EQ(zoom.zoom, 1.02);
    EXPECT_DOUBLE_EQ(zoom.baseZoom, 1.02);

    // A drag pans only while zoomed, within the clamp, and a pinch back out pulls the pan in.
    zoom.pinch(2 / 1.02, 5, fitted, square800);
    zoom.endPinch();
    zoom.drag({900, 50}, fitted, square800);
    zoom.endDrag();
    EXPECT_EQ(zoom.offset, QSizeF(400, 50));
    zoom.pinch(0.75, 5, fitted, square800);
    EXPECT_DOUBLE_EQ(zoom.zoom, 1.5);
    EXPECT_EQ(zoom.offset, QSizeF(200, 50));
    zoom.doubleClick(5);
    EXPECT_EQ(zoom, CompareZoom{});
    zoom.drag({50, 50}, fitted, square800);
    EXPECT_EQ(zoom.offset, QSizeF(0, 0));
}

TEST(Checkerboard, WholeSquaresFromAGreyCorner) {
    EXPECT_EQ(Checkerboard::greySquares({30, 20}),
              (QVector<QRectF>{{0, 0, 12, 12}, {24, 0, 12, 12}, {12, 12, 12, 12}}));
    EXPECT_TRUE(Checkerboard::greySquares({0, 20}).isEmpty());
}

struct Comparison {
    CompareView view;
    Bitmap before = test::gradient(400, 300);
    Bitmap after = test::gradient(1600, 1200);
    Comparison() {
        view.resize(800, 800);
        view.setImages(before, after, true);
        view.show();
    }
};

TEST(CompareView, TheHandleMovesTheDividerAndStaysWithinTheImages) {
    Comparison comparison;
    CompareView& view = comparison.view;
    EXPECT_DOUBLE_EQ(view.split(), 0.5);
    EXPECT_EQ(view.accessibleDescription(), "50 percent before");
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(405, 300));
    QTest::mouseMove(&view, QPoint(600, 300));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(600, 300));
    EXPECT_DOUBLE_EQ(view.split(), 0.75);
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(600, 300));
    QTest::mouseMove(&view, QPoint(900, 300));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(900, 300));
    EXPECT_DOUBLE_EQ(view.split(), 1);
    // Off the handle at zoom 1 a drag moves nothing.
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(200, 300));
    QTest::mouseMove(&view, QPoint(100, 200));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(100, 200));
    EXPECT_DOUBLE_EQ(view.split(), 1);
    EXPECT_EQ(view.zoomState(), CompareZoom{});
}

TEST(CompareView, DoubleClickAndCtrlWheelZoomAndANewAfterImageKeepsThem) {
    Comparison comparison;
    CompareView& view = comparison.view;
    // The after image's 1600 pixels over 800 points would allow only 2; the floor is 4.
    EXPECT_DOUBLE_EQ(view.maxZoom(), 4);
    QTest::mouseDClick(&view, Qt::LeftButton, {}, QPoint(100, 300));
    EXPECT_DOUBLE_EQ(view.zoomState().zoom, 3);
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(100, 300));
    QTest::mouseMove(&view, QPoint(140, 300));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(140, 300));
    EXPECT_EQ(view.zoomState().baseOffset, QSizeF(40, 0));

    view.setImages(comparison.before, test::gradient(1600, 1200), true);
    EXPECT_DOUBLE_EQ(view.zoomState().zoom, 3);
    view.setImages(comparison.before, std::nullopt, false);
    EXPECT_EQ(view.zoomState(), CompareZoom{});
    EXPECT_FALSE(view.hasAfter());

    QWheelEvent wheel(QPointF(400, 400), view.mapToGlobal(QPointF(400, 400)), {}, {0, 120 * 4}, Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &wheel);
    EXPECT_DOUBLE_EQ(view.zoomState().zoom, 2);
    EXPECT_DOUBLE_EQ(view.zoomState().baseZoom, 2);
}

void pinch(CompareView& view, Qt::NativeGestureType type, qreal value = 0) {
    const QPointF at(400, 400);
    QNativeGestureEvent event(type, QPointingDevice::primaryPointingDevice(), 2, at, at, view.mapToGlobal(at),
                              value, {});
    QApplication::sendEvent(&view, &event);
}

TEST(CompareView, APinchZoomsUpToTheLimitAndSnapsBackNearOne) {
    Comparison comparison;
    CompareView& view = comparison.view;
    pinch(view, Qt::BeginNativeGesture);
    for (int step = 0; step < 40; ++step) {
        pinch(view, Qt::ZoomNativeGesture, 0.1);
    }
    EXPECT_DOUBLE_EQ(view.zoomState().zoom, 4);
    pinch(view, Qt::EndNativeGesture);
    EXPECT_DOUBLE_EQ(view.zoomState().baseZoom, 4);

    pinch(view, Qt::BeginNativeGesture);
    pinch(view, Qt::ZoomNativeGesture, 1.004 / 4 - 1);
    EXPECT_NEAR(view.zoomState().zoom, 1.004, 1e-9);
    pinch(view, Qt::EndNativeGesture);
    EXPECT_EQ(view.zoomState(), CompareZoom{});
}

} // namespace
} // namespace orvane
