#include "platform/networks/detail/MaskRegions.h"

#include <algorithm>
#include <vector>

namespace orvane::MaskRegions {

namespace {

struct Run {
    int begin; // first foreground pixel
    int end;   // one past the last
};

// Disjoint sets of runs, the root of each set holding the region's area.
class Regions {
public:
    std::size_t size() const { return parent_.size(); }
    void add(std::size_t area) {
        parent_.push_back(parent_.size());
        area_.push_back(area);
    }
    std::size_t root(std::size_t run) {
        while (parent_[run] != run) {
            parent_[run] = parent_[parent_[run]];
            run = parent_[run];
        }
        return run;
    }
    void join(std::size_t a, std::size_t b) {
        a = root(a);
        b = root(b);
        if (a != b) {
            parent_[b] = a;
            area_[a] += area_[b];
        }
    }
    int countAtLeast(std::size_t minimumArea) {
        int count = 0;
        for (std::size_t run = 0; run < parent_.size(); ++run) {
            if (parent_[run] == run && area_[run] >= minimumArea) {
                ++count;
            }
        }
        return count;
    }

private:
    std::vector<std::size_t> parent_;
    std::vector<std::size_t> area_;
};

} // namespace

Foreground measure(const Mask& mask, std::uint8_t threshold, std::size_t minimumRegionArea) {
    Foreground foreground;
    Regions regions;
    std::vector<Run> previousRuns, runs;
    std::size_t previousFirst = 0; // index in `regions` of previousRuns.front()
    for (int y = 0; y < mask.height; ++y) {
        runs.clear();
        const std::uint8_t* row = mask.values.data() + static_cast<std::size_t>(y) * mask.width;
        for (int x = 0; x < mask.width;) {
            if (row[x] <= threshold) {
                ++x;
                continue;
            }
            const int begin = x;
            while (x < mask.width && row[x] > threshold) {
                ++x;
            }
            runs.push_back({begin, x});
        }
        const std::size_t first = regions.size();
        for (const Run& run : runs) {
            regions.add(static_cast<std::size_t>(run.end - run.begin));
            foreground.area += static_cast<std::size_t>(run.end - run.begin);
        }
        // Runs touch, diagonals included, when they overlap once widened by a pixel.
        std::size_t above = 0;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            while (above < previousRuns.size() && previousRuns[above].end < runs[i].begin) {
                ++above;
            }
            for (std::size_t j = above; j < previousRuns.size() && previousRuns[j].begin <= runs[i].end;
                 ++j) {
                regions.join(previousFirst + j, first + i);
            }
        }
        std::swap(previousRuns, runs);
        previousFirst = first;
    }
    foreground.regionCount = regions.countAtLeast(std::max<std::size_t>(minimumRegionArea, 1));
    return foreground;
}

} // namespace orvane::MaskRegions
