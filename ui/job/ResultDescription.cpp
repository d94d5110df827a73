#include "ui/job/ResultDescription.h"

#include "editor/ByteCountText.h"

#include <cmath>

namespace orvane::ResultDescription {

QString sizeLine(const ResultInfo& info) {
    return QStringLiteral("%1 × %2").arg(info.width).arg(info.height);
}

QString detailLine(const ResultInfo& info) {
    if (!info.convertedBytes) {
        return info.label + QStringLiteral(" · ") + QString::asprintf("%.1f", info.seconds) +
               QStringLiteral(" s");
    }
    return info.label + QStringLiteral(" · ") + byteCountText(info.sourceBytes.value_or(0)) +
           QStringLiteral(" → ") + byteCountText(*info.convertedBytes) +
           savingText(info.convertedBytes, info.sourceBytes);
}

QString savingText(std::optional<std::int64_t> convertedBytes, std::optional<std::int64_t> sourceBytes) {
    if (!convertedBytes || !sourceBytes || *sourceBytes <= 0) {
        return {};
    }
    const double ratio = static_cast<double>(*convertedBytes) / static_cast<double>(*sourceBytes);
    // std::round takes halves away from zero.
    const auto percent = static_cast<long long>(std::round((1 - ratio) * 100));
    if (percent <= 0) {
        return {};
    }
    return QStringLiteral(" (\u2212%1%)").arg(percent);
}

} // namespace orvane::ResultDescription
