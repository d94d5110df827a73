#include "ui/desktop/MessageBoxWidth.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QSpacerItem>
#include <QStyle>

namespace orvane {
namespace {

// Wider than this, a line of text is hard to follow.
constexpr int readableWidth = 460;
constexpr int textSlack = 8;
// The window manager's icon and buttons beside the title, with their margins.
constexpr int titleBarExtras = 150;

// The box's width, as an item of its layout; Qt builds the layout anew when the box gains a part,
// so it is looked for each time rather than kept.
class WidthSpacer : public QSpacerItem {
public:
    explicit WidthSpacer(int width)
        : QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum) {}
};

// The text's width on one line, and the width of its longest word (a path), which can't wrap.
struct TextWidths {
    int line = 0;
    int longestWord = 0;
};

TextWidths widthsOf(const QString& text, const QFontMetrics& metrics) {
    TextWidths widths;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        widths.line = std::max(widths.line, metrics.horizontalAdvance(line));
        for (const QString& word : line.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            widths.longestWord = std::max(widths.longestWord, metrics.horizontalAdvance(word));
        }
    }
    return widths;
}

} // namespace

void fitMessageBoxToText(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) {
        return;
    }
    const auto label = [&](const char* name) {
        const auto* found = box.findChild<QLabel*>(QString::fromLatin1(name));
        return found != nullptr ? found : static_cast<const QWidget*>(&box);
    };
    const TextWidths informative =
        widthsOf(box.informativeText(), label("qt_msgbox_informativelabel")->fontMetrics());
    const TextWidths heading = widthsOf(box.text(), label("qt_msgbox_label")->fontMetrics());
    // A little over the text's own advance, which a label's layout rounds and pads.
    const int text = std::max({std::min(informative.line, readableWidth), informative.longestWord,
                               std::min(heading.line, readableWidth), heading.longestWord}) +
                     textSlack;

    // The title as the window manager shows it: Qt adds the application's name.
    QString title = box.windowTitle();
    const QString application = QGuiApplication::applicationDisplayName();
    if (!application.isEmpty() && title != application) {
        title += QStringLiteral(" — ") + application;
    }
    QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    titleFont.setBold(true);
    const int titleWidth = QFontMetrics(titleFont).horizontalAdvance(title) + titleBarExtras;

    // The text column starts after the icon; the box's margins are around it all.
    int iconColumn = 0;
    if (const auto* icon = box.findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label"));
        icon != nullptr && !box.iconPixmap().isNull()) {
        iconColumn = icon->sizeHint().width() + grid->horizontalSpacing();
    }
    // The width goes to the text's column, the last; the icon's is before it.
    const QMargins margins = grid->contentsMargins();
    int wanted = std::max(titleWidth, text + iconColumn + margins.left() + margins.right());
    if (const QScreen* screen = box.screen()) {
        wanted = std::min(wanted, screen->availableGeometry().width() - 80);
    }
    const int column = grid->columnCount() - 1;
    const int spacerWidth = wanted - margins.left() - margins.right() - (column > 0 ? iconColumn : 0);

    for (int index = 0; index < grid->count(); ++index) {
        if (auto* spacer = dynamic_cast<WidthSpacer*>(grid->itemAt(index))) {
            spacer->changeSize(spacerWidth, 0, QSizePolicy::Minimum, QSizePolicy::Minimum);
            grid->invalidate();
            return;
        }
    }
    grid->addItem(new WidthSpacer(spacerWidth), grid->rowCount(), column);
}

} // namespace orvane
