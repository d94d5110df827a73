#pragma once

#include "editor/JobRecord.h"

#include <variant>

namespace orvane {

// What fills the window.
struct HomeScreen {
    friend bool operator==(const HomeScreen&, const HomeScreen&) = default;
};
// The editor page.
struct JobScreen {
    friend bool operator==(const JobScreen&, const JobScreen&) = default;
};
struct GalleryScreen {
    friend bool operator==(const GalleryScreen&, const GalleryScreen&) = default;
};
// One finished job from the gallery.
struct RecordScreen {
    JobRecord record;
    friend bool operator==(const RecordScreen&, const RecordScreen&) = default;
};

using Screen = std::variant<RecordScreen, HomeScreen, JobScreen, GalleryScreen>;

} // namespace orvane
