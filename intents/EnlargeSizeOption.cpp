#include "intents/EnlargeSizeOption.h"

namespace orvane {

std::string typeDisplayName(EnlargeSizeOption) {
    return "Size";
}

std::string displayText(EnlargeSizeOption option) {
    switch (option) {
    case EnlargeSizeOption::x2:
        return "2×";
    case EnlargeSizeOption::x4:
        return "4×";
    case EnlargeSizeOption::x8:
        return "8×";
    }
    return {};
}

double factor(EnlargeSizeOption option) {
    switch (option) {
    case EnlargeSizeOption::x2:
        return 2.0;
    case EnlargeSizeOption::x4:
        return 4.0;
    case EnlargeSizeOption::x8:
        return 8.0;
    }
    return 4.0;
}

} // namespace orvane
