#include "editor/JobGallery.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/ui/support/WindowTestSupport.h"
#include "ui/desktop/LinkOpener.h"
#include "ui/window/ContentView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>

namespace orvane {
namespace {

// The label that holds the box's explanation.
QLabel* explanation(const QMessageBox& box) {
    for (QLabel* label : box.findChildren<QLabel*>()) {
        if (label->text() == box.informativeText()) {
            return label;
        }
    }
    return nullptr;
}

bool onOneLine(const QLabel& label) {
    return label.heightForWidth(label.width()) <= label.heightForWidth(10000);
}

// The whole title as the window manager draws it, with the application's name Qt adds.
bool titleFits(const QMessageBox& box) {
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    const QString title =
        box.windowTitle() + QStringLiteral(" — ") + QGuiApplication::applicationDisplayName();
    return box.width() >= QFontMetrics(font).horizontalAdvance(title) + 100;
}

// Qt sizes a message box by its heading: a short explanation wrapped into a thin column under a
// cut title ("Somethi… — Orvane"), a path cut off. Each box is as wide as its text and title need.
TEST(MessageBoxWidth, BoxesAreAsWideAsTheirTextAndTitle) {
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Orvane"));
    test::TemporaryDirectory folder;
    JobGallery gallery(folder / "Jobs");
    ContentView window(&gallery);
    window.resize(ContentView::defaultSize);
    window.show();

    window.model().setErrorMessage(QStringLiteral("That file couldn't be opened as an image."));
    auto* alert = test::child<QMessageBox>(window, "errorAlert");
    ASSERT_NE(alert, nullptr);
    ASSERT_TRUE(test::waitFor([&] { return alert->isVisible(); }));
    QLabel* text = explanation(*alert);
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(onOneLine(*text)) << text->width();
    EXPECT_TRUE(titleFits(*alert)) << alert->width();
    const int shortWidth = alert->width();

    // A longer message that follows while the alert is up wraps in a readable column, not wider
    // than the window allows.
    const QString longer = QStringLiteral("Couldn't prepare the file: ") +
                           QString(30, QLatin1Char(' ')).replace(QLatin1Char(' '), "word ");
    window.model().setErrorMessage(longer);
    QTest::qWait(20);
    EXPECT_EQ(alert->informativeText(), longer);
    EXPECT_FALSE(onOneLine(*explanation(*alert)));
    EXPECT_GT(alert->width(), shortWidth);
    EXPECT_LE(alert->width(), 640);
    alert->button(QMessageBox::Ok)->click();

    // A long path is never cut: the column is at least as wide as it.
    const QString path = QStringLiteral("/home/someone/Pictures/Holidays-2024-Portugal-and-Spain/"
                                        "beach-at-sunset-enlarged-4x.png");
    LinkOpener::sayCannotOpen(&window, LinkOpener::Target::file, path);
    auto* message = test::child<QMessageBox>(window, "fileNotOpened");
    ASSERT_NE(message, nullptr);
    ASSERT_TRUE(test::waitFor([&] { return message->isVisible(); }));
    text = explanation(*message);
    ASSERT_NE(text, nullptr);
    EXPECT_GE(text->width(), QFontMetrics(text->font()).horizontalAdvance(path)) << text->width();
    EXPECT_TRUE(titleFits(*message)) << message->width();
    delete message;
}

} // namespace
} // namespace orvane
