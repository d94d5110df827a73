#pragma once

#include <QString>
#include <chrono>

namespace orvane {

// When something happened, in words relative to `now`: "now", "5 minutes ago", "yesterday",
// "3 days ago", "last week", "2 months ago". Calendar days count in the local time zone. A date
// after `now` (a clock set back since) reads "now".
QString relativeDateText(std::chrono::system_clock::time_point date,
                         std::chrono::system_clock::time_point now);

} // namespace orvane
