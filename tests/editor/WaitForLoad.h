#pragma once

// Loads decode on worker threads and are applied through the event loop; tests wait for that
// before they look at the outcome.

#include "editor/EditorModel.h"
#include "editor/JobGallery.h"

#include <QCoreApplication>
#include <QTest>
#include <QThreadPool>

namespace orvane::test {

inline constexpr int loadWaitLimitMs = 60'000;

// Until the editor's load (or the preview of its new source) has been applied.
inline bool waitForLoad(const EditorModel& model) {
    return QTest::qWaitFor([&] { return !model.isLoading(); }, loadWaitLimitMs);
}

// Until the gallery's latest reading of its folder has been applied.
inline bool waitForLoad(const JobGallery& gallery) {
    if (!QTest::qWaitFor([&] { return gallery.isLoaded(); }, loadWaitLimitMs)) {
        return false;
    }
    // A later reading has no flag of its own: let it end and deliver its records.
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::sendPostedEvents();
    return true;
}

} // namespace orvane::test
