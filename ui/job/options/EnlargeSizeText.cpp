#include "ui/job/options/EnlargeSizeText.h"

#include <cmath>

namespace orvane::EnlargeSizeText {

QString factorTitle(double factor) {
    return QString::asprintf("%g", factor) + QStringLiteral("×");
}

QString scaleText(double scale) {
    // Two significant digits would write a factor of 100 or more in exponent form ("2.4e+02");
    // such a factor (a thumbnail made poster-sized) is written whole instead.
    const QString number =
        std::abs(scale) < 99.5 ? QString::asprintf("%.2g", scale) : QString::asprintf("%.0f", scale);
    return number + QStringLiteral("×");
}

QString sizeChange(int width, int height, const EditorModel::SizePlan& plan) {
    return QStringLiteral("%1 × %2  →  %3 × %4").arg(width).arg(height).arg(plan.width).arg(plan.height);
}

QString details(const EditorModel::SizePlan& plan, bool forPrint) {
    const double megapixels = static_cast<double>(plan.width) * plan.height / 1'000'000.0;
    QString text = QString::asprintf("%.1f", megapixels) + QStringLiteral(" MP · ") + scaleText(plan.scale) +
                   QStringLiteral(" enlargement");
    if (forPrint) {
        text += QStringLiteral(" · 300 dpi");
    }
    if (plan.clamped) {
        text += QStringLiteral(" · capped for this device's memory");
    }
    return text;
}

} // namespace orvane::EnlargeSizeText
