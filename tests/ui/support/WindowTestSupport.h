#pragma once

#include "editor/EditorModel.h"
#include "editor/JobGallery.h"

#include <QTest>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace orvane::test {

// Writes a JPEG photo of the given size and returns its path.
std::filesystem::path writePhoto(const std::filesystem::path& path, int width = 320, int height = 240);

// Runs the event loop until `condition` holds or `milliseconds` pass; whether it held.
template <typename Condition> bool waitFor(Condition condition, int milliseconds = 15000) {
    return QTest::qWaitFor(condition, milliseconds);
}

// Until the model has finished loading its photo.
inline bool waitUntilLoaded(const EditorModel& model) {
    return waitFor([&] { return !model.isLoading(); });
}

// The one descendant of `root` with that object name and type; fails the test when missing.
template <typename Widget = QWidget> Widget* child(const QObject& root, const char* name) {
    auto* found = root.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << "no " << name;
    return found;
}

// Until the gallery has read its folder, so that records set by a test aren't replaced by it.
inline bool waitUntilLoaded(const JobGallery& gallery) {
    return waitFor([&] { return gallery.isLoaded(); });
}

// Whether the widget would be seen: it and every ancestor up to its window are visible.
inline bool isShown(const QWidget* widget) {
    return widget && widget->isVisibleTo(widget->window()) && widget->window()->isVisible();
}

// Runs `answer` on the modal dialog that shows next (a panel or a message run with exec()), in
// place of the person.
void answerNextModal(std::function<void(QWidget* dialog)> answer);

} // namespace orvane::test
