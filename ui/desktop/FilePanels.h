#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

// The window's file panels: where each one starts, and how big Qt's own panel is. The desktop's
// own panels (through its portal, or GTK's) are used wherever Qt finds them; Qt's panel stands in
// where it finds none.
namespace orvane::FilePanels {

// What a panel is for. Each purpose remembers its own folder.
enum class Purpose { openPhoto, photosLibrary, saveCopy, batchSources, batchDestination };

// Qt's own panel at this size shows its name, size, type and date columns in full.
inline constexpr QSize fallbackSize{900, 560};

// The folder a panel for `purpose` starts in: the one last used for it while this process runs,
// else the user's Pictures folder (XDG), else the home folder. Nothing is kept between runs.
QString startFolder(Purpose purpose);
QString picturesFolder();

// Remembers where `chosen` (the paths a panel returned) was found: a chosen destination folder
// itself, otherwise the folder holding the first path.
void remember(Purpose purpose, const QStringList& chosen);
// Every purpose starts in Pictures again.
void forgetFolders();

// Starts `panel` in its purpose's folder, gives Qt's own panel its size, and remembers the folder
// of whatever is chosen in it.
void prepare(QFileDialog& panel, Purpose purpose);

// A panel that opens one photo of a type the library reads (object name "fileImporter"), prepared
// for `Purpose::openPhoto`; it deletes itself once closed.
QFileDialog* photoPanel(QWidget* parent);

} // namespace orvane::FilePanels
