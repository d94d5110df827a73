#include "tests/support/TemporaryDirectory.h"
#include "tests/ui/support/DesktopFakes.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/desktop/ShareMenu.h"

#include <QDBusConnection>
#include <QMessageBox>
#include <QUrl>
#include <fstream>

namespace orvane {
namespace {

namespace fs = std::filesystem;

// A menu in a window, as the result card and the job detail screen hold it.
struct Shared {
    Shared() {
        std::ofstream(file) << "a photo";
        window.resize(400, 300);
        window.show();
        menu->setFile(file);
    }
    QAction* openItem() const { return menu->findChild<QAction*>("shareOpenWith"); }
    QMessageBox* message() const { return window.findChild<QMessageBox*>("fileNotOpened"); }

    test::TemporaryDirectory folder;
    fs::path file = folder / "beach-4x.png";
    QWidget window;
    ShareMenu* menu = new ShareMenu(&window);
};

TEST(ShareMenu, WithoutAPortalOpensTheDefaultProgramAndSaysWhereTheFileIsWhenThereIsNone) {
    Shared shared;
    // No portal on a bus that isn't there: the item says what it does.
    shared.menu->setBus(QDBusConnection(QStringLiteral("no bus")));
    EXPECT_EQ(shared.openItem()->text(), "Open");

    // Opened; or opened by a viewer that then ended with an error of its own (4), or given a file
    // that was meanwhile removed (2): a program was there, and it is not for the window to say
    // there was none.
    for (const int status : {0, 4, 2}) {
        test::FakeOpener opener(status);
        shared.openItem()->trigger();
        ASSERT_TRUE(test::waitFor([&] { return opener.opened().size() == 1; })) << status;
        EXPECT_EQ(QUrl(opener.opened().front()).toLocalFile().toStdString(), shared.file.string());
        QTest::qWait(100);
        EXPECT_EQ(shared.message(), nullptr) << status;
    }
    // xdg-open found no program for it, or is missing altogether.
    for (const bool openerMissing : {false, true}) {
        test::FakeOpener opener(3);
        const QByteArray path = qgetenv("PATH");
        if (openerMissing) {
            qputenv("PATH", "/nonexistent");
        }
        shared.openItem()->trigger();
        QMessageBox* message = nullptr;
        EXPECT_TRUE(test::waitFor([&] { return (message = shared.message()) != nullptr; }));
        qputenv("PATH", path);
        ASSERT_NE(message, nullptr);
        EXPECT_EQ(message->text(), "The file couldn't be opened");
        EXPECT_EQ(message->informativeText().toStdString(),
                  "No program on this computer opens this kind of file. You can open the file yourself: " +
                      shared.file.string());
        EXPECT_EQ(message->parentWidget(), &shared.window);
        delete message;
    }
}

TEST(ShareMenu, WithAPortalLetsThePersonChooseTheProgram) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning()) << "dbus-daemon is needed";
    Shared shared;
    shared.menu->setBus(bus.client());
    EXPECT_EQ(shared.openItem()->text(), "Open");
    test::FakePortal portal(bus);
    shared.menu->setBus(bus.client());
    EXPECT_EQ(shared.openItem()->text(), "Open With…");

    test::FakeOpener opener(3);
    shared.openItem()->trigger();
    ASSERT_TRUE(test::waitFor([&] { return portal.calls.size() == 1; }));
    EXPECT_EQ(portal.calls[0].file.toStdString(), shared.file.string());
    EXPECT_EQ(portal.calls[0].options.value("ask"), QVariant(true));
    EXPECT_EQ(portal.calls[0].parentWindow, ""); // no X11 window offscreen
    // The person chose a program, or cancelled: nothing more happens.
    portal.response = 1;
    shared.openItem()->trigger();
    ASSERT_TRUE(test::waitFor([&] { return portal.calls.size() == 2; }));
    QTest::qWait(100);
    EXPECT_TRUE(opener.opened().isEmpty());
    EXPECT_EQ(shared.message(), nullptr);

    // The portal found nothing, or refused: the default program is tried, and the person told.
    for (const bool refuse : {false, true}) {
        portal.response = 2;
        portal.refuse = refuse;
        shared.openItem()->trigger();
        QMessageBox* message = nullptr;
        EXPECT_TRUE(test::waitFor([&] { return (message = shared.message()) != nullptr; })) << refuse;
        ASSERT_NE(message, nullptr);
        EXPECT_TRUE(message->informativeText().endsWith(QString::fromStdString(shared.file.string())));
        delete message;
    }
    EXPECT_EQ(opener.opened().size(), 2);
}

} // namespace
} // namespace orvane
