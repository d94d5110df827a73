#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orvane {

// One notification on the desktop, shown through its notifier (notify-send, from libnotify) with
// Orvane as the sender. Shown again, it takes the place of what it showed before, so that "working
// on it" becomes the result rather than a second bubble; a notifier too old to replace one shows
// each anew.
class DesktopNotification {
public:
    enum class Look { plain, failure };

    // Returns false when there is no notifier or it could not show anything; the caller then has
    // only its own output to tell the user.
    bool show(const std::string& summary, const std::string& body, Look look = Look::plain);

private:
    // The notifier's number for what is on screen, where it tells it.
    std::optional<std::uint32_t> id_;
};

} // namespace orvane
