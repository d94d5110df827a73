#pragma once

#include <QObject>
#include <QUrl>
#include <functional>

// Opening a page or a file through the desktop (xdg-open), and learning when nothing could open
// it, which Qt's own `QDesktopServices::openUrl` never tells.
namespace orvane::LinkOpener {

// Asks the desktop to open `url`. `onFailure` is called, with `context` still alive, when no
// program could open it: the desktop's opener is missing, or it found nothing for the page.
void open(const QUrl& url, QObject* context, std::function<void()> onFailure);

} // namespace orvane::LinkOpener
