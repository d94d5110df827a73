#include "ui/job/options/ConvertOptionsText.h"

namespace orvane::ConvertOptionsText {

QString sizeLabel(long long kilobytes) {
    if (kilobytes > 999) {
        return QString::number(kilobytes / 1000) + QStringLiteral(" MB");
    }
    return QString::number(kilobytes) + QStringLiteral(" KB");
}

QString sizeMenuTitle(std::optional<long long> maxKB) {
    return maxKB ? QStringLiteral("Under ") + sizeLabel(*maxKB) : QStringLiteral("Any size");
}

QString edgeLabel(int pixels) {
    return QString::number(pixels) + QStringLiteral(" px");
}

QString edgeMenuTitle(std::optional<int> maxLongEdge) {
    return maxLongEdge ? QStringLiteral("≤ ") + edgeLabel(*maxLongEdge) : QStringLiteral("Original size");
}

QString formatDescription(ConvertFormat format) {
    switch (format) {
    case ConvertFormat::jpeg:
        return QStringLiteral("Opens everywhere — Windows, Android, websites, forms.");
    case ConvertFormat::png:
        return QStringLiteral("Lossless, keeps transparency. Bigger files.");
    case ConvertFormat::heic:
        return QStringLiteral("Apple's format: small files, great quality.");
    case ConvertFormat::avif:
        return QStringLiteral("Newest web format, smallest files.");
    case ConvertFormat::webp:
        return QStringLiteral("For websites and online shops. Small files.");
    case ConvertFormat::tiff:
        return QStringLiteral("Lossless, for print and archiving.");
    }
    return {};
}

} // namespace orvane::ConvertOptionsText
