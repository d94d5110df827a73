#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

// Opening a page or a file through the desktop (xdg-open), and learning when nothing could open
// it, which Qt's own `QDesktopServices::openUrl` never tells.
namespace orvane::LinkOpener {

// Asks the desktop to open `url`. `onFailure` is called, with `context` still alive, when no
// program could open it: the desktop's opener is missing, or it found nothing for the page.
void open(const QUrl& url, QObject* context, std::function<void()> onFailure);

// What is opened, as the message that nothing could open it names it.
enum class Target { page, file, folder };

// Tells the person, in a window-modal message over `asker`'s window, that nothing on this computer
// opens `path`, and where it is, so that they can open it themselves. Its object name is
// "pageNotOpened", "fileNotOpened" or "folderNotOpened".
void sayCannotOpen(QWidget* asker, Target target, const QString& path);

// Opens `path`, on this computer, in the desktop's program for it, and says so over `asker` when
// there is none.
void openOrSay(const QString& path, Target target, QWidget* asker);

} // namespace orvane::LinkOpener
