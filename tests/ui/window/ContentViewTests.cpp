#include "editor/JobGallery.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/job/EditorPage.h"
#include "ui/window/ContentView.h"
#include "ui/window/OrvaneApp.h"
#include "ui/window/SavedNotice.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QWindow>

namespace orvane {
namespace {

struct Window {
    test::TemporaryDirectory folder;
    JobGallery gallery{folder / "Jobs"};
    ContentView view{&gallery};
    Window() {
        view.resize(ContentView::defaultSize);
        view.show();
    }
    QList<QUrl> urls(std::initializer_list<std::filesystem::path> paths) const {
        QList<QUrl> result;
        for (const auto& path : paths) {
            result << QUrl::fromLocalFile(QString::fromStdString(path.string()));
        }
        return result;
    }
};

TEST(ContentView, OneDroppedFileLoadsWithoutChangingTheScreen) {
    Window window;
    window.view.openGallery();
    const auto photo = test::writePhoto(window.folder / "one.jpg");
    EXPECT_TRUE(window.view.handleDrop(window.urls({photo})));
    ASSERT_TRUE(test::waitUntilLoaded(window.view.model()));
    EXPECT_TRUE(window.view.model().original().has_value());
    EXPECT_TRUE(std::holds_alternative<GalleryScreen>(window.view.screen()));
    EXPECT_FALSE(window.view.handleDrop({}));
}

TEST(ContentView, TwoFilesOrAFolderOpenTheBatchPresetAndAskForAFolder) {
    for (const bool asFolder : {false, true}) {
        Window window;
        std::filesystem::create_directory(window.folder / "in");
        const auto first = test::writePhoto(window.folder / "in" / "a.jpg");
        const auto second = test::writePhoto(window.folder / "in" / "b.jpg");
        const QList<QUrl> dropped =
            asFolder ? window.urls({window.folder / "in"}) : window.urls({first, second});
        EXPECT_TRUE(window.view.handleDrop(dropped));
        EXPECT_TRUE(std::holds_alternative<JobScreen>(window.view.screen()));
        ASSERT_TRUE(window.view.model().focus().has_value());
        EXPECT_EQ(window.view.model().focus()->id, "batch");
        auto* panel = test::child<QFileDialog>(window.view, "batchFolderPanel");
        ASSERT_NE(panel, nullptr);
        EXPECT_TRUE(panel->windowTitle().startsWith("Choose where to save 2 converted files"));
        panel->reject();
        EXPECT_FALSE(window.view.model().batch().has_value());
        EXPECT_EQ(test::child<EditorPage>(window.view, "editorPage")->layout(), EditorPage::Layout::batch);
    }
}

TEST(ContentView, GoingHomeCancelsTheJobClearsTheResultAndKeepsThePhoto) {
    Window window;
    const auto photo = test::writePhoto(window.folder / "one.jpg");
    window.view.model().loadFile(photo);
    ASSERT_TRUE(test::waitUntilLoaded(window.view.model()));
    window.view.openJob(*JobPreset::find("to-jpg"));
    EXPECT_EQ(window.view.model().tool(), Tool::convert);
    window.view.model().run();
    EXPECT_TRUE(window.view.model().progress().has_value());
    QTest::mouseClick(test::child<QPushButton>(window.view, "backButton"), Qt::LeftButton);
    EXPECT_TRUE(std::holds_alternative<HomeScreen>(window.view.screen()));
    EXPECT_FALSE(window.view.model().progress().has_value());
    EXPECT_FALSE(window.view.model().job().has_value() && window.view.model().progress());
    EXPECT_FALSE(window.view.model().focus().has_value());
    EXPECT_TRUE(window.view.model().original().has_value());
}

TEST(ContentView, TheAlertShowsEachFailureAndItsOkClearsTheMessage) {
    Window window;
    window.view.model().setErrorMessage(QStringLiteral("That file couldn't be opened as an image."));
    auto* alert = test::child<QMessageBox>(window.view, "errorAlert");
    ASSERT_NE(alert, nullptr);
    // The heading is in the alert's body, since many window managers show no title on a dialog.
    EXPECT_EQ(alert->windowTitle(), "Something went wrong");
    EXPECT_EQ(alert->text(), "Something went wrong");
    EXPECT_EQ(alert->informativeText(), "That file couldn't be opened as an image.");
    alert->button(QMessageBox::Ok)->click();
    EXPECT_FALSE(window.view.model().errorMessage().has_value());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window.view.model().setErrorMessage(QStringLiteral("Again."));
    alert = test::child<QMessageBox>(window.view, "errorAlert");
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->informativeText(), "Again.");
}

TEST(ContentView, EachSavedNoticeTimerClearsWhateverShowsBelowTheHeader) {
    Window window;
    auto* notice = test::child<SavedNotice>(window.view, "savedNotice");
    window.view.showSaved("Saved");
    // Once it has slid in, it lies in the content area, clear of the header row.
    QTest::qWait(400);
    const QWidget* header = test::child(window.view, "headerBar");
    EXPECT_GE(notice->mapTo(&window.view, QPoint(0, 0)).y(), header->geometry().bottom() + 1);
    QTest::qWait(SavedNotice::showMilliseconds * 3 / 4);
    window.view.showSaved("Saved again");
    EXPECT_EQ(notice->message(), "Saved again");
    // The first timer fires a quarter of the time later and takes the second text with it.
    EXPECT_TRUE(test::waitFor([&] { return !notice->message(); }, SavedNotice::showMilliseconds / 2));
}

TEST(ContentView, WebLinksAreNeitherTakenNorLightTheDropFrame) {
    Window window;
    const QList<QUrl> link{QUrl("https://example.com/photo.jpg")};
    EXPECT_FALSE(window.view.handleDrop(link));
    EXPECT_FALSE(window.view.model().isLoading());
    EXPECT_FALSE(window.view.model().errorMessage().has_value());

    const auto drag = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window.view, &enter);
        const bool accepted = enter.isAccepted() && window.view.dropTargeted();
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(&window.view, &leave);
        return accepted;
    };
    EXPECT_FALSE(drag(link));
    const auto photo = test::writePhoto(window.folder / "one.jpg");
    EXPECT_FALSE(drag(window.urls({photo}) + link));
    EXPECT_TRUE(drag(window.urls({photo, window.folder.path()})));
}

