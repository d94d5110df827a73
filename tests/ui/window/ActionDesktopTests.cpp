#include "tests/support/TemporaryDirectory.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/window/ActionDesktop.h"

#include <QFileDialog>
#include <QMessageBox>

namespace orvane {
namespace {

namespace fs = std::filesystem;

TEST(ActionDesktop, AsksForThePhotoInTheWindowsOpenPanel) {
    test::TemporaryDirectory folder;
    const fs::path photo = test::writePhoto(folder / "beach.jpg");
    ActionDesktop desktop("orvane");

    QString title;
    QStringList filters;
    test::answerNextModal([&](QWidget* dialog) {
        auto* panel = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(panel, nullptr);
        title = panel->windowTitle();
        filters = panel->nameFilters();
        EXPECT_EQ(panel->fileMode(), QFileDialog::ExistingFile);
        panel->selectFile(QString::fromStdString(photo.string()));
        static_cast<QDialog*>(panel)->accept(); // as "Open" does
    });
    EXPECT_EQ(desktop.askForPhoto("Enlarge Image"), photo);
    EXPECT_EQ(title, "Enlarge Image");
    ASSERT_EQ(filters.size(), 1);
    EXPECT_TRUE(filters.front().contains("*.jpg") && filters.front().contains("*.heic"))
        << filters.front().toStdString();

    // The next panel starts where this photo was found; cancelling it chooses nothing.
    QString started;
    test::answerNextModal([&](QWidget* dialog) {
        started = qobject_cast<QFileDialog*>(dialog)->directory().absolutePath();
        qobject_cast<QFileDialog*>(dialog)->reject();
    });
    EXPECT_EQ(desktop.askForPhoto("Convert Image"), std::nullopt);
    EXPECT_EQ(started.toStdString(), folder.path().string());
}

TEST(ActionDesktop, ShowsAFailureUntilItIsRead) {
    ActionDesktop desktop("orvane");
    QString title;
    QString text;
    test::answerNextModal([&](QWidget* dialog) {
        auto* message = qobject_cast<QMessageBox*>(dialog);
        ASSERT_NE(message, nullptr);
        EXPECT_EQ(message->objectName(), "actionFailed");
        title = message->windowTitle();
        text = message->text();
        message->accept();
    });
    desktop.showMessage("Convert Image", "That file isn't an image Orvane can read.");
    EXPECT_EQ(title, "Convert Image");
    EXPECT_EQ(text, "That file isn't an image Orvane can read.");
}

} // namespace
} // namespace orvane
