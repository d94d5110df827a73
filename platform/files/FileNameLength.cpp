#include "platform/files/FileNameLength.h"

namespace orvane::FileNameLength {

namespace {

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

std::string fittedStem(std::string_view stem, std::string_view ending, std::size_t limit) {
    if (stem.size() + ending.size() <= limit) {
        return std::string(stem);
    }
    std::size_t length = ending.size() < limit ? limit - ending.size() : 0;
    // Back to the start of the character that would be cut. A UTF-8 character has at most three
    // continuation bytes; a name that isn't UTF-8 is cut where it falls rather than emptied.
    for (std::size_t back = 0; back < 3 && length > 0 && isContinuationByte(stem[length]); ++back) {
        --length;
    }
    if (length > 0 && isContinuationByte(stem[length])) {
        length = ending.size() < limit ? limit - ending.size() : 0;
    }
    return std::string(stem.substr(0, length));
}

std::string fittedName(std::string_view stem, std::string_view ending, std::size_t limit) {
    return fittedStem(stem, ending, limit) + std::string(ending);
}

} // namespace orvane::FileNameLength
