#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

class QApplication;

namespace orvane {

// The desktop's side of an action started from a launcher or a file manager, which has no window
// of its own: the window's open panel asks for the photo, and a message box stands in for a
// notifier that is missing. The application object is made, as the window's is, the first time
// either is needed (unless the process has one already), and lives as long as this.
class ActionDesktop {
public:
    explicit ActionDesktop(std::string program);
    ~ActionDesktop();
    ActionDesktop(const ActionDesktop&) = delete;
    ActionDesktop& operator=(const ActionDesktop&) = delete;

    // The photo chosen in a panel titled `title`; none when the panel was cancelled.
    std::optional<std::filesystem::path> askForPhoto(const std::string& title);
    // Shows `message` in a box titled `title` until it is closed.
    void showMessage(const std::string& title, const std::string& message);

private:
    void makeApplication();

    // Qt is given the program's name alone: the action's own arguments are not its options.
    std::string program_;
    int argc_ = 1;
    char* argv_[2] = {nullptr, nullptr};
    std::unique_ptr<QApplication> application_;
};

} // namespace orvane
