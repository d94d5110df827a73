#pragma once

#include <QWidget>
#include <vector>

class QMenu;

namespace orvane {

class Chip;
class ChoiceRow;
class EditorModel;
class TextLabel;

// How big the enlargement will be, what that means in pixels, and the network's style. Which
// sections show follows the preset the job was opened with.
class EnlargeOptions : public QWidget {
    Q_OBJECT
public:
    explicit EnlargeOptions(EditorModel& model, QWidget* parent = nullptr);

private:
    QWidget* makeFactorRow();
    QWidget* makePrintRow();
    QWidget* makeSizeInformation();
    QWidget* makeStyleRows();
    void refresh();
    void refreshSizeInformation();

    EditorModel& model_;
    QWidget* sizeHeading_;
    QWidget* factorRow_;
    std::vector<Chip*> factorChips_;
    QWidget* printRow_;
    Chip* printChip_ = nullptr;
    QMenu* printMenu_ = nullptr;
    Chip* screenChip_ = nullptr;
    QWidget* sizeInformation_;
    TextLabel* sizeLine_ = nullptr;
    TextLabel* detailLine_ = nullptr;
    QWidget* styleHeading_;
    QWidget* styleRows_;
    std::vector<ChoiceRow*> styleChoices_;
};

} // namespace orvane
