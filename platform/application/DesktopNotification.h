#pragma once

#include <string>

namespace orvane::DesktopNotification {

// Shows a notification on the desktop through its notifier (notify-send, from libnotify), with
// Orvane as the sender. Returns false when there is no notifier or it could not show anything;
// the caller then has only its own output to tell the user.
bool show(const std::string& summary, const std::string& body);

} // namespace orvane::DesktopNotification
