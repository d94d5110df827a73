#include "editor/Tool.h"

namespace orvane {

QString title(Tool tool) {
    switch (tool) {
    case Tool::enlarge:
        return QStringLiteral("Enlarge");
    case Tool::background:
        return QStringLiteral("Background");
    case Tool::enhance:
        return QStringLiteral("Enhance");
    case Tool::convert:
        return QStringLiteral("Convert");
    }
    return {};
}

QString symbol(Tool tool) {
    switch (tool) {
    case Tool::enlarge:
        return QStringLiteral("arrow.up.left.and.arrow.down.right");
    case Tool::background:
        return QStringLiteral("person.crop.rectangle");
    case Tool::enhance:
        return QStringLiteral("wand.and.stars");
    case Tool::convert:
        return QStringLiteral("arrow.triangle.2.circlepath");
    }
    return {};
}

} // namespace orvane
