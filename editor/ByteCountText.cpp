#include "editor/ByteCountText.h"

#include <array>
#include <cmath>

namespace orvane {

QString byteCountText(std::int64_t bytes) {
    if (bytes == 0) {
        return QStringLiteral("Zero KB");
    }
    const double magnitude = std::abs(static_cast<double>(bytes));
    if (magnitude < 1000) {
        return QStringLiteral("%1 %2").arg(bytes).arg(magnitude == 1 ? QStringLiteral("byte")
                                                                     : QStringLiteral("bytes"));
    }
    struct Unit {
        const char* name;
        int digits;
    };
    static constexpr std::array<Unit, 5> units{{{"KB", 0}, {"MB", 1}, {"GB", 2}, {"TB", 2}, {"PB", 2}}};
    double value = static_cast<double>(bytes) / 1000;
    std::size_t unit = 0;
    // Moves up a unit also when rounding alone reaches 1000, so 999,999 bytes read as 1 MB.
    while (unit + 1 < units.size()) {
        const double scale = std::pow(10.0, units[unit].digits);
        if (std::abs(std::round(value * scale) / scale) < 1000) {
            break;
        }
        value /= 1000;
        ++unit;
    }
    QString number = QString::number(value, 'f', units[unit].digits);
    if (number.contains(u'.')) {
        while (number.endsWith(u'0')) {
            number.chop(1);
        }
        if (number.endsWith(u'.')) {
            number.chop(1);
        }
    }
    return number + u' ' + QLatin1String(units[unit].name);
}

} // namespace orvane
