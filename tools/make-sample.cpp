// Writes a sample photo for trying Orvane out: a HEIC with a capture date and a location, made
// from generated pixels, so nothing has to be downloaded.

#include "core/convert/ConvertFormat.h"
#include "core/convert/Converter.h"
#include "platform/files/AtomicFile.h"
#include "tools/SamplePhoto.h"

#include <iostream>

using namespace orvane;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make-sample OUTPUT.heic\n";
        return 2;
    }
    const Bitmap image = tools::samplePhoto(2400, 1600);
    ImageProperties properties;
    properties.tiff = PropertyDictionary{{"Make", PropertyValue::string("Orvane")},
                                         {"Model", PropertyValue::string("Sample")}};
    properties.exif = PropertyDictionary{{"DateTimeOriginal", PropertyValue::string("2024:06:21 18:45:00")},
                                         {"OffsetTimeOriginal", PropertyValue::string("+02:00")}};
    properties.gps = PropertyDictionary{{"GPSLatitudeRef", PropertyValue::string("N")},
                                        {"GPSLatitude", {5, "46/1 33/1 0/1"}},
                                        {"GPSLongitudeRef", PropertyValue::string("E")},
                                        {"GPSLongitude", {5, "7/1 59/1 0/1"}}};
    try {
        const Bytes bytes = Converter::encode(image, properties, ConvertFormat::heic, 0.9);
        AtomicFile::write(argv[1], bytes);
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
    std::cout << argv[1] << '\n';
    return 0;
}
