#pragma once

#include <filesystem>
#include <functional>

class QDBusConnection;
class QWidget;

// The desktop portal's choice of program for a file (org.freedesktop.portal.OpenURI.OpenFile with
// "ask"): the desktop asks the person which program opens it.
namespace orvane::OpenWithPortal {

// Whether `bus` has the portal running, or can start it.
bool isAvailable(const QDBusConnection& bus);

// Asks the portal on `bus` to let the person choose a program for `file`, over `window`. `onFailure`
// runs, while `window` lives, when the portal could not: it is missing, refused, or ended without
// opening the file. A choice the person cancels is no failure.
void chooseProgram(const QDBusConnection& bus, const std::filesystem::path& file, QWidget* window,
                   std::function<void()> onFailure);

} // namespace orvane::OpenWithPortal
