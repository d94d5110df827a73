#include "ui/desktop/ImageFileFilter.h"

#include "platform/image/UniformType.h"

#include <QStringList>

namespace orvane {

QString imageFileFilter() {
    QStringList patterns;
    // Whatever the decoder tells by its content; the names only decide what the panel lists.
    for (const UniformType& type : UniformType::allConforming(UniformType::image())) {
        for (const std::string& extension : type.filenameExtensions()) {
            const QString pattern = QStringLiteral("*.") + QString::fromStdString(extension);
            if (!patterns.contains(pattern, Qt::CaseInsensitive)) {
                patterns << pattern;
            }
        }
    }
    return QStringLiteral("Images (%1)").arg(patterns.join(QLatin1Char(' ')));
}

} // namespace orvane
