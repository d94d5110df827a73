#include "ui/look/Symbols.h"

#include <QFile>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

namespace orvane::Symbols {
namespace {

struct Entry {
    QString name;
    // A freedesktop icon name whose symbolic variant means the same; empty where none does.
    QString themeName;
    // Our own drawing's file in symbols/, without ".svg", where it isn't named as the symbol.
    QString file = {};
};

const std::vector<Entry>& entries() {
    static const std::vector<Entry> table{
        {"arrow.down.right.and.arrow.up.left", ""},
        {"arrow.triangle.2.circlepath", "view-refresh-symbolic"},
        {"arrow.up.left.and.arrow.down.right", ""},
        {"arrow.uturn.forward", ""},
        {"aspectratio", "", "frame.corners"},
        {"camera.aperture", ""},
        {"checkmark", "object-select-symbolic"},
        {"checkmark.circle.fill", ""},
        {"chevron.left", "go-previous-symbolic"},
        {"chevron.left.chevron.right", ""},
        {"display", "video-display-symbolic"},
        {"folder", "folder-symbolic"},
        {"globe", ""},
        {"info.circle", ""},
        {"paintbrush.pointed", ""},
        {"person.crop.rectangle", ""},
        {"photo.badge.plus", ""},
        {"photo.on.rectangle", ""},
        {"photo.on.rectangle.angled", ""},
        {"printer", "printer-symbolic"},
        {"rectangle.portrait", ""},
        {"slider.horizontal.3", ""},
        {"square.and.arrow.down", "document-save-symbolic"},
        {"square.and.arrow.up", "document-send-symbolic"},
        {"square.stack.3d.down.right", ""},
        {"trash", "user-trash-symbolic"},
        {"wand.and.stars", ""},
        {"xmark.circle.fill", ""},
    };
    return table;
}

const Entry* find(const QString& name) {
    for (const Entry& entry : entries()) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

QString resourcePath(const Entry& entry) {
    return QStringLiteral(":/symbols/%1.svg").arg(entry.file.isEmpty() ? entry.name : entry.file);
}

// The symbol's shape in black on transparency, cached per name and pixel size. A symbol that
// cannot be drawn is remembered as a null image, so that painting never reads its file again.
QImage mask(const Entry& entry, int pixels) {
    static QHash<QString, QImage> cache;
    const QString key = entry.name + QLatin1Char('@') + QString::number(pixels);
    if (const auto found = cache.constFind(key); found != cache.constEnd()) {
        return *found;
    }
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (!entry.themeName.isEmpty() && QIcon::hasThemeIcon(entry.themeName)) {
        QPainter painter(&image);
        QIcon::fromTheme(entry.themeName).paint(&painter, image.rect());
    } else {
        QSvgRenderer renderer(resourcePath(entry));
        if (!renderer.isValid()) {
            cache.insert(key, QImage());
            return {};
        }
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.setAspectRatioMode(Qt::KeepAspectRatio);
        renderer.render(&painter, QRectF(image.rect()));
    }
    cache.insert(key, image);
    return image;
}

} // namespace

const QStringList& names() {
    static const QStringList list = [] {
        QStringList result;
        for (const Entry& entry : entries()) {
            result << entry.name;
        }
        return result;
    }();
    return list;
}

bool exists(const QString& name) {
    const Entry* entry = find(name);
    return entry && ((!entry->themeName.isEmpty() && QIcon::hasThemeIcon(entry->themeName)) ||
                     QFile::exists(resourcePath(*entry)));
}

QPixmap pixmap(const QString& name, int size, const QColor& color, qreal devicePixelRatio) {
    const Entry* entry = find(name);
    if (!entry || size <= 0) {
        return {};
    }
    QImage image = mask(*entry, qRound(size * devicePixelRatio));
    if (image.isNull()) {
        return {};
    }
    // Keep the shape's coverage and paint it in the one colour.
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    painter.end();
    QPixmap result = QPixmap::fromImage(std::move(image));
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

int sizeFor(const QFont& font) {
    return qRound(QFontMetricsF(font).height() * 0.95);
}

QIcon icon(const QString& name, const QColor& color, int size) {
    QIcon result;
    for (const qreal ratio : {1.0, 2.0}) {
        result.addPixmap(pixmap(name, size, color, ratio));
    }
    return result;
}

} // namespace orvane::Symbols
