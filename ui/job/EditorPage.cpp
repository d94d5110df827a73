#include "ui/job/EditorPage.h"

#include "editor/EditorModel.h"
#include "ui/compare/CompareView.h"
#include "ui/controls/ActionButton.h"
#include "ui/controls/RoundedPanel.h"
#include "ui/controls/ScrollColumn.h"
#include "ui/controls/Spinner.h"
#include "ui/controls/SymbolBadge.h"
#include "ui/controls/TextLabel.h"
#include "ui/gallery/RecentJobsStrip.h"
#include "ui/job/ResultCard.h"
#include "ui/job/ToolPanel.h"
#include "ui/job/options/ConvertOptionsView.h"
#include "ui/look/Painting.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace orvane {
namespace {

// The empty state draws the dashed drop frame around itself while a drag hovers over the window.
class EmptyState : public QWidget {
public:
    using QWidget::QWidget;
    void setDropTargeted(bool targeted) {
        if (targeted_ != targeted) {
            targeted_ = targeted;
            update();
        }
    }
    bool dropTargeted() const { return targeted_; }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!targeted_) {
            return;
        }
        QPainter painter(this);
        Painting::strokeRoundedRect(painter, QRectF(rect()).adjusted(16, 16, -16, -16), 20, Theme::accent(),
                                    2, Qt::CustomDashLine);
    }

private:
    bool targeted_ = false;
};

// A black stage under the comparison.
class ComparisonPane : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Theme::withOpacity(Qt::black, 0.92));
    }
};

} // namespace