TEST(ContentView, CtrlWClosesTheWindowAndCtrlQClosesEveryWindow) {
    Window window;
    window.view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window.view));
    QTest::keyClick(&window.view, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window.view.isVisible());

    Window another;
    another.view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&another.view));
    QTest::keyClick(&another.view, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(another.view.isVisible());
}

TEST(ContentView, UsingAJobInANewJobLoadsItsResultAtHomeWithoutAPreset) {
    Window window;
    window.view.openJob(*JobPreset::find("enlarge-4"));
    const auto photo = test::writePhoto(window.folder / "result.jpg");
    window.view.useInNewJob(photo);
    ASSERT_TRUE(test::waitUntilLoaded(window.view.model()));
    EXPECT_TRUE(std::holds_alternative<HomeScreen>(window.view.screen()));
    EXPECT_FALSE(window.view.model().focus().has_value());
    EXPECT_TRUE(window.view.model().original().has_value());
}

} // namespace
} // namespace orvane

namespace orvane {
namespace {

// Quitting closes the window: a running job and a running batch are cancelled, not waited for.
TEST(ContentView, ClosingTheWindowCancelsWhatRunsForIt) {
    const TaskHandle job;
    const TaskHandle batch;
    {
        Window window;
        window.view.model().setJob(job);
        window.view.model().setBatchJob(batch);
    }
    EXPECT_TRUE(job.isCancelled());
    EXPECT_TRUE(batch.isCancelled());
}

// Files given on the command line wait for the window to be on the screen, so that a panel they
// ask for is placed over it.
TEST(OrvaneApp, FilesWaitForTheWindowToShow) {
    QWidget window;
    window.resize(400, 300);
    int calls = 0;
    OrvaneApp::whenShown(window, [&] { ++calls; });
    QTest::qWait(50);
    EXPECT_EQ(calls, 0);
    window.show();
    EXPECT_TRUE(test::waitFor([&] { return calls == 1; }));
    EXPECT_TRUE(window.windowHandle()->isExposed());
    // Once shown, it comes after the next frame.
    OrvaneApp::whenShown(window, [&] { ++calls; });
    EXPECT_TRUE(test::waitFor([&] { return calls == 2; }));
    QTest::qWait(50);
    EXPECT_EQ(calls, 2);
}

} // namespace
} // namespace orvane
