#pragma once

#include "core/convert/ConvertFormat.h"

#include <QWidget>
#include <array>
#include <vector>

class QMenu;

namespace orvane {

class Chip;
class EditorModel;
class SegmentedPicker;
class SliderRow;
class TextLabel;
class ToggleRowPublic;

// The format, size, quality and privacy of a conversion, and the way into converting many files.
// Every control writes straight into the model's `convert` options.
class ConvertOptionsView : public QWidget {
    Q_OBJECT
public:
    explicit ConvertOptionsView(EditorModel& model, QWidget* parent = nullptr);

    // The formats on offer, in display order.
    static constexpr std::array formats{ConvertFormat::jpeg, ConvertFormat::png, ConvertFormat::heic,
                                        ConvertFormat::webp, ConvertFormat::avif};
    static constexpr std::array<long long, 5> kbPresets{100, 200, 500, 1000, 2000};
    static constexpr std::array<int, 4> edgePresets{4096, 2048, 1600, 1080};

private:
    QWidget* makeFormatRow();
    QWidget* makeSizeRow();
    QWidget* makeBatchEntry();
    void chooseBatchItems();
    template <typename Change> void change(Change&& change);
    void refresh();

    EditorModel& model_;
    TextLabel* summary_;
    std::vector<Chip*> formatChips_;
    TextLabel* description_;
    Chip* sizeChip_ = nullptr;
    Chip* edgeChip_ = nullptr;
    SliderRow* quality_;
    SegmentedPicker* metadata_;
    ToggleRowPublic* captureDate_;
    QWidget* batchEntry_;
};

} // namespace orvane