EditorPage::EditorPage(EditorModel& model, JobGallery& gallery, Actions actions, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , actions_(std::move(actions))
    , layouts_(new QStackedWidget) {
    setObjectName("editorPage");
    emptyState_ = makeEmptyState(gallery);
    batchLayout_ = makeBatchLayout();
    workArea_ = makeWorkArea();
    layouts_->addWidget(emptyState_);
    layouts_->addWidget(batchLayout_);
    layouts_->addWidget(workArea_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(layouts_);

    connect(&model_, &EditorModel::focusChanged, this, &EditorPage::updateLayout);
    connect(&model_, &EditorModel::originalChanged, this, &EditorPage::updateLayout);
    connect(&model_, &EditorModel::originalPreviewChanged, this, &EditorPage::updateComparison);
    connect(&model_, &EditorModel::resultPreviewChanged, this, &EditorPage::updateComparison);
    connect(&model_, &EditorModel::resultInfoChanged, this, &EditorPage::updateComparison);
    connect(&model_, &EditorModel::progressChanged, this, &EditorPage::updateComparison);
    connect(&model_, &EditorModel::isLoadingChanged, this, &EditorPage::updateComparison);
    updateLayout();
    updateComparison();
}

EditorPage::Layout EditorPage::layout() const {
    if (model_.focus() && model_.focus()->isBatch) {
        return Layout::batch;
    }
    return model_.original() ? Layout::work : Layout::empty;
}

void EditorPage::setDropTargeted(bool targeted) {
    static_cast<EmptyState*>(emptyState_)->setDropTargeted(targeted);
}

QWidget* EditorPage::makeEmptyState(JobGallery& gallery) {
    auto* state = new EmptyState;
    state->setObjectName("emptyState");
    const std::optional<JobPreset>& focus = model_.focus();
    const auto color = [section = focus ? std::optional(focus->section) : std::nullopt] {
        return section ? Theme::sectionColor(*section) : Theme::accent();
    };
    auto* symbol = new SymbolBadge(focus ? focus->symbol : QStringLiteral("photo.on.rectangle"),
                                   Theme::systemFont(40, QFont::DemiBold), color, 88, 22, 0.15);
    symbol->setObjectName("emptySymbol");
    auto* title = new TextLabel(focus ? focus->title : QStringLiteral("All tools"), Theme::TextStyle::title,
                                QFont::Bold);
    title->setObjectName("emptyTitle");
    auto* subtitle = TextLabel::secondary(
        focus ? focus->subtitle : QStringLiteral("Enlarge, remove backgrounds, enhance and convert."),
        Theme::TextStyle::callout);
    subtitle->setObjectName("emptySubtitle");
    subtitle->setAlignment(Qt::AlignCenter);
    subtitle->setWordWrap(true);

    auto* choose = new ActionButton(QStringLiteral("Choose photo"), QStringLiteral("photo.on.rectangle"),
                                    ActionButton::Look::prominent, ActionButton::ControlSize::large);
    choose->setObjectName("choosePhotoButton");
    choose->setMinimumWidth(140);
    auto* open = new ActionButton(QStringLiteral("Open file"), QStringLiteral("folder"),
                                  ActionButton::Look::bordered, ActionButton::ControlSize::large);
    open->setObjectName("openFileButton");
    open->setMinimumWidth(110);
    connect(choose, &QPushButton::clicked, this, [this] { actions_.showSource(); });
    connect(open, &QPushButton::clicked, this, [this] { actions_.showImporter(); });
    // Only while the empty state shows: a hidden widget's shortcut never fires.
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_O), choose);
    connect(shortcut, &QShortcut::activated, choose, &QPushButton::click);

    emptyButtons_ = new QWidget;
    emptyButtons_->setObjectName("emptyButtons");
    auto* buttons = new QHBoxLayout(emptyButtons_);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(12);
    buttons->addStretch(1);
    buttons->addWidget(choose);
    buttons->addWidget(open);
    buttons->addStretch(1);
    // While a photo is being opened it stands in for the buttons, as the home screen's card does.
    emptyLoading_ = new QWidget;
    emptyLoading_->setObjectName("emptyLoading");
    auto* loadingRow = new QHBoxLayout(emptyLoading_);
    loadingRow->setContentsMargins(0, 0, 0, 0);
    loadingRow->setSpacing(10);
    loadingRow->addStretch(1);
    loadingRow->addWidget(new Spinner(20));
    loadingRow->addWidget(
        TextLabel::secondary(QStringLiteral("Opening the photo…"), Theme::TextStyle::callout));
    loadingRow->addStretch(1);
    auto* dropHint = TextLabel::secondary(QStringLiteral("or drop an image here"), Theme::TextStyle::caption);
    auto* strip =
        new RecentJobsStrip(gallery, [this](const JobRecord& record) { actions_.loadRecord(record); });
    strip->setTopMargin(18);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(6);
    texts->addWidget(title, 0, Qt::AlignHCenter);
    texts->addWidget(subtitle);
    auto* column = new QVBoxLayout(state);
    column->setContentsMargins(32, 32, 32, 32);
    column->setSpacing(22);
    column->addStretch(1);
    column->addWidget(symbol, 0, Qt::AlignHCenter);
    column->addLayout(texts);
    column->addWidget(emptyButtons_);
    column->addWidget(emptyLoading_);
    column->addWidget(dropHint, 0, Qt::AlignHCenter);
    column->addWidget(strip, 0, Qt::AlignHCenter);
    column->addStretch(1);
    return state;
}

QWidget* EditorPage::makeBatchLayout() {
    auto* stack = new QWidget;
    stack->setMaximumWidth(520);
    auto* column = new QVBoxLayout(stack);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(18);
    auto* heading = new QVBoxLayout;
    heading->setSpacing(6);
    heading->addWidget(new TextLabel(QStringLiteral("Convert many"), Theme::TextStyle::title, QFont::Bold));
    auto* description = TextLabel::secondary(
        QStringLiteral(
            "Choose the format and size, then pick photos or a whole folder. Each file keeps its name."),
        Theme::TextStyle::callout);
    description->setWordWrap(true);
    heading->addWidget(description);
    column->addLayout(heading);
    auto* panel = new RoundedPanel([] { return Theme::secondaryFill(0.08); }, 16);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(16, 16, 16, 16);
    panelLayout->addWidget(new ConvertOptionsView(model_));
    column->addWidget(panel);
    column->addStretch(1);

    auto* scroll = verticalScrollArea(centred(stack));
    scroll->setObjectName("batchLayout");
    return scroll;
}

