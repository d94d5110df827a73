#include "core/convert/ConverterSteps.h"

namespace orvane::Converter {

ImageProperties filterMetadata(const ImageProperties& source, MetadataPolicy policy) {
    // The decoded image is already upright.
    ImageProperties output;
    output.orientation = 1;
    if (policy == MetadataPolicy::removeAll) {
        return output;
    }
    output.exif = source.exif;
    output.tiff = source.tiff;
    output.iptc = source.iptc;
    output.gps = source.gps;
    output.dpiWidth = source.dpiWidth;
    output.dpiHeight = source.dpiHeight;
    output.maker = source.maker;
    if (policy == MetadataPolicy::removeLocation) {
        output.gps.reset();
    }
    if (output.tiff) {
        output.tiff->erase("Orientation");
        output.tiff->emplace("Orientation", PropertyValue::shortInteger(1));
    }
    if (output.exif) {
        // They would describe the source's size, not the output's.
        output.exif->erase("PixelXDimension");
        output.exif->erase("PixelYDimension");
    }
    return output;
}

} // namespace orvane::Converter
