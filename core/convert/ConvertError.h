#pragma once

#include "platform/Error.h"

#include <cstdint>
#include <string>

namespace orvane {

// The converter's failures, each with the sentence the user reads.
class ConvertError : public Error {
public:
    enum class Case { encodeFailed, cannotReachSize, unreadable };

    // `formatName` is the display name of the format ("HEIC", "WebP").
    static ConvertError encodeFailed(const std::string& formatName);
    // `kilobytes` is the byte budget divided by 1000, the remainder dropped.
    static ConvertError cannotReachSize(std::int64_t kilobytes);
    static ConvertError unreadable();

    Case errorCase() const noexcept { return case_; }
    const std::string& formatName() const noexcept { return formatName_; }
    std::int64_t kilobytes() const noexcept { return kilobytes_; }

private:
    ConvertError(Case c, std::string description)
        : Error(std::move(description))
        , case_(c) {}
    Case case_;
    std::string formatName_;
    std::int64_t kilobytes_ = 0;
};

} // namespace orvane

namespace orvane {

// A request the converter refuses before doing any work: a size target too large to count in
// bytes, or an image too large for the chosen encoder.
class ConvertRequestError : public Error {
public:
    using Error::Error;
    static ConvertRequestError sizeLimitTooLarge() {
        return ConvertRequestError("That size limit is too large.");
    }
    // `largestSide`: the largest width and height a file of the format may have here.
    static ConvertRequestError imageTooLarge(const std::string& formatName, int largestSide) {
        const std::string side = std::to_string(largestSide);
        return ConvertRequestError("This image is too large to save as " + formatName + ": the largest " +
                                   formatName + " here is " + side + " × " + side + " pixels.");
    }
};

} // namespace orvane
