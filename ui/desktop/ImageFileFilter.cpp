#include "ui/desktop/ImageFileFilter.h"

#include "platform/image/UniformType.h"

#include <QStringList>

namespace orvane {

QString imageFileFilter() {
    QStringList patterns;
    for (const UniformType& type : {UniformType::jpeg(), UniformType::png(), UniformType::heic(),
                                    UniformType::avif(), UniformType::webp(), UniformType::tiff(),
                                    UniformType::gif(), UniformType::bmp(), UniformType::rawImage()}) {
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
