#include "ui/gallery/GalleryThumb.h"

#include "ui/controls/FocusRing.h"
#include "ui/gallery/RelativeDate.h"
#include "ui/gallery/ThumbnailCache.h"
#include "ui/look/Painting.h"
#include "ui/look/Symbols.h"
#include "ui/look/Theme.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace orvane {
namespace {

constexpr int captionSpacing = 5;
constexpr int lineSpacing = 1;

} // namespace

GalleryThumb::GalleryThumb(JobRecord record, std::filesystem::path folder, bool showsCaption, QWidget* parent)
    : QAbstractButton(parent)
    , record_(std::move(record))
    , folder_(std::move(folder))
    , cacheKey_(ThumbnailCache::key(folder_))
    , showsCaption_(showsCaption) {
    setObjectName("galleryThumb");
    setFocusPolicy(Qt::TabFocus);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAccessibleName(record_.title);
    connect(&ThumbnailCache::shared(), &ThumbnailCache::finished, this, [this](const QString& key) {
        if (key == cacheKey_) {
            requestImage();
        }
    });
    requestImage();
}

void GalleryThumb::setRecord(JobRecord record, std::filesystem::path folder) {
    record_ = std::move(record);
    folder_ = std::move(folder);
    cacheKey_ = ThumbnailCache::key(folder_);
    setAccessibleName(record_.title);
    requestImage();
    update();
}

void GalleryThumb::requestImage() {
    if (folder_.empty()) {
        return;
    }
    if (const auto image = ThumbnailCache::shared().image(folder_)) {
        image_ = *image;
        update();
    }
}

int GalleryThumb::captionHeight(bool showsCaption) {
    if (!showsCaption) {
        return 0;
    }
    return captionSpacing + QFontMetrics(Theme::font(Theme::TextStyle::caption, QFont::Medium)).height() +
           lineSpacing + QFontMetrics(Theme::font(Theme::TextStyle::caption2)).height();
}

int GalleryThumb::heightFor(int width, bool showsCaption) {
    return width + captionHeight(showsCaption);
}

int GalleryThumb::heightForWidth(int width) const {
    return heightFor(width, showsCaption_);
}

QSize GalleryThumb::sizeHint() const {
    return {108, heightForWidth(108)};
}

void GalleryThumb::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const int side = std::min(width(), height() - captionHeight(showsCaption_));
    const QRectF tile(0, 0, side, side);
    constexpr qreal radius = 12;

    Painting::fillRoundedRect(painter, tile, radius, Theme::secondaryFill(0.12));
    if (!image_.isNull()) {
        QPainterPath clip;
        clip.addRoundedRect(tile, radius, radius);
        painter.save();
        painter.setClipPath(clip);
        // Fill the square, cropping the longer side.
        const QSizeF scaled = QSizeF(image_.size()).scaled(tile.size(), Qt::KeepAspectRatioByExpanding);
        const QRectF target(tile.center() - QPointF(scaled.width() / 2, scaled.height() / 2), scaled);
        painter.drawImage(target, image_);
        painter.restore();
    } else {
        const int symbolSide = Symbols::sizeFor(Theme::font(Theme::TextStyle::body));
        painter.drawPixmap(
            QPointF(tile.center().x() - symbolSide / 2.0, tile.center().y() - symbolSide / 2.0),
            Symbols::pixmap(record_.symbol, symbolSide, Theme::secondary(), devicePixelRatioF()));
    }

    // The job's kind, readable over any photo.
    const int badgeSymbol = Symbols::sizeFor(Theme::font(Theme::TextStyle::caption2, QFont::Bold));
    const qreal badge = badgeSymbol + 10;
    const QRectF circle(6, side - 6 - badge, badge, badge);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, qRound(255 * 0.55)));
    painter.drawEllipse(circle);
    painter.drawPixmap(circle.topLeft() + QPointF(5, 5),
                       Symbols::pixmap(record_.symbol, badgeSymbol, Qt::white, devicePixelRatioF()));

    paintFocusRingIfShown(*this, painter, tile, radius);
    if (!showsCaption_) {
        return;
    }
    const QFont titleFont = Theme::font(Theme::TextStyle::caption, QFont::Medium);
    const QFont dateFont = Theme::font(Theme::TextStyle::caption2);
    const QFontMetrics titleMetrics(titleFont);
    int y = side + captionSpacing;
    painter.setFont(titleFont);
    painter.setPen(Theme::primary());
    painter.drawText(QRect(0, y, width(), titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     titleMetrics.elidedText(record_.title, Qt::ElideRight, width()));
    y += titleMetrics.height() + lineSpacing;
    painter.setFont(dateFont);
    painter.setPen(Theme::secondary());
    const QFontMetrics dateMetrics(dateFont);
    painter.drawText(QRect(0, y, width(), dateMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     dateMetrics.elidedText(relativeDateText(record_.date, std::chrono::system_clock::now()),
                                            Qt::ElideRight, width()));
}

} // namespace orvane
