#include "ui/job/ResultCard.h"

#include "editor/EditorModel.h"
#include "ui/controls/ActionButton.h"
#include "ui/controls/SectionLabel.h"
#include "ui/controls/SegmentedPicker.h"
#include "ui/controls/Spinner.h"
#include "ui/controls/TextLabel.h"
#include "ui/desktop/SaveCopyPanel.h"
#include "ui/desktop/ShareMenu.h"
#include "ui/job/ResultDescription.h"
#include "ui/look/Painting.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QShortcut>
#include <QVBoxLayout>

namespace orvane {

ResultCard::ResultCard(EditorModel& model, std::function<void(const QString&)> onSaved, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , onSaved_(std::move(onSaved)) {
    setObjectName("resultCard");

    size_ = new TextLabel(QString(), Theme::TextStyle::headline);
    size_->setObjectName("resultSize");
    size_->setFont(Theme::monospacedDigitFont(Theme::TextStyle::headline, QFont::DemiBold));
    detail_ = TextLabel::secondary(QString(), Theme::TextStyle::caption);
    detail_->setObjectName("resultDetail");
    detail_->setWordWrap(true);
    auto* info = new QVBoxLayout;
    info->setSpacing(2);
    info->addWidget(size_);
    info->addWidget(detail_);

    QStringList formats;
    for (const ExportFormat format : allCases<ExportFormat>()) {
        formats << QString::fromLatin1(rawValue(format).data(),
                                       static_cast<qsizetype>(rawValue(format).size()))
                       .toUpper();
    }
    formatPicker_ = new SegmentedPicker(formats);
    formatPicker_->setObjectName("formatPicker");
    formatPicker_->setAccessibleName(QStringLiteral("Format"));
    connect(formatPicker_, &SegmentedPicker::activated, this, [this](int index) {
        model_.setFormat(allCases<ExportFormat>()[static_cast<std::size_t>(index)]);
    });

    alphaNote_ = new TextLabel(QStringLiteral("Only PNG keeps the transparent background."),
                               Theme::TextStyle::caption, QFont::Normal, Theme::orange);
    alphaNote_->setObjectName("alphaNote");
    alphaNote_->setWordWrap(true);

    saveButton_ = new ActionButton(QStringLiteral("Save…"), QStringLiteral("square.and.arrow.down"),
                                   ActionButton::Look::prominent, ActionButton::ControlSize::large);
    saveButton_->setObjectName("saveButton");
    saveButton_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(saveButton_, &QPushButton::clicked, this, &ResultCard::save);
    // Ctrl+S works anywhere in the window, but only while the button could be pressed.
    auto* shortcut = new QShortcut(QKeySequence::Save, saveButton_, nullptr, nullptr, Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [this] {
        if (saveButton_->isEnabled() && saveButton_->isVisible()) {
            save();
        }
    });

    shareMenu_ = new ShareMenu(this);
    shareButton_ = new ActionButton(QStringLiteral("Share"), QStringLiteral("square.and.arrow.up"),
                                    ActionButton::Look::bordered, ActionButton::ControlSize::large);
    shareButton_->setObjectName("shareButton");
    shareButton_->setMenu(shareMenu_);

    preparing_ = new QWidget;
    preparing_->setObjectName("exportPreparing");
    preparing_->setFixedWidth(60);
    auto* preparingLayout = new QHBoxLayout(preparing_);
    preparingLayout->setContentsMargins(0, 0, 0, 0);
    preparingLayout->addWidget(new Spinner(16), 0, Qt::AlignCenter);

    actionRow_ = new QWidget;
    actionRow_->setObjectName("resultActions");
    auto* row = new QHBoxLayout(actionRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(saveButton_, 1);
    row->addWidget(shareButton_);
    row->addWidget(preparing_);

    auto* keep = new ActionButton(QStringLiteral("Keep & continue editing"),
                                  QStringLiteral("arrow.uturn.forward"), ActionButton::Look::borderless);
    keep->setObjectName("keepButton");
    keep->setFont(Theme::font(Theme::TextStyle::callout));
    keep->setStretchesContent(false);
    keep->setToolTip(QStringLiteral("Use this result as the new starting photo"));
    connect(keep, &QPushButton::clicked, this, [this] { model_.useResultAsSource(); });

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 14, 14, 14);
    column->setSpacing(12);
    column->addWidget(new SectionLabel(QStringLiteral("Result")));
    column->addLayout(info);
    column->addWidget(formatPicker_);
    column->addWidget(alphaNote_);
    column->addWidget(actionRow_);
    column->addWidget(keep, 0, Qt::AlignLeft);

    connect(&model_, &EditorModel::resultInfoChanged, this, &ResultCard::refresh);
    connect(&model_, &EditorModel::exportURLChanged, this, &ResultCard::refresh);
    connect(&model_, &EditorModel::formatChanged, this, &ResultCard::refresh);
    refresh();
}

void ResultCard::refresh() {
    const bool ready = model_.exportURL().has_value();
    actionRow_->setEnabled(ready);
    shareButton_->setVisible(ready);
    preparing_->setVisible(!ready);
    shareMenu_->setFile(model_.exportURL());

    const std::optional<ResultInfo>& info = model_.resultInfo();
    if (!info) {
        return;
    }
    size_->setText(ResultDescription::sizeLine(*info));
    detail_->setText(ResultDescription::detailLine(*info));
    const bool converted = info->convertedBytes.has_value();
    formatPicker_->setVisible(!converted);
    formatPicker_->setCurrentIndex(static_cast<int>(model_.format()));
    alphaNote_->setVisible(!converted && info->hasAlpha && model_.format() != ExportFormat::png);
}

void ResultCard::save() {
    const std::optional<std::filesystem::path> file = model_.exportURL();
    if (!file) {
        return;
    }
    SaveCopyPanel::present(
        this, *file, [this] { onSaved_(QStringLiteral("Saved")); },
        [this](const QString& message) { model_.setErrorMessage(message); });
}

void ResultCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Painting::fillRoundedRect(painter, rect(), 14, Theme::secondaryFill(0.08));
}

} // namespace orvane
