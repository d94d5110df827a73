#pragma once

#include <cstdint>
#include <vector>

namespace orvane {

// A rectangle of whole pixels; the origin is the top-left corner and y grows downward.
struct PixelRect {
    std::int64_t x = 0;
    std::int64_t y = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;

    std::int64_t maxX() const { return x + width; }
    std::int64_t maxY() const { return y + height; }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

struct PixelSize {
    std::int64_t width = 0;
    std::int64_t height = 0;
    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

// The geometry of tiled enlargement: square network inputs that overlap their neighbours by a
// margin, the part of the source each one owns, and where that part lands in the output.
class TilePlan {
public:
    struct Tile {
        PixelRect inputRect;  // the square read from the source; may reach past every edge
        PixelRect innerRect;  // the part of the source this tile owns
        PixelRect outputRect; // where that part lands in the output
        friend bool operator==(const Tile&, const Tile&) = default;
    };

    // Requires scale > 0 and 2 × pad < tileSize; throws std::invalid_argument otherwise, or when a
    // coordinate would not fit in 64 bits.
    TilePlan(std::int64_t width, std::int64_t height, std::int64_t tileSize, std::int64_t pad, double scale);

    // The factors of successive passes, none above the network's own factor (plus 10⁻⁹); their
    // product is `scale`. Never empty.
    static std::vector<double> passes(double scale, double modelScale);

    // Nearest whole number, halves away from zero. Throws std::invalid_argument when the value is
    // not finite or out of range.
    static std::int64_t round(double value);

    const PixelSize& sourceSize() const { return sourceSize_; }
    const PixelSize& outputSize() const { return outputSize_; }
    std::int64_t tileSize() const { return tileSize_; }
    std::int64_t pad() const { return pad_; }
    const std::vector<Tile>& tiles() const { return tiles_; }

    friend bool operator==(const TilePlan&, const TilePlan&) = default;

private:
    PixelSize sourceSize_;
    PixelSize outputSize_;
    std::int64_t tileSize_;
    std::int64_t pad_;
    std::vector<Tile> tiles_;
};

} // namespace orvane
