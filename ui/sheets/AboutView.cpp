#include "ui/sheets/AboutView.h"

#include "platform/application/AppVersion.h"
#include "platform/application/ApplicationResources.h"
#include "ui/controls/ActionButton.h"
#include "ui/controls/ScrollColumn.h"
#include "ui/controls/SectionLabel.h"
#include "ui/controls/SymbolBadge.h"
#include "ui/controls/TextLabel.h"
#include "ui/desktop/LinkOpener.h"
#include "ui/look/Theme.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <utility>

namespace orvane {
namespace {

// The version and build number this program was built as.
QWidget* section(const QString& title, QWidget* content) {
    auto* block = new QWidget;
    auto* stack = new QVBoxLayout(block);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(8);
    if (!title.isEmpty()) {
        stack->addWidget(new SectionLabel(title));
    }
    stack->addWidget(content);
    return block;
}

QWidget* header() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    layout->addWidget(new SymbolBadge(QStringLiteral("photo.on.rectangle.angled"),
                                      Theme::font(Theme::TextStyle::largeTitle), Theme::accent),
                      0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(new TextLabel(QStringLiteral("Orvane Diruvado"), Theme::TextStyle::headline));
    auto* version = TextLabel::secondary("Version " + AboutView::versionText(), Theme::TextStyle::caption);
    version->setObjectName("aboutVersion");
    texts->addWidget(version);
    texts->addWidget(TextLabel::secondary(QStringLiteral("Your photos never leave your device."),
                                          Theme::TextStyle::caption));
    layout->addLayout(texts, 1);
    return row;
}

QWidget* helpLinks() {
    auto* links = new QWidget;
    auto* stack = new QVBoxLayout(links);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(4);
    const auto folder = ApplicationResources::helpFolder();
    const std::pair<const char*, const char*> pages[] = {
        {"Support", "support.html"}, {"Privacy Policy", "privacy.html"}, {"Terms & License", "terms.html"}};
    for (const auto& [title, file] : pages) {
        auto* link = new ActionButton(QString::fromUtf8(title), std::nullopt, ActionButton::Look::borderless);
        link->setObjectName(QStringLiteral("helpLink-%1").arg(QString::fromLatin1(file).section('.', 0, 0)));
        const QString path = folder ? QString::fromStdString((*folder / file).string()) : QString();
        if (path.isEmpty() || !QFile::exists(path)) {
            link->setEnabled(false);
            link->setToolTip(QStringLiteral("This page is missing from the installation."));
        }
        QObject::connect(link, &QAbstractButton::clicked, link,
                         [link, path] { LinkOpener::openOrSay(path, LinkOpener::Target::page, link); });
        stack->addWidget(link, 0, Qt::AlignLeft);
    }
    return links;
}

QWidget* notices() {
    auto* text = TextLabel::secondary(AboutView::noticesText(), Theme::TextStyle::caption);
    text->setObjectName("aboutNotices");
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(Theme::font(Theme::TextStyle::caption).pointSizeF());
    text->setFont(font);
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return text;
}

} // namespace

QString AboutView::versionText() {
    return QString::fromStdString(AppVersion::versionText());
}

QString AboutView::noticesText() {
    QFile file(QStringLiteral(":/notices.txt"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

AboutView::AboutView(QWidget* parent)
    : SheetDialog(sheetSize, Height::fixed, parent) {
    setObjectName("aboutView");
    setWindowTitle(QStringLiteral("About"));

    auto* content = new QWidget;
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(20, 20, 20, 20);
    stack->setSpacing(22);
    stack->addWidget(section({}, header()));
    stack->addWidget(section(QStringLiteral("Help"), helpLinks()));
    stack->addWidget(section(QStringLiteral("Open-source notices"), notices()));
    stack->addStretch(1);

    QScrollArea* scroll = verticalScrollArea(content);
    scroll->setObjectName("aboutScroll");

    auto* buttons = new QDialogButtonBox;
    auto* done = buttons->addButton(QStringLiteral("Done"), QDialogButtonBox::AcceptRole);
    done->setObjectName("aboutDoneButton");
    done->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->addWidget(scroll, 1);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(20, 0, 20, 0);
    bar->addWidget(buttons);
    layout->addLayout(bar);
}

} // namespace orvane
