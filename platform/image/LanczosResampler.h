#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvane {

// Shrinks 8-bit pictures of four bytes a pixel to an exact size with the image library's own
// Lanczos-3 resize (the one behind LazyImage::resized: a box shrink by a whole factor where the
// reduction exceeds two, then the kernel; rows first, then columns), in the same integer
// arithmetic, so that both give the same pixels. The rows of every step are shared out over the
// processor's threads (OpenMP, the team the networks run on). Made once for a pair of sizes, then
// used for any number of pictures of those sizes, also from several threads at once.
class LanczosResampler {
public:
    enum class Order {
        kept,     // the first three bytes land as they are
        reversed, // the first and third swap places: BGRA in, RGBA out
    };

    // Whether a resampler can go from the one size to the other: no side is below 1 or grows.
    static bool handles(int fromWidth, int fromHeight, int toWidth, int toHeight);

    // Throws std::invalid_argument unless `handles` holds.
    LanczosResampler(int fromWidth, int fromHeight, int toWidth, int toHeight);

    // Reads fromHeight rows of fromWidth pixels, `fromRowBytes` apart, and writes toHeight rows of
    // toWidth pixels, `toRowBytes` apart. The first three bytes of every pixel are resampled; the
    // fourth is written as 255.
    void resample(const std::uint8_t* from, std::size_t fromRowBytes, std::uint8_t* to,
                  std::size_t toRowBytes, Order order) const;

    // How one side shrinks: a box of `box` pixels averaged into one (1: none), then, when `taps`
    // is not 0, each output pixel a weighted sum of `taps` pixels of the boxed side.
    struct Axis {
        int from = 0;
        int boxed = 0; // the size after the box
        int to = 0;
        int box = 1;
        int taps = 0;
        int shift = 12;                    // the weights are fixed point with this many fraction bits
        std::vector<int> indices;          // taps × to: the boxed pixels each output pixel reads, clamped
        std::vector<std::int32_t> weights; // taps × to
    };

private:
    Axis rows_;
    Axis columns_;
};

} // namespace orvane
