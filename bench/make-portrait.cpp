// Writes a generated photo with a clear subject (the background benchmark's standing figure in a
// room, dark and noisy for the enhancer's) as a JPEG, for the command-line runs of bench/roads.
// Usage: make-portrait FILE WIDTH HEIGHT [person|dark]

#include "bench/background-scenes.h"
#include "core/convert/ConvertFormat.h"
#include "core/convert/Converter.h"
#include "platform/files/AtomicFile.h"

#include <iostream>
#include <string>

using namespace orvane;

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::cerr << "usage: make-portrait FILE WIDTH HEIGHT [person|dark]\n";
        return 2;
    }
    const std::string kind = argc == 5 ? argv[4] : "person";
    if (kind != "person" && kind != "dark") {
        std::cerr << "make-portrait: the scene is person or dark, not " << kind << "\n";
        return 2;
    }
    try {
        const auto scene =
            benchscene::draw(kind == "dark" ? benchscene::Kind::darkNoisy : benchscene::Kind::person,
                             std::stoi(argv[2]), std::stoi(argv[3]));
        AtomicFile::write(argv[1], Converter::encode(scene.photo, {}, ConvertFormat::jpeg, 0.92));
    } catch (const std::exception& error) {
        std::cerr << "make-portrait: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
