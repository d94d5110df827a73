#include "platform/application/Terminal.h"

#include <cstdio>
#include <unistd.h>

namespace orvane::Terminal {

bool showsStandardError() {
    return ::isatty(STDERR_FILENO) != 0;
}

namespace {

std::string escaped(const char* format, unsigned value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// The code point of a UTF-8 sequence of `length` bytes at `text`, when it is one of the C1
// controls or the bidirectional controls; else 0.
unsigned dangerousCodePoint(std::string_view text, std::size_t length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (length == 2 && byte(0) == 0xC2 && byte(1) >= 0x80 && byte(1) <= 0x9F) {
        return byte(1);
    }
    if (length == 3 && byte(0) == 0xE2) {
        const unsigned point = ((byte(0) & 0x0Fu) << 12) | ((byte(1) & 0x3Fu) << 6) | (byte(2) & 0x3Fu);
        if ((point >= 0x202A && point <= 0x202E) || (point >= 0x2066 && point <= 0x2069) || point == 0x200E ||
            point == 0x200F) {
            return point;
        }
    }
    return 0;
}

} // namespace

std::string printable(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F) {
            switch (byte) {
            case '\n':
                result += "\\n";
                break;
            case '\r':
                result += "\\r";
                break;
            case '\t':
                result += "\\t";
                break;
            default:
                result += escaped("\\x%02x", byte);
            }
            ++i;
            continue;
        }
        const std::size_t length = byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        if (length > 1 && i + length <= text.size()) {
            if (const unsigned point = dangerousCodePoint(text.substr(i, length), length)) {
                result += escaped("\\u%04x", point);
                i += length;
                continue;
            }
        }
        result += text[i];
        ++i;
    }
    return result;
}

} // namespace orvane::Terminal