QWidget* EditorPage::makeWorkArea() {
    auto* comparison = new ComparisonPane;
    comparison->setObjectName("comparisonPane");
    comparison->setMinimumWidth(420);
    compare_ = new CompareView;
    progressBadge_ = new RoundedPanel([] { return Theme::withOpacity(QColor(40, 40, 40), 0.55); }, 14);
    progressBadge_->setObjectName("progressBadge");
    auto* spinner = new Spinner(32);
    spinner->setColor(Qt::white);
    auto* badgeLayout = new QVBoxLayout(progressBadge_);
    badgeLayout->setContentsMargins(18, 18, 18, 18);
    badgeLayout->addWidget(spinner);
    // The badge lies over the centre of the comparison.
    auto* stage = new QGridLayout(comparison);
    stage->setContentsMargins(8, 8, 8, 8);
    stage->addWidget(compare_, 0, 0);
    stage->addWidget(progressBadge_, 0, 0, Qt::AlignCenter);

    auto* side = new QWidget;
    side->setObjectName("sidePane");
    auto* column = new QVBoxLayout(side);
    column->setContentsMargins(18, 18, 18, 18);
    column->setSpacing(20);
    column->addWidget(new ToolPanel(model_));
    resultCard_ = new ResultCard(model_, [this](const QString& text) { actions_.showSaved(text); });
    column->addWidget(resultCard_);
    column->addStretch(1);
    sideScroll_ = verticalScrollArea(side);
    auto* sideScroll = sideScroll_;
    sideScroll->setObjectName("sidePaneScroll");
    sideScroll->setFixedWidth(320);
    // The side pane is drawn on the window's content background, as text fields are.
    side->setAutoFillBackground(true);
    side->setBackgroundRole(QPalette::Base);

    auto* split = new QSplitter(Qt::Horizontal);
    split->setObjectName("workArea");
    split->setChildrenCollapsible(false);
    split->addWidget(comparison);
    split->addWidget(sideScroll);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 0);
    return split;
}

void EditorPage::updateLayout() {
    switch (layout()) {
    case Layout::batch:
        layouts_->setCurrentWidget(batchLayout_);
        break;
    case Layout::work:
        layouts_->setCurrentWidget(workArea_);
        break;
    case Layout::empty:
        layouts_->setCurrentWidget(emptyState_);
        break;
    }
}

void EditorPage::updateComparison() {
    // A see-through photo (a cut-out reused for a new job) shows on the grid before any run too,
    // not on the dark canvas.
    const bool transparent =
        (model_.resultInfo() && model_.resultInfo()->hasAlpha) ||
        (model_.originalPreview() && hasAlphaChannel(model_.originalPreview()->alphaInfo()));
    compare_->setVisible(model_.originalPreview().has_value());
    compare_->setImages(model_.originalPreview(), model_.resultPreview(), transparent);
    // The badge also shows while another photo is being opened over the one shown.
    const bool loading = model_.isLoading();
    progressBadge_->setVisible(model_.progress().has_value() || loading);
    emptyButtons_->setVisible(!loading);
    emptyLoading_->setVisible(loading);
    // A result that arrives below the fold of a short window is brought into view, once its card
    // has its place in the pane.
    const bool resultArrived = model_.resultInfo().has_value() && resultCard_->isHidden();
    resultCard_->setVisible(model_.resultInfo().has_value());
    if (resultArrived) {
        QTimer::singleShot(0, sideScroll_, [this] { sideScroll_->ensureWidgetVisible(resultCard_, 0, 18); });
    }
}

} // namespace orvane
