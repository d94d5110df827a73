#pragma once

#include "platform/files/Bytes.h"

#include <QString>

namespace orvane {

// A convert job's result: the converted file exactly as it is to be stored.
struct ConvertedFile {
    SharedBytes bytes;
    // Without the dot: "webp".
    QString fileExtension;
};

} // namespace orvane
