#include "editor/EditorModel.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/ui/support/DesktopFakes.h"
#include "tests/ui/support/GalleryJobs.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/controls/ActionButton.h"
#include "ui/desktop/FileManager.h"
#include "ui/gallery/GalleryDetailView.h"
#include "ui/sheets/BatchView.h"

#include <QMessageBox>
#include <QUrl>

namespace orvane {
namespace {

namespace fs = std::filesystem;

// With no file manager on the bus, the folder is opened; where nothing opens folders either, the
// person is told where it is.
QMessageBox* folderMessage(const QWidget& over) {
    QMessageBox* message = nullptr;
    test::waitFor(
        [&] { return (message = over.window()->findChild<QMessageBox*>("folderNotOpened")) != nullptr; });
    return message;
}

TEST(FileManager, ShowInFolderOpensTheFolderOrSaysWhereItIs) {
    test::TemporaryDirectory folder;
    test::writeJobs(folder / "Jobs", 1);
    test::LoadedGallery jobs(folder / "Jobs");
    GalleryDetailView detail(jobs.gallery, jobs.gallery.records().front(), GalleryDetailView::Actions{});
    detail.show();
    const QString jobFolder = QString::fromStdString(detail.resultFile().parent_path().string());
    {
        test::FakeOpener opener(0);
        test::child<ActionButton>(detail, "showInFolderButton")->click();
        ASSERT_TRUE(test::waitFor([&] { return opener.opened().size() == 1; }));
        EXPECT_EQ(QUrl(opener.opened().front()).toLocalFile(), jobFolder);
    }
    {
        test::FakeOpener opener(3);
        test::child<ActionButton>(detail, "showInFolderButton")->click();
        QMessageBox* message = folderMessage(detail);
        ASSERT_NE(message, nullptr);
        EXPECT_EQ(message->text(), "The folder couldn't be opened");
        EXPECT_EQ(message->informativeText(),
                  "No program on this computer shows folders. You can open the folder yourself: " +
                      jobFolder);
    }

    // The batch sheet's folder is the output folder, even when no file was converted into it.
    EditorModel model;
    model.setBatch(BatchState::fresh({}, folder / "out"));
    model.modifyBatch([](BatchState& state) { state.finished = true; });
    BatchView sheet(model, [](const QString&) {});
    sheet.show();
    test::FakeOpener opener(3);
    test::child<ActionButton>(sheet, "showInFolderButton")->click();
    QMessageBox* message = folderMessage(sheet);
    ASSERT_NE(message, nullptr);
    EXPECT_TRUE(message->informativeText().endsWith(QString::fromStdString((folder / "out").string())));
}

} // namespace
} // namespace orvane
